#pragma once
// Removal of mark-up tags from text (the chart-history text of the price charts).

#include <string>
#include <string_view>

namespace td {

class MessageChecker {
 public:
  // The opening tag (the text up to and including its first ">") when the text starts with one whose
  // closing tag ("</" and the tag without its "<") occurs in it; otherwise "". A view into the text.
  static std::string_view CheckMessage(std::string_view text);

  // The text with every tag replaced by one space.
  static std::string flattenHTML(std::string_view text);

  // The text with every tag removed.
  static std::string removeTags(std::string_view text);
};

}  // namespace td
