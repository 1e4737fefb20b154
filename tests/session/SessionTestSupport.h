#pragma once
// Shared by the session tests: frames and payloads as the server writes them, a recording transport,
// a recording shell and observer, and a fixture that runs one BusinessBase on a hand-pumped main queue.

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../model/LoginDataSetWriter.h"
#include "platform/Defaults.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "session/SessionObserver.h"
#include "session/SessionShell.h"
#include "session/ShellReactions.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/Envelope.h"
#include "wire/MessageBase.h"

namespace td::testing {

using Field = std::pair<int, std::string>;

inline std::string body(const std::vector<Field>& fields) {
  std::string out;
  for (const auto& [tag, value] : fields) out += std::to_string(tag) + "=" + value + "\x03";
  return out;
}

// A frame as the session takes it: the length, 0x03 and the body (no 0x01, 0x02).
inline std::string frame(const std::vector<Field>& fields) {
  const std::string b = body(fields);
  return std::to_string(MessageBase::utf16Length(b)) + "\x03" + b;
}

// A frame as it travels: 0x01, the length, 0x03, the body, 0x02.
inline std::string wireFrame(const std::vector<Field>& fields) { return "\x01" + frame(fields) + "\x02"; }

inline std::string gzip(std::string_view text) {
  z_stream zs{};
  deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, text.size()) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// The value of tag 1050: Base64 of 4 unread bytes and the gzip stream.
inline std::string compressed(std::string_view text, std::string_view prefix = std::string_view("\0\0\0\0", 4)) {
  return *Base64::encodeBase64WithData(std::string(prefix) + gzip(text));
}

// An envelope frame (type 76) carrying the given text encrypted under the pass phrase.
inline std::string envelopeFrame(std::string_view inner, std::string_view passPhrase) {
  std::string b;
  EXPECT_TRUE(Envelope::writeBody(inner, passPhrase, false, b));
  return std::to_string(MessageBase::utf16Length(b)) + "\x03" + b;
}

// Opens a sent envelope frame (0x01 ... 0x02) under the pass phrase: the inner frame, or "".
inline std::string openSent(const std::string& sent, const std::string& passPhrase) {
  const std::size_t start = sent.find("27=");
  if (start == std::string::npos) return "";
  const std::size_t end = sent.find('\x03', start);
  const auto bytes = Base64::decodeBase64WithString(sent.substr(start + 3, end - start - 3));
  if (!bytes) return "";
  return Crypto::transformData(*bytes, Crypto::kAlgorithmAES, Crypto::kDecrypt, passPhrase).value_or("");
}

class RecordingTransport : public SessionTransport {
 public:
  void ConnectToServer(bool demo) override { calls.push_back(demo ? "connect demo" : "connect"); }
  bool SendMessagetoServer(std::string_view f) override {
    tcp.emplace_back(f);
    return connected;
  }
  void SendZMQRequestMessagetoServer(std::string f) override { zmq.push_back(std::move(f)); }
  void DisconnectServer() override {
    calls.push_back("disconnect");
    connected = false;
  }
  void ReloginRequestDisconnectServer() override {
    calls.push_back("relogin disconnect");
    connected = false;
  }
  void ConnectToZMQSubServer(const std::string& host, int port) override {
    calls.push_back("sub " + host + ":" + std::to_string(port));
  }
  void ConnectToZMQReqServer(const std::string& host, int port) override {
    calls.push_back("req " + host + ":" + std::to_string(port));
  }
  void ProcessSubscribeandUnSubscribeItems(const std::vector<std::string>& items, bool subscribe) override {
    if (blocked && blocked()) return;
    std::string line = subscribe ? "subscribe" : "unsubscribe";
    for (const auto& code : items) line += " " + code;
    calls.push_back(line);
  }
  void setSubscriptionsBlocked(std::function<bool()> b) override { blocked = std::move(b); }
  void setIsNetworkAvailable(bool value) override { networkAvailable = value; }
  bool isNetworkAvailable() const override { return networkAvailable; }
  bool isConnected() const override { return connected; }
  void shutdown() override { *shutDown = true; }

  std::vector<std::string> calls;
  std::vector<std::string> tcp;
  std::vector<std::string> zmq;
  std::function<bool()> blocked;
  bool connected = true;
  bool networkAvailable = true;
  std::shared_ptr<bool> shutDown = std::make_shared<bool>(false);
};

class RecordingShell : public SessionShell {
 public:
  void playSound(const std::string& name) override { events.push_back("sound " + name); }
  void showAlert(const SessionAlert& alert) override {
    alerts.push_back(alert);
    events.push_back("alert " + std::to_string(alert.tag) + " " + alert.message);
  }
  void showBanner(const SessionBanner& banner) override {
    banners.push_back(banner);
    events.push_back("banner " + banner.subtitle);
  }
  void SetEnableUIObjects() override { events.push_back("login controls"); }
  void shakeWindow() override { events.push_back("shake"); }

