#pragma once
// Text operations on received messages. GetMessageValue is how every field of every received message
// is read: the caller cuts the body at 0x03 and hands over one field with the key "<tag>=".
//
// Results are views into the text passed in: keep that text alive while using them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace td {

class MessageCracker {
 public:
  // Everything after the first occurrence of the key (exact, case-sensitive, blind to field
  // boundaries), even when the key occurs again in it: "1+17=18" with the key "17=" gives "18",
  // "5=A5=B" with the key "5=" gives "A5=B". An empty value is a value. A key that does not occur
  // (or an empty key) writes the line "GetMessageValue Exception: ..." and gives nothing.
  static std::optional<std::string_view> GetMessageValue(std::string_view text, std::string_view key);

  // The text between the opening marker (such as "<Rows>") and its closing marker ("</" followed by
  // the opening marker without its first character), both found from the start of the text. "" when
  // either is missing or the closing marker comes first.
  static std::string_view GetXML(std::string_view text, std::string_view openingMarker);

  // From the first occurrence of the start marker (included) up to the first occurrence of the end
  // marker (excluded). Nothing when either marker is missing or the end marker comes first.
  static std::optional<std::string_view> stringBetweenString(std::string_view text, std::string_view startMarker,
                                                             std::string_view endMarker);

  // Chart text "<header>" followed by rows joined by "#", each row values joined by ",", optionally
  // ended by "<END>": each row cut to its last noOfDataRequired values and the result ended by "<END>".
  // When any row holds noOfDataRequired values or fewer, or the text has no header, the text comes
  // back unchanged.
  static std::string GetRequiredChartData(std::string_view text, std::uint32_t noOfDataRequired);
};

}  // namespace td
