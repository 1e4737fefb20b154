#include "platform/LoginInputdata.h"

#include "platform/BuildInfo.h"
#include "platform/Log.h"
#include "platform/Resources.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

namespace td {
namespace {

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::optional<std::int32_t> parsePort(std::string_view text) {
  std::int32_t port = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (ec != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) return std::nullopt;
  return port;
}

}  // namespace

ServerPresets ServerPresets::load() {
  // A servers file of the caller's (the demo run points both presets at its own simulated server).
  if (const char* file = std::getenv("TARNWICKDESK_SERVERS"); file != nullptr && *file != '\0') return loadFile(file);
  return loadFile(Resources::directory() / "servers.conf");
}

ServerPresets ServerPresets::loadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) {
    TD_LOG_WARN("Server presets: cannot read " + file.string() + "; using the shipped presets");
    return shipped();
  }
  return parse(text.str(), file.string());
}

ServerPresets ServerPresets::parse(std::string_view text, const std::string& origin) {
  ServerPresets presets = shipped();
  std::set<std::string, std::less<>> seen;
  int lineNo = 0;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    const std::string_view line = trim(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    ++lineNo;
    if (line.empty() || line.front() == '#') continue;
    const std::string where = origin + ":" + std::to_string(lineNo);
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
      TD_LOG_WARN("Server presets: " + where + ": line without '=' ignored");
      continue;
    }
    const std::string_view key = trim(line.substr(0, eq));
    const std::string_view value = trim(line.substr(eq + 1));
    if (key == "live.host" || key == "demo.host" || key == "initial.passphrase") {
      if (value.empty()) {
        TD_LOG_WARN("Server presets: " + where + ": empty " + std::string(key) + " ignored");
        continue;
      }
      (key == "live.host" ? presets.liveHost : key == "demo.host" ? presets.demoHost : presets.initialPassPhrase) =
          std::string(value);
    } else if (key == "news.host") {
      if (value.empty() || value.find_first_of(" \t/?#@\\") != std::string_view::npos) {
        TD_LOG_WARN("Server presets: " + where + ": bad news.host \"" + std::string(value) + "\" ignored");
        continue;
      }
      presets.newsHost = std::string(value);
    } else if (key == "live.port" || key == "demo.port") {
      const auto port = parsePort(value);
      if (!port) {
        TD_LOG_WARN("Server presets: " + where + ": bad " + std::string(key) + " \"" + std::string(value) +
                    "\" ignored");
        continue;
      }
      (key == "live.port" ? presets.livePort : presets.demoPort) = *port;
    } else {
      TD_LOG_WARN("Server presets: " + where + ": unknown key \"" + std::string(key) + "\" ignored");
      continue;
    }
    seen.emplace(key);
  }
  for (const char* key : {"live.host", "live.port", "demo.host", "demo.port", "initial.passphrase"}) {
    if (!seen.contains(std::string_view(key))) {
      TD_LOG_WARN("Server presets: " + origin + " has no usable " + key + "; using the shipped value");
    }
  }
  return presets;
}

LoginInputdata::LoginInputdata() : LoginInputdata(ServerPresets::load()) {}

LoginInputdata::LoginInputdata(ServerPresets presets)
    : presets_(std::move(presets)),
      productName_(BuildInfo::productName()),
      productVersion_(BuildInfo::productVersion()),
      securityKey_(presets_.initialPassPhrase) {}

void LoginInputdata::loadLiveSettings() {
  std::lock_guard lock(mutex_);
  ipAddress_ = presets_.liveHost;
  portNo_ = presets_.livePort;
}

void LoginInputdata::loadDemoSettings() {
  std::lock_guard lock(mutex_);
  ipAddress_ = presets_.demoHost;
  portNo_ = presets_.demoPort;
}

#define TD_LOGIN_FIELD(Getter, Setter, Type, member) \
  Type LoginInputdata::Getter() const {              \
    std::lock_guard lock(mutex_);                    \
    return member;                                   \
  }                                                  \
  void LoginInputdata::Setter(Type value) {          \
    std::lock_guard lock(mutex_);                    \
    member = std::move(value);                       \
  }

TD_LOGIN_FIELD(IPAddress, setIPAddress, std::string, ipAddress_)
TD_LOGIN_FIELD(PortNo, setPortNo, std::int32_t, portNo_)
TD_LOGIN_FIELD(userName, setUserName, std::string, userName_)
TD_LOGIN_FIELD(password, setPassword, std::string, password_)
TD_LOGIN_FIELD(productName, setProductName, std::string, productName_)
TD_LOGIN_FIELD(productVersion, setProductVersion, std::string, productVersion_)
TD_LOGIN_FIELD(SecurityKey, setSecurityKey, std::string, securityKey_)

#undef TD_LOGIN_FIELD

}  // namespace td
