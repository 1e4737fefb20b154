#pragma once
// Reading the fields of a received message: one field's text "tag=value", its tag and its value,
// read once when the message is cut (ReceivedMessage), and the field list of a report, a reply or a
// chat message in wire order.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "wire/Separators.h"

namespace td {

// One field: its text, its tag (the leading integer of the text before its first "=", 0 without
// "="), and its value: all the text after the first occurrence of "<tag>=" in the field
// (MessageCracker::GetMessageValue), even when the value holds "<tag>=" again. A field whose key
// does not occur ("x=1", "novalue") has no value. Views into the message text.
class MessageField {
 public:
  // The field of a whole text.
  static MessageField of(std::string_view text) {
    MessageField f;
    const char* end = text.data() + text.size();
    std::uint32_t tag = 0;
    const char* afterTag = readTag(text.data(), end, tag);
    f.read(text.data(), end, afterTag, tag);
    return f;
  }
  // Reads the field that starts at `start` and ends at the next 0x03 (or at `end`) into `f`, and
  // gives that end.
  static const char* readAt(const char* start, const char* end, MessageField& f) {
    std::uint32_t tag = 0;
    const char* afterTag = readTag(start, end, tag);
    const char* stop = afterTag != end && *afterTag == MessageTagSeperator ? afterTag : fieldEnd(afterTag, end);
    f.read(start, stop, afterTag, tag);
    return stop;
  }

  std::string_view text() const { return {data_, size_}; }
  int tag() const { return tag_; }
  bool hasValue() const { return valueAt_ != kNoValue; }
  std::optional<std::string_view> value() const {
    if (valueAt_ == kNoValue) return std::nullopt;
    return std::string_view(data_ + valueAt_, size_ - valueAt_);
  }

 private:
  static constexpr std::uint32_t kNoValue = 0xFFFFFFFFu;

  // The 0x03 that ends the field starting at `start`, or `end`. Most fields are short, and a plain
  // loop finds their end sooner than a call to memchr; long values (data sets) go to memchr.
  static const char* fieldEnd(const char* start, const char* end) {
    const char* p = start;
    for (const char* shortEnd = p + std::min<std::ptrdiff_t>(end - p, 32); p != shortEnd; ++p) {
      if (*p == MessageTagSeperator) return p;
    }
    if (p == end) return end;
    const auto* found =
        static_cast<const char*>(std::memchr(p, MessageTagSeperator, static_cast<std::size_t>(end - p)));
    return found != nullptr ? found : end;
  }

  // The leading digits of a field, at most ten, read as a tag; gives where they end.
  static const char* readTag(const char* start, const char* end, std::uint32_t& tag) {
    const char* p = start;
    for (const char* digitsEnd = start + std::min<std::ptrdiff_t>(end - start, 10); p != digitsEnd; ++p) {
      const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(*p) - '0');
      if (digit > 9) break;
      tag = tag * 10 + digit;
    }
    return p;
  }

  void read(const char* start, const char* stop, const char* afterTag, std::uint32_t tag) {
    data_ = start;
    size_ = static_cast<std::uint32_t>(stop - start);
    valueAt_ = kNoValue;
    tag_ = 0;
    // The usual form: the tag written plainly (one to nine digits, no leading zero) up to the "=".
    const auto digits = afterTag - start;
    if (digits > 0 && digits < 10 && afterTag != stop && *afterTag == '=' && *start != '0') [[likely]] {
      tag_ = static_cast<std::int32_t>(tag);
      valueAt_ = static_cast<std::uint32_t>(digits + 1);
      return;
    }
    readUnusual();
  }
  // A tag not written plainly: leading white space, a sign, leading zeros, a prefix that is not a
  // number.
  void readUnusual();

  // Plain members, so that fields kept in place cost nothing until read.
  const char* data_;
  std::uint32_t size_;
  std::uint32_t valueAt_;
  std::int32_t tag_;
};

using FieldList = std::span<const MessageField>;

// Calls f with each piece of the text between separators, in order: "" gives one empty piece, and a
// separator at the end an empty last piece. Records inside a value are cut this way (rows at 0x06,
// their fields at 0x05).
template <class F>
void forEachPiece(std::string_view text, char separator, F&& f) {
  std::size_t start = 0;
  while (true) {
    const std::size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      f(text.substr(start));
      return;
    }
    f(text.substr(start, pos - start));
    start = pos + 1;
  }
}

}  // namespace td
