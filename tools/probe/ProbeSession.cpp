#include "ProbeSession.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <vector>

#include "model/XmlTables.h"
#include "platform/Log.h"
#include "transport/DeviceInfo.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/DataSetRequests.h"
#include "wire/RequestCatalogue.h"
#include "wire/Separators.h"
#include "wire/SessionKey.h"
#include "wire/SessionRequests.h"

namespace td::probe {
namespace {

// One received message: its type and its fields by tag (the later field of a tag wins, as in the
// client's tag pass). A value is all the text after the field's first "=".
struct Fields {
  int type = 0;
  std::map<int, std::string_view> values;
  std::optional<std::string_view> get(int tag) const {
    auto it = values.find(tag);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

int toInt(std::string_view text) {
  int v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

std::optional<Fields> readFields(std::string_view frame) {
  std::size_t cut = frame.find(MessageTagSeperator);
  if (cut == std::string_view::npos) return std::nullopt;
  std::string_view body = frame.substr(cut + 1);
  Fields f;
  bool first = true;
  while (!body.empty()) {
    std::size_t end = body.find(MessageTagSeperator);
    std::string_view field = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
    std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) continue;
    int tag = toInt(field.substr(0, eq));
    std::string_view value = field.substr(eq + 1);
    if (first) {
      if (tag != 10) return std::nullopt;
      f.type = toInt(value);
      first = false;
    }
    f.values[tag] = value;
  }
  if (first) return std::nullopt;
  return f;
}

std::string money(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// The alert a refused login raises, by the code of its login message.
std::string refusalText(int code) {
  switch (code) {
    case 10: return "Your login has been disabled. Please contact back office.";
    case 11: return "Your account has been expired";
    case 12: return "You're using unsupported version of program. Do you want to download latest version now?";
    default: return "The username or password or server you entered is incorrect";
  }
}

}  // namespace

ProbeSession::ProbeSession(ProbeHost& host, const ProbeOptions& options)
    : host_(host),
      options_(options),
      messageBase_(*this, logindata_),
      inner_([this](std::string_view frame) { dispatch(frame, 1); }),
      statusFrames_([this](std::string_view frame) { dispatch(frame, 1); }) {
  logindata_.setIPAddress(options.host);
  logindata_.setPortNo(options.port);
  logindata_.setUserName(options.user);
  logindata_.setPassword(options.password);
}

std::string ProbeSession::now() const {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d%H%M%S", &tm);
  return buf;
}

bool ProbeSession::SendMessage(std::string_view frame, bool toZMQ) {
  if (toZMQ) {
    host_.sendRequest(std::string(frame));
    return true;
  }
  return host_.sendTcp(frame);
}

void ProbeSession::PingHandedToEnvelope() { pingTime_ = std::chrono::steady_clock::now(); }

void ProbeSession::connected() {
  DeviceFields device{DeviceInfo::getHostIPAddress(), DeviceInfo::getDeviceNameandOSversion(),
                      DeviceInfo::getHostName()};
  if (!SessionRequests::LoginRequest(messageBase_, SessionRequests::loginValues(logindata_, device, now())))
    end(false, "the login request could not be sent", "");
}

void ProbeSession::tcpFrame(std::string_view frame) { dispatch(frame, 0); }

void ProbeSession::requestFrame(std::string_view frame) { dispatch(frame, 0); }

void ProbeSession::dispatch(std::string_view frame, int depth) {
  if (ended_) return;
  auto f = readFields(frame);
  if (!f) {
    TD_LOG_INFO("probe: unreadable frame dropped");
    return;
  }
  if (auto v = f->get(20)) requestId_ = toInt(*v);
  if (auto v = f->get(33)) requestId_ = toInt(*v);
  if (auto v = f->get(21)) serverTime_ = std::string(*v);
  switch (f->type) {
    case 76: {
      if (depth > 0) return;
      auto bytes = Base64::decodeBase64WithString(f->get(27).value_or(""));
      std::optional<std::string> plain;
      if (bytes && !bytes->empty())
        plain = Crypto::transformData(*bytes, Crypto::kAlgorithmAES, Crypto::kDecrypt, logindata_.SecurityKey());
      if (!plain) {
        TD_LOG_INFO("probe: an envelope that does not open was dropped");
        return;
      }
      inner_.feed(*plain);
      return;
    }
    case 33:
      onLoginData(f->get(160).value_or(""), f->get(1050).value_or(""), f->get(19).value_or(""),
                  f->get(21).value_or(""));
      return;
    case 47:
      onRefused(f->get(160).value_or(""), f->get(1050).value_or(""));
      return;
    case 18:
      onSessionOpen();
      return;
    case 1019: {
      if (!pingTime_) return;
      double d = std::chrono::duration<double>(std::chrono::steady_clock::now() - *pingTime_).count();
      char buf[64];
      std::snprintf(buf, sizeof buf, "PING %.3f rating=%d", d, networkSpeedRating(d));
      host_.print(buf);
      return;
    }
    case 1045: {
      auto key = f->get(34);
      auto account = key ? reference_.account(*key) : nullptr;
      if (!account) return;
      if (auto v = f->get(560)) account->Balance = std::strtod(std::string(*v).c_str(), nullptr);
      if (auto v = f->get(130)) account->Equity = std::strtod(std::string(*v).c_str(), nullptr);
      host_.print("ACCOUNT " + std::string(*key) + " balance=" + money(account->Balance) +
                  " equity=" + money(account->Equity));
      return;
    }
    case 1024: {
      std::string context(f->get(151).value_or(""));
      std::string_view data = f->get(159).value_or("");
      std::size_t rows = 0;
      std::string upper(data);
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (context == AccountStatementContext) {
        XmlTables tables = parseXml(data);
        for (const auto& [name, table] : tables.tables) rows += table.size();
      } else if (!data.empty() && upper != "ERROR") {
        std::size_t start = 0;
        while (start <= data.size()) {
          std::size_t end = data.find(MessageInnerTagSeperatorthr, start);
          if (end == std::string_view::npos) end = data.size();
          if (end > start) ++rows;
          start = end + 1;
        }
      }
      host_.print("DATASET " + context + " rows=" + std::to_string(rows));
      return;
    }
    case 44:
      host_.print("ALERT " + std::string(f->get(105).value_or("")));
      end(false, "logged in at another location", "elsewhere");
      return;
    case 1028:
      host_.print("ALERT Connection to the server was lost");
      end(false, "the server asked for a new login", "relogin");
      return;
    case 1049: {
      auto code = f->get(12);
      auto setting = f->get(574);
      if (!code || !setting) return;
      if (auto item = reference_.item(*code); item && toInt(*setting) >= 1)
        item->CurrentTradeSessionSettingId = toInt(*setting);
      return;
    }
    default:
      return;
  }
}

void ProbeSession::onLoginData(std::string_view form, std::string_view payload, std::string_view referenceId,
                               std::string_view serverTime) {
  auto text = decompressData(payload);
  if (!text) {
    end(false, "the login data set does not open", "");
    return;
  }
  if (form == MESSAGE_AMP_TYPE) {
    reference_.FillAmpDetails(*text);
  } else {
    reference_.FillTableDetails(parseXml(*text));
  }
  referenceId_ = std::string(referenceId);
  loginLoaded_ = true;
  host_.print("LOGIN items=" + std::to_string(reference_.ItemCollection().size()) +
              " accounts=" + std::to_string(reference_.AccountDetailCollection().size()) +
              " groups=" + std::to_string(reference_.GroupDetailCollection().size()));
  // From here on every envelope, both ways, uses the session key.
  logindata_.setSecurityKey(
      GenerateNewEncryptionKey(logindata_.userName(), logindata_.password(), referenceId, serverTime));
}

void ProbeSession::onRefused(std::string_view form, std::string_view payload) {
  int code = 0;
  if (form == MESSAGE_AMP_TYPE) {
    if (auto text = decompressData(payload)) {
      ReferenceData refused;
      refused.FillAmpDetails(*text);
      if (const auto& message = refused.lastLoginInfoMessage()) code = message->ErrorCode;
    }
  }
  host_.print("ALERT " + refusalText(code));
  end(false, "login refused", "refused:" + std::to_string(code));
}

void ProbeSession::onSessionOpen() {
  if (!loginLoaded_ || sessionOpen_) return;
  sessionOpen_ = true;
  host_.print("SESSION open");
  const auto& user = reference_.userInfo();
  host_.openChannels(user ? user->marketdepthPort : 0, user ? user->hdServerPort : 0);
  requestInitialDataSets();
  host_.subscribe("IS;");
  for (const auto& [code, item] : reference_.ItemCollection()) {
    host_.subscribe(code);
    host_.subscribe("MD_" + code + ";");
  }
  host_.subscribe("*#bm#*:");
  if (options_.order) {
    end(false, "placing orders is not available in this build", "");
    return;
  }
  if (options_.ticks <= 0) end(true, "", "");
}

void ProbeSession::requestInitialDataSets() {
  SessionValues session{logindata_.userName(), referenceId_, requestId_, now()};
  std::int32_t userId = reference_.userInfo() ? reference_.userInfo()->UserId : 0;
  DataSetRequests::requestOpenPosition(messageBase_, session, userId);
  DataSetRequests::requestPendingOrders(messageBase_, session, userId);
  DataSetRequests::requestSettledOrders(messageBase_, session, userId);
  DataSetRequests::requestCancelledOrders(messageBase_, session, userId);
  for (const auto& [key, account] : reference_.AccountDetailCollection())
    if (account->tradingStatus == 5)
      DataSetRequests::requestEquityPriceinfo(messageBase_, session, userId, account->AccountId);
}

void ProbeSession::pingTimer() {
  if (!sessionOpen_ || ended_) return;
  SessionRequests::pingToserver(messageBase_, requestId_, now());
}

void ProbeSession::feedLine(std::string_view line) {
  if (ended_ || !sessionOpen_) return;
  if (line.substr(0, 3) == "MD_") {
    if (auto depth = decodeDepthLine(line.substr(3)))
      host_.print("DEPTH " + depth->first + " buy=" + std::to_string(depth->second.first) +
                  " sell=" + std::to_string(depth->second.second));
    return;
  }
  if (line.substr(0, 3) == "IS;") {
    std::string_view rest = line.substr(3);
    statusFrames_.feed(rest.substr(0, rest.find(';')));
    return;
  }
  if (line.substr(0, 7) == "*#bm#*:") return;
  auto price = decodePriceLine(line);
  if (!price) return;
  auto item = reference_.item(price->code);
  if (!item || ticks_ >= options_.ticks) return;
  if (price->bid != 0) item->Bid = price->bid;
  if (price->ask != 0) item->Ask = price->ask;
  item->isPriceUpdateReceived = true;
  int decimals = item->DecimalPlaces > 0 ? item->DecimalPlaces : 2;
  char buf[160];
  std::snprintf(buf, sizeof buf, "TICK %s %.*f %.*f", item->Code.c_str(), decimals, item->Bid, decimals, item->Ask);
  host_.print(buf);
  if (++ticks_ >= options_.ticks) end(true, "", "");
}

void ProbeSession::connectionClosed() {
  if (ended_) return;
  host_.print("ALERT Connection to the server was lost");
  end(false, sessionOpen_ ? "the connection closed before the ticks arrived" : "the connection closed", "closed");
}

void ProbeSession::end(bool ok, const std::string& reason, const std::string& disconnectReason) {
  if (ended_) return;
  ended_ = true;
  host_.finish(ok, reason, disconnectReason);
}

std::optional<ProbeSession::PriceLine> ProbeSession::decodePriceLine(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    std::size_t end = line.find(MessageInnerTagSeperator, start);
    fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (fields.size() < 7 || fields[0].empty()) return std::nullopt;
  auto number = [](std::string_view text, double& out) {
    std::string s(text);
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end != s.c_str();
  };
  double base = 0, decimals = 0, bid = 0, ask = 0;
  if (!number(fields[2], base) || !number(fields.back(), decimals)) return std::nullopt;
  double scale = std::pow(10.0, decimals);
  PriceLine p;
  p.code = std::string(fields[0]);
  p.bid = number(fields[4], bid) ? base + bid / scale : 0;
  p.ask = number(fields[5], ask) ? base + ask / scale : 0;
  return p;
}

std::optional<std::pair<std::string, std::pair<int, int>>> ProbeSession::decodeDepthLine(std::string_view line) {
  std::size_t a = line.find(';');
  if (a == std::string_view::npos) return std::nullopt;
  std::size_t b = line.find(';', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  std::size_t c = line.find(';', b + 1);
  auto count = [](std::string_view side) {
    int n = 0;
    std::size_t start = 0;
    while (start <= side.size()) {
      std::size_t end = side.find('|', start);
      if (end == std::string_view::npos) end = side.size();
      if (end > start) ++n;
      start = end + 1;
    }
    return n;
  };
  return std::make_pair(std::string(line.substr(0, a)),
                        std::make_pair(count(line.substr(a + 1, b - a - 1)),
                                       count(line.substr(b + 1, c == std::string_view::npos ? c : c - b - 1))));
}

int ProbeSession::networkSpeedRating(double d) {
  if (!(d >= 0)) return 3;
  if (d < 1) return 0;
  if (d < 2) return 1;
  if (d <= 3) return 2;
  return 3;
}

}  // namespace td::probe
