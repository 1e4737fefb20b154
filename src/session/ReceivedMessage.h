#pragma once
// One received session message, cut into its fields, with the values of the tags that the handlers
// read. Fields and values are views into the frame text, which must outlive the message.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace td {

class ReceivedMessage {
 public:
  // The tags the dispatcher collects (the rest are read by handlers from the field list).
  static constexpr std::array<int, 22> kTags = {17, 19, 20, 21, 23, 27, 33, 34, 73, 74, 76,
                                                79, 80, 105, 151, 159, 160, 502, 503, 573, 1026, 1050};

  // Cuts a frame (length field, 0x03, body) at 0x03 and drops the length field. False when the frame
  // has no 0x03 after its length: it carries no fields. The type is the integer after the first "="
  // of the first field (tag 10).
  bool parse(std::string_view frame);

  // The tag pass: every field's tag is the integer before its first "="; its value is the text after
  // the first occurrence of "<tag>=" in the field (MessageCracker::GetMessageValue). Of two fields
  // with one tag the later wins. Also gives the request id of the message: tag 20 or 33, the later
  // field winning.
  void collectTags();

  std::string_view frame() const { return frame_; }
  const std::vector<std::string_view>& fields() const { return fields_; }
  std::int32_t type() const { return type_; }
  std::optional<std::string_view> value(int tag) const;
  // The integer value (leading integer, 0 when none) of a collected tag, or nothing when absent.
  std::optional<std::int32_t> intValue(int tag) const;
  std::optional<std::int32_t> requestId() const { return requestId_; }

  // The body for a log line: fields joined by ", ", the password tags masked.
  std::string describe() const;

  // The tag of a field: the leading integer of the text before its first "=" (0 without "=").
  static int fieldTag(std::string_view field);

 private:
  static int slot(int tag);

  std::string_view frame_;
  std::vector<std::string_view> fields_;
  std::int32_t type_ = 0;
  std::array<std::optional<std::string_view>, kTags.size()> values_{};
  std::optional<std::int32_t> requestId_;
};

}  // namespace td
