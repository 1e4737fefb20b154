#include "ui/news/NewsFeed.h"

#include <unicode/utf8.h>

#include <cstdint>

#include "http/HTTPHeaders.h"
#include "http/HTTPUtilities.h"
#include "wire/TBXML.h"

namespace td {
namespace {

bool isXmlChar(std::uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
         (cp >= 0x10000 && cp <= 0x10FFFF);
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  char bytes[U8_MAX_LENGTH];
  std::int32_t length = 0;
  U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(cp));
  out.append(bytes, static_cast<std::size_t>(length));
}

// The code point of a character reference's body ("#38", "#x26"), or nothing.
std::optional<std::uint32_t> characterReference(std::string_view body) {
  if (body.size() < 2 || body[0] != '#') return std::nullopt;
  const bool hex = body[1] == 'x';
  const std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t cp = 0;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return std::nullopt;
    cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
  }
  if (!isXmlChar(cp)) return std::nullopt;
  return cp;
}

std::optional<char> predefinedEntity(std::string_view name) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  return std::nullopt;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string newsFeedAddress(std::string_view host, std::string_view category) {
  std::string address = "http://";
  address += host;
  address += "//news/Service1.asmx/Rss2_V2?category=";
  address += category;
  address += "&newsID=&maxCount=";
  return address;
}

std::optional<std::string> xmlDeclaredEncoding(std::string_view body) {
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  if (body.substr(0, 5) != "<?xml" || body.size() < 6 || !isSpace(body[5])) return std::nullopt;
  const auto end = body.find("?>");
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view decl = body.substr(5, end - 5);
  const auto key = decl.find("encoding");
  if (key == std::string_view::npos || key == 0 || !isSpace(decl[key - 1])) return std::nullopt;
  decl.remove_prefix(key + 8);
  while (!decl.empty() && isSpace(decl.front())) decl.remove_prefix(1);
  if (decl.empty() || decl.front() != '=') return std::nullopt;
  decl.remove_prefix(1);
  while (!decl.empty() && isSpace(decl.front())) decl.remove_prefix(1);
  if (decl.empty() || (decl.front() != '"' && decl.front() != '\'')) return std::nullopt;
  const char quote = decl.front();
  decl.remove_prefix(1);
  const auto close = decl.find(quote);
  if (close == std::string_view::npos) return std::nullopt;
  return ianaCharsetName(decl.substr(0, close));
}

FeedText decodeFeedText(std::string_view body, std::optional<std::string_view> contentType) {
  std::optional<std::string> encoding;
  if (const auto parsed = parseContentType(contentType); parsed && parsed->charset)
    encoding = ianaCharsetName(*parsed->charset);
  if (!encoding) encoding = xmlDeclaredEncoding(body);
  if (!encoding) encoding = ISOLatin1Encoding;
  return {decodeText(body, *encoding), *encoding};
}

std::string decodeXmlEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto amp = text.find('&', i);
    out.append(text.substr(i, amp - i));
    if (amp == std::string_view::npos) break;
    i = amp + 1;
    const auto semi = text.find(';', i);
    // Entity names and references are short: a ";" further on ends something else.
    if (semi == std::string_view::npos || semi - i > 10) {
      out.push_back('&');
      continue;
    }
    const std::string_view body = text.substr(i, semi - i);
    if (const auto cp = characterReference(body)) {
      appendUtf8(out, *cp);
      i = semi + 1;
    } else if (const auto c = predefinedEntity(body)) {
      out.push_back(*c);
      i = semi + 1;
    } else {
      out.push_back('&');
    }
  }
  return out;
}

std::vector<NewsItem> parseNewsItems(std::string_view xml) {
  std::vector<NewsItem> items;
  const auto document = TBXML::tbxmlWithXMLString(xml);
  // Depth first, an element before its children and its children before its next sibling; the
  // siblings still to visit wait on a stack of our own, so that no nesting depth exhausts the
  // call stack.
  std::vector<const TBXMLElement*> later;
  const TBXMLElement* element = document->rootXMLElement();
  while (element != nullptr || !later.empty()) {
    if (element == nullptr) {
      element = later.back();
      later.pop_back();
      continue;
    }
    if (TBXML::nameView(element) == "item") {
      NewsItem& item = items.emplace_back();
      for (const TBXMLElement* child = element->firstChild; child != nullptr; child = child->nextSibling)
        item[std::string(TBXML::nameView(child))] = decodeXmlEntities(TBXML::textView(child));
    }
    if (element->firstChild != nullptr) {
      if (element->nextSibling != nullptr) later.push_back(element->nextSibling);
      element = element->firstChild;
    } else {
      element = element->nextSibling;
    }
  }
  return items;
}

}  // namespace td
