#pragma once
// Reading the fields of a received message: the field list (ReceivedMessage::fields(), "tag=value"
// texts in wire order) of a report, a reply or a chat message, one field at a time.

#include <optional>
#include <span>
#include <string_view>

namespace td {

using FieldList = std::span<const std::string_view>;

struct ReportField {
  int tag = 0;                           // the leading integer before the first "=" (0 when none)
  std::optional<std::string_view> value; // the text after the first "<tag>=" of the field
};

// One field: its tag, and its value read as every field is read (all the text after the first
// occurrence of "<tag>=", even when the value holds "<tag>=" again). A field without "=" or whose
// key does not occur has no value.
ReportField readField(std::string_view field);

// The value of the last field with the tag, or nothing.
std::optional<std::string_view> lastValue(FieldList fields, int tag);

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
