#include "wire/MessageChecker.h"

namespace td {
namespace {

void replaceAll(std::string& text, std::string_view needle, std::string_view replacement) {
  std::string result;
  std::size_t from = 0;
  std::size_t at = text.find(needle);
  if (at == std::string::npos) return;
  result.reserve(text.size());
  while (at != std::string::npos) {
    result.append(text, from, at - from);
    result.append(replacement);
    from = at + needle.size();
    at = text.find(needle, from);
  }
  result.append(text, from, std::string::npos);
  text.swap(result);
}

// Walks the original text from tag to tag; each tag text found ("<" up to, not including, the next
// ">") is replaced, followed by ">", everywhere in the working copy. A round that finds no further tag
// repeats the previous tag text; the first round starts from the empty tag text, so a text without any
// "<" loses every ">".
std::string stripTags(std::string_view text, std::string_view replacement) {
  std::string working(text);
  std::string tag;
  std::size_t pos = 0;
  while (pos < text.size()) {
    pos = text.find('<', pos);
    if (pos == std::string_view::npos) {
      pos = text.size();
    } else {
      std::size_t close = text.find('>', pos);
      if (close == std::string_view::npos) close = text.size();
      tag.assign(text.substr(pos, close - pos));
      pos = close;
    }
    replaceAll(working, tag + '>', replacement);
  }
  return working;
}

}  // namespace

std::string_view MessageChecker::CheckMessage(std::string_view text) {
  const std::size_t first = text.find('>');
  if (first == std::string_view::npos || first == 0) return {};
  const std::string_view opening = text.substr(0, first + 1);
  const std::string closing = "</" + std::string(opening.substr(1));
  return text.find(closing) != std::string_view::npos ? opening : std::string_view{};
}

std::string MessageChecker::flattenHTML(std::string_view text) { return stripTags(text, " "); }

std::string MessageChecker::removeTags(std::string_view text) { return stripTags(text, ""); }

}  // namespace td
