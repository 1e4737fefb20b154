#pragma once
// One message as the simulated server reads and writes it: the type (tag 10) and the fields in
// wire order. Writing frames the body exactly as the client's request writer does (0x01, the body
// length in UTF-16 code units, 0x03, the body, 0x02); reading takes what the client's frame cutter
// hands on (the length, 0x03 and the body).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace td::sim {

struct ServerMessage {
  int type = 0;
  std::vector<std::pair<int, std::string>> fields;  // tag 10 included, in wire order

  ServerMessage() = default;
  explicit ServerMessage(int messageType);
  ServerMessage& add(int tag, std::string value);
  ServerMessage& add(int tag, std::int64_t value);

  // The value of the first field with the tag.
  std::optional<std::string_view> get(int tag) const;
  std::vector<int> tags() const;

  // The framed message.
  std::string frame() const;
  // One readable line: the fields joined by " | ", passwords (18, 103, 104) masked.
  std::string describe() const;

  // Reads a frame without its 0x01 and 0x02. Nothing when it has no 0x03 after the length, or no
  // numeric tag 10 as its first field.
  static std::optional<ServerMessage> parse(std::string_view frame);
};

// The server's side of the envelope (type 76): a plain frame encrypted under the pass phrase.
// Nothing when encryption fails.
std::optional<std::string> sealEnvelope(std::string_view plainFrame, std::string_view passPhrase);
// Opens an envelope's field 27 under the pass phrase; nothing when it does not decode or decrypt.
std::optional<std::string> openEnvelope(const ServerMessage& envelope, std::string_view passPhrase);
// The one message an envelope carries (its frame marked by 0x01 and 0x02), opened under the pass
// phrase; nothing when it does not open or parse.
std::optional<ServerMessage> openEnvelopedMessage(const ServerMessage& envelope, std::string_view passPhrase);
// Whether an envelope carries the marks of a connection's first request (1153=2 and 1132=2).
bool isInitialEnvelope(const ServerMessage& envelope);

// The compressed payload of tag 1050: Base64 of four bytes (the length of the text, big-endian)
// and a gzip stream of the text, never holding the text "1050=". Nothing when compression fails.
std::optional<std::string> compressPayload(std::string_view text);

// A number with a fixed count of decimals ("%.*f"), and with two (an amount of money); one that
// rounds to zero has no sign ("0.00", never "-0.00").
std::string fixedText(double value, int decimals);
inline std::string money(double value) { return fixedText(value, 2); }

// A moment in local time by a strftime pattern (at most 31 characters long).
std::string localTime(std::int64_t unixSeconds, const char* pattern);
// "yyyyMMddHHmmss" of a moment in local time (the wire's time stamps).
std::string ampTime(std::int64_t unixSeconds);
// "yyyyMMddHHmmss" (local time) to seconds since the epoch; nothing when malformed.
std::optional<std::int64_t> parseAmpTime(std::string_view text);
std::int64_t unixNow();
// The local wall clock at a moment, in seconds counted as if it ran in UTC: the feed stamps its
// prices with the local time, so the chart history's bars keep to the local clock's grid.
std::int64_t localWallClock(std::int64_t unixSeconds);

}  // namespace td::sim
