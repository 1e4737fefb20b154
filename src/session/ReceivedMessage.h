#pragma once
// One received session message, cut once into its fields and indexed by tag, so that a handler
// reads any field by its tag without scanning the message again. Fields and values are views into
// the frame text, which must outlive the message.
//
// Parsing allocates nothing for a message of up to kInlineFields fields; longer ones take one
// allocation for their fields and one for their index. A copy views the same frame.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/FieldList.h"

namespace td {

class ReceivedMessage {
 public:
  // One field of the body, read as every field is read (MessageField).
  using Field = MessageField;

  static constexpr std::size_t kInlineFields = 32;

  ReceivedMessage() = default;
  ReceivedMessage(const ReceivedMessage& other) { *this = other; }
  ReceivedMessage& operator=(const ReceivedMessage& other);

  // Cuts a frame (length field, 0x03, body) at 0x03, drops the length field, reads every field's
  // tag and value and indexes the fields by tag. False when the frame has no 0x03 after its length:
  // it carries no fields. The type is the integer after the first "=" of the first field (tag 10).
  bool parse(std::string_view frame);

  std::string_view frame() const { return frame_; }
  FieldList fields() const { return {fieldData(), count_}; }
  std::int32_t type() const { return type_; }
  // The value of the last field with the tag that has a value, or nothing.
  std::optional<std::string_view> value(int tag) const;
  // The integer value (leading integer, 0 when none) of a tag, or nothing when absent.
  std::optional<std::int32_t> intValue(int tag) const;
  // The request id of the message: tag 20 or 33, the later field winning.
  std::optional<std::int32_t> requestId() const { return requestId_; }

  // The body for a log line: fields joined by ", ", the password tags masked.
  std::string describe() const;

 private:
  const Field* fieldData() const { return count_ <= kInlineFields ? inlineFields_.data() : moreFields_.data(); }
  Field* fieldData() { return count_ <= kInlineFields ? inlineFields_.data() : moreFields_.data(); }
  bool inlineSlots() const { return slotCount_ <= inlineSlots_.size(); }
  const std::uint32_t* slotData() const { return inlineSlots() ? inlineSlots_.data() : moreSlots_.data(); }
  std::uint32_t* slotData() { return inlineSlots() ? inlineSlots_.data() : moreSlots_.data(); }
  // The next field's place.
  Field& addField();
  // Files field `index` in the index: the later of two fields with one tag takes the slot.
  void index(std::size_t index);
  void buildIndex();

  std::string_view frame_;
  std::int32_t type_ = 0;
  std::optional<std::int32_t> requestId_;
  std::size_t count_ = 0;
  std::array<Field, kInlineFields> inlineFields_;  // the first count_ are set
  std::vector<Field> moreFields_;
  // Open addressing by tag: each slot holds 1 + the index of the last field with that tag (and a
  // value), 0 when empty. slotCount_ is a power of two at least twice the fields.
  std::size_t slotCount_ = 0;
  int slotShift_ = 32;  // 32 - log2(slotCount_): the hash keeps the top bits
  std::array<std::uint32_t, 2 * kInlineFields> inlineSlots_;  // set by parse
  std::vector<std::uint32_t> moreSlots_;
};

}  // namespace td