  std::vector<std::string> events;
  std::vector<SessionAlert> alerts;
  std::vector<SessionBanner> banners;
};

class RecordingObserver : public SessionObserver {
 public:
  void sessionLoginDataLoaded(std::size_t items, std::size_t accounts, std::size_t groups) override {
    events.push_back("LOGIN items=" + std::to_string(items) + " accounts=" + std::to_string(accounts) +
                     " groups=" + std::to_string(groups));
  }
  void sessionOpened(const std::vector<std::string>&) override { events.push_back("SESSION open"); }
  void sessionTick(const ItemDetails&) override { ++ticks; }
  void sessionDepth(const std::string& code, const std::vector<std::string>&, const std::vector<std::string>&) override {
    events.push_back("DEPTH " + code);
  }
  void sessionPing(std::int32_t status, double, const std::string& time) override {
    events.push_back("PING " + std::to_string(status) + " " + time);
  }
  void sessionEnded(const std::string& reason) override { events.push_back("DISCONNECTED " + reason); }
  void sessionDataSet(const std::string& context, std::size_t rows) override {
    events.push_back("DATASET " + context + " rows=" + std::to_string(rows));
  }
  void sessionCollections(std::size_t open, std::size_t pending, std::size_t settled, std::size_t cancelled) override {
    events.push_back("COLLECTIONS " + std::to_string(open) + " " + std::to_string(pending) + " " +
                     std::to_string(settled) + " " + std::to_string(cancelled));
  }

  std::vector<std::string> events;
  int ticks = 0;
};

// A small login data set: two forex items and one index, one group with spreads, two accounts.
inline LoginDataSet standardDataSet() {
  LoginDataSet d;
  d.user = {{{"userid", "42"}, {"marketdepthPort", "7001"}, {"hdserverPort", "7002"}}};
  d.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "Forex"}},
                 {{"InstrumentTypeId", "2"}, {"InstrumentTypeName", "Index"}}};
  d.sessions = {{{"SettingsId", "1"}, {"SettingsName", "Open"}}, {{"SettingsId", "2"}, {"SettingsName", "Close"}}};
  auto item = [](std::string id, std::string code, std::string type) {
    return Row{{"InstrumentId", id}, {"Name", code + " name"}, {"Code", code}, {"Enabled", "1"},
               {"InstrumentTypeId", type}, {"TickSize", "0.0001"}, {"DecimalPlaces", "4"},
               {"IsAvailableForWatchList", "1"}, {"CurrentTradeSessionSettingId", "1"}, {"ContractSize", "100000"}};
  };
  d.items = {item("1", "EURUSD", "1"), item("2", "GBPUSD", "1"), item("3", "DAX", "2")};
  d.groups = {{{"GroupId", "7"}, {"Name", "Retail"}}};
  d.groupInstruments = {{{"groupdetailsid", "1"}, {"groupid", "7"}, {"InstrumentId", "2"}, {"SpreadBid", "2"},
                         {"SpreadAsk", "3"}, {"SpreadTypeId", "3"}}};
  d.accounts = {{{"AccountId", "100"}, {"GroupId", "7"}, {"AccountName", "Main"}, {"TradingStatusId", "1"}},
                {{"AccountId", "101"}, {"GroupId", "7"}, {"AccountName", "Second"}, {"TradingStatusId", "1"}}};
  return d;
}

class SessionTest : public ::testing::Test {
 protected:
  SessionTest()
      : logindata(ServerPresets::shipped()),
        notifications(std::make_shared<NotificationCenter>(&queue)),
        defaultsFile(std::filesystem::temp_directory_path() /
                     ("td-session-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++) + ".json")),
        defaults(std::make_shared<Defaults>(defaultsFile)) {
    logindata.setIPAddress("127.0.0.1");
    logindata.setPortNo(8310);
    logindata.setUserName("alice");
    logindata.setPassword("secret");
    ShellReactions::Options shellOptions;
    shellOptions.language = [] { return 0; };
    reactions = ShellReactions::create(shell, queue, *notifications, shellOptions);
    makeSession();
  }
  ~SessionTest() override {
    session.reset();
    std::error_code ec;
    std::filesystem::remove(defaultsFile, ec);
  }

  // The session's environment: this fixture's queue, stores, shell reactions and observer.
  BusinessBase::Environment environment() {
    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = notifications;
    env.defaults = defaults;
    env.shell = reactions;
    env.observer = &observer;
    return env;
  }

  void makeSession() {
    BusinessBase::Options options;
    options.wallClock = [this] { return wallBase + (queue.clock().now() - clockBase); };
    options.transportFactory = [this](ConnectionEvents&) {
      auto t = std::make_unique<RecordingTransport>();
      transport = t.get();
      return t;
    };
    session = BusinessBase::create(environment(), options);
  }

  // Counts the notifications of a name posted from now on.
  int* count(const std::string& name) {
    auto counter = std::make_shared<int>(0);
    counters.push_back(counter);
    tokens.push_back(notifications->addObserver(name, [counter](const Notification&) { ++*counter; }));
    return counter.get();
  }

  void loginData(const LoginDataSet& data, bool amp = true) {
    session->NewMessage(frame({{10, "33"}, {19, "REF9"}, {21, "20240102030405"}, {160, amp ? "AMP" : "XML"},
                               {1050, compressed(amp ? data.amp() : data.xml())}}));
  }
  void loginAccepted() { session->NewMessage(frame({{10, "18"}})); }

  static int& counter() {
    static int n = 0;
    return n;
  }

  ManualMainQueue queue;
  LoginInputdata logindata;
  std::shared_ptr<NotificationCenter> notifications;
  std::filesystem::path defaultsFile;
  std::shared_ptr<Defaults> defaults;
  RecordingShell shell;
  RecordingObserver observer;
  std::shared_ptr<ShellReactions> reactions;
  RecordingTransport* transport = nullptr;
  std::shared_ptr<BusinessBase> session;
  const Clock::TimePoint clockBase = queue.clock().now();
  const BusinessBase::Date wallBase = std::chrono::system_clock::now();
  std::vector<std::shared_ptr<int>> counters;
  std::vector<ObserverToken> tokens;
};

}  // namespace td::testing
