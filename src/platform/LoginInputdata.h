#pragma once
// The parameters of a login: where to connect, who logs in, how the client names itself and the pass
// phrase of the encrypted envelope. One instance lives in the application context for the whole run.
//
// The server presets and the initial pass phrase are configuration: resources/servers.conf (see
// ServerPresets::load), installed with the application.
//
// Every accessor locks, so the fields may be read on the session's queue and reader threads while
// the main thread writes them (the session replaces SecurityKey after the login reply).

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace td {

struct ServerPresets {
  std::string liveHost = "live.tarnwickdesk.invalid";
  std::int32_t livePort = 8120;
  std::string demoHost = "127.0.0.1";
  std::int32_t demoPort = 8310;
  std::string initialPassPhrase = "9dA3fB71e0Cc";
  // The news service: a host name or address, with ":port" when not 80.
  std::string newsHost = "news.tarnwickdesk.invalid";

  // The values shipped in resources/servers.conf, used when the file or one of its keys is missing
  // or unusable.
  static ServerPresets shipped() { return {}; }

  // The file named by the environment variable TARNWICKDESK_SERVERS when it is set and not empty,
  // else servers.conf under Resources::directory().
  static ServerPresets load();
  // Reads "key=value" lines: live.host, live.port, demo.host, demo.port, initial.passphrase and
  // news.host. Blank lines and lines starting with '#' are skipped; blanks around keys and values
  // are trimmed. A missing or unreadable file, a missing key, an empty value, a port outside
  // 1..65535 or a news host that is not a bare host[:port] keeps the shipped value and writes a log
  // line (news.host may be left out silently: older files lack it); unknown keys are logged and
  // ignored.
  static ServerPresets loadFile(const std::filesystem::path& file);
  static ServerPresets parse(std::string_view text, const std::string& origin);
};

class LoginInputdata {
 public:
  // init: productName "TarnwickDesk", productVersion of this build, SecurityKey the initial pass
  // phrase; every other field empty (PortNo 0).
  LoginInputdata();  // presets from ServerPresets::load()
  explicit LoginInputdata(ServerPresets presets);
  LoginInputdata(const LoginInputdata&) = delete;
  LoginInputdata& operator=(const LoginInputdata&) = delete;

  // Overwrite IPAddress and PortNo with a preset; nothing else changes.
  void loadLiveSettings();
  void loadDemoSettings();

  std::string IPAddress() const;
  void setIPAddress(std::string value);
  std::int32_t PortNo() const;
  void setPortNo(std::int32_t value);
  std::string userName() const;
  void setUserName(std::string value);
  std::string password() const;
  void setPassword(std::string value);
  std::string productName() const;
  void setProductName(std::string value);
  std::string productVersion() const;
  void setProductVersion(std::string value);
  std::string SecurityKey() const;
  void setSecurityKey(std::string value);

  const ServerPresets& presets() const { return presets_; }

 private:
  const ServerPresets presets_;
  mutable std::mutex mutex_;
  std::string ipAddress_;
  std::int32_t portNo_ = 0;
  std::string userName_;
  std::string password_;
  std::string productName_;
  std::string productVersion_;
  std::string securityKey_;
};

}  // namespace td
