#include "ServerMessage.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/Log.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/Envelope.h"
#include "wire/MessageBase.h"
#include "wire/NSDataAdditions.h"
#include "wire/Separators.h"

namespace td::sim {

ServerMessage::ServerMessage(int messageType) : type(messageType) { add(10, std::int64_t{messageType}); }

ServerMessage& ServerMessage::add(int tag, std::string value) {
  fields.emplace_back(tag, std::move(value));
  return *this;
}

ServerMessage& ServerMessage::add(int tag, std::int64_t value) { return add(tag, std::to_string(value)); }

std::optional<std::string_view> ServerMessage::get(int tag) const {
  for (const auto& [t, v] : fields)
    if (t == tag) return std::string_view(v);
  return std::nullopt;
}

std::vector<int> ServerMessage::tags() const {
  std::vector<int> out;
  out.reserve(fields.size());
  for (const auto& f : fields) out.push_back(f.first);
  return out;
}

std::string ServerMessage::frame() const {
  std::string body;
  for (const auto& [tag, value] : fields) {
    body += std::to_string(tag);
    body += '=';
    body += value;
    body += MessageTagSeperator;
  }
  std::string out;
  MessageBase::writeFrame(body, out);
  return out;
}

std::string ServerMessage::describe() const {
  std::string body;
  for (const auto& [tag, value] : fields) {
    body += std::to_string(tag);
    body += '=';
    body += value.size() > 120 ? value.substr(0, 120) + "...(" + std::to_string(value.size()) + " bytes)" : value;
    body += MessageTagSeperator;
  }
  std::string masked = log::maskSecrets(body);
  std::string out;
  for (char c : masked) {
    if (c == MessageTagSeperator) {
      out += " | ";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += '.';
    } else {
      out += c;
    }
  }
  if (out.size() >= 3) out.resize(out.size() - 3);
  return out;
}

std::optional<ServerMessage> ServerMessage::parse(std::string_view frame) {
  std::size_t cut = frame.find(MessageTagSeperator);
  if (cut == std::string_view::npos) return std::nullopt;
  std::string_view body = frame.substr(cut + 1);
  ServerMessage m;
  while (!body.empty()) {
    std::size_t end = body.find(MessageTagSeperator);
    std::string_view field = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
    if (field.empty()) continue;
    std::size_t eq = field.find('=');
    int tag = 0;
    if (eq != std::string_view::npos) {
      auto [p, ec] = std::from_chars(field.data(), field.data() + eq, tag);
      if (ec != std::errc{} || p != field.data() + eq) tag = 0;
    }
    m.fields.emplace_back(tag, std::string(eq == std::string_view::npos ? std::string_view{} : field.substr(eq + 1)));
  }
  if (m.fields.empty() || m.fields.front().first != 10) return std::nullopt;
  const std::string& t = m.fields.front().second;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), m.type);
  if (ec != std::errc{} || p != t.data() + t.size()) return std::nullopt;
  return m;
}

std::optional<std::string> sealEnvelope(std::string_view plainFrame, std::string_view passPhrase) {
  std::string body;
  if (!Envelope::writeBody(plainFrame, passPhrase, false, body)) return std::nullopt;
  std::string out;
  MessageBase::writeFrame(body, out);
  return out;
}

std::optional<std::string> openEnvelope(const ServerMessage& envelope, std::string_view passPhrase) {
  auto payload = envelope.get(27);
  if (!payload) return std::nullopt;
  auto bytes = Base64::decodeBase64WithString(*payload);
  if (!bytes || bytes->empty()) return std::nullopt;
  return Crypto::transformData(*bytes, Crypto::kAlgorithmAES, Crypto::kDecrypt, passPhrase);
}

std::optional<ServerMessage> openEnvelopedMessage(const ServerMessage& envelope, std::string_view passPhrase) {
  const auto inner = openEnvelope(envelope, passPhrase);
  if (!inner || inner->size() < 2) return std::nullopt;
  return ServerMessage::parse(std::string_view(*inner).substr(1, inner->size() - 2));
}

bool isInitialEnvelope(const ServerMessage& envelope) {
  return envelope.get(1153) == std::string_view("2") && envelope.get(1132) == std::string_view("2");
}

std::optional<std::string> compressPayload(std::string_view text) {
  auto gz = NSDataAdditions::gzipDeflate(text);
  if (!gz || (gz->empty() && !text.empty())) return std::nullopt;
  auto n = static_cast<std::uint32_t>(text.size());
  std::string bytes{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                    static_cast<char>(n)};
  bytes += *gz;
  // The client cuts every "1050=" out of the field's value, so the Base64 text must not hold one
  // (it can only end in one, before a single "="). An empty gzip member after the stream changes
  // the ending without changing the text.
  static constexpr char kEmptyMember[] = "\x1f\x8b\x08\0\0\0\0\0\0\x03\x03\0\0\0\0\0\0\0\0\0";
  for (int attempt = 0; attempt < 4; ++attempt) {
    auto text = Base64::encodeBase64WithData(bytes);
    if (!text || text->find("1050=") == std::string::npos) return text;
    bytes.append(kEmptyMember, sizeof kEmptyMember - 1);
  }
  return std::nullopt;
}

std::string fixedText(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  // A value that rounds to zero, such as the negated zero of a position closed where it opened, is
  // written without a sign.
  const char* digits = buf[0] == '-' ? buf + 1 : buf;
  if (digits != buf && std::strspn(digits, "0.") == std::strlen(digits)) return digits;
  return buf;
}

std::string localTime(std::int64_t unixSeconds, const char* pattern) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, pattern, &tm);
  return buf;
}

std::string ampTime(std::int64_t unixSeconds) { return localTime(unixSeconds, "%Y%m%d%H%M%S"); }

std::optional<std::int64_t> parseAmpTime(std::string_view text) {
  if (text.size() != 14 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  auto n = [&](std::size_t pos, std::size_t len) { return std::stoi(std::string(text.substr(pos, len))); };
  std::tm tm{};
  tm.tm_year = n(0, 4) - 1900;
  tm.tm_mon = n(4, 2) - 1;
  tm.tm_mday = n(6, 2);
  tm.tm_hour = n(8, 2);
  tm.tm_min = n(10, 2);
  tm.tm_sec = n(12, 2);
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(t);
}

std::int64_t unixNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::int64_t localWallClock(std::int64_t unixSeconds) {
  const std::time_t at = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  localtime_r(&at, &tm);
  return unixSeconds + static_cast<std::int64_t>(tm.tm_gmtoff);
}

}  // namespace td::sim
