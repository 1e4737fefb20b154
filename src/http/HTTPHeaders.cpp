#include "http/HTTPHeaders.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace td {

std::string toLower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

namespace {

std::string_view trimmed(std::string_view text) {
  auto space = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  std::size_t b = 0, e = text.size();
  while (b < e && space(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && space(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

}  // namespace

std::string trimWhitespace(std::string_view text) { return std::string(trimmed(text)); }

bool holdsLineBreakOrNul(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

bool isTokenChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), isTokenChar); }

std::string quotedWithVisibleBreaks(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\0') out += "\\0";
    else out += c;
  }
  return out + "\"";
}

std::size_t HTTPHeaders::indexOf(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (equalsIgnoringCase(fields_[i].first, name)) return i;
  return npos;
}

const std::string* HTTPHeaders::find(std::string_view name) const {
  const std::size_t i = indexOf(name);
  return i == npos ? nullptr : &fields_[i].second;
}

std::optional<std::string> HTTPHeaders::get(std::string_view name) const {
  if (const std::string* v = find(name)) return *v;
  return std::nullopt;
}

void HTTPHeaders::set(std::string_view name, std::string value) {
  if (const std::size_t i = indexOf(name); i != npos) fields_[i].second = std::move(value);
  else fields_.emplace_back(std::piecewise_construct, std::forward_as_tuple(name), std::forward_as_tuple(std::move(value)));
}

std::size_t HTTPHeaders::add(std::string_view name, std::string_view value) {
  if (const std::size_t i = indexOf(name); i != npos) {
    fields_[i].second.append(", ").append(value);
    return i;
  }
  // Built in place: a pair made of two temporaries would copy both strings once more.
  fields_.emplace_back(std::piecewise_construct, std::forward_as_tuple(name), std::forward_as_tuple(value));
  return fields_.size() - 1;
}

void HTTPHeaders::continueField(std::size_t index, std::string_view more) {
  std::string& value = fields_.at(index).second;
  if (more.empty()) return;
  if (!value.empty()) value += ' ';
  value += more;
}

void HTTPHeaders::remove(std::string_view name) {
  std::erase_if(fields_, [&](const Field& f) { return equalsIgnoringCase(f.first, name); });
}

bool HTTPHeaderMap::NameLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return asciiLower(x) < asciiLower(y);
  });
}

void HTTPHeaderMap::set(std::string_view name, std::string value) {
  if (auto it = map_.find(name); it != map_.end()) {
    if (it->first != name) {
      auto node = map_.extract(it);
      node.key() = name;
      node.mapped() = std::move(value);
      map_.insert(std::move(node));
    } else {
      it->second = std::move(value);
    }
    return;
  }
  map_.emplace(std::string(name), std::move(value));
}

const std::string* HTTPHeaderMap::find(std::string_view name) const {
  const auto it = map_.find(name);
  return it == map_.end() ? nullptr : &it->second;
}

void HTTPHeaderMap::remove(std::string_view name) {
  if (auto it = map_.find(name); it != map_.end()) map_.erase(it);
}

bool parseStatusLine(std::string_view line, std::string& version, int& code) {
  if (line.size() < 12 || line.substr(0, 5) != "HTTP/") return false;
  const auto space = line.find(' ');
  if (space == std::string_view::npos || space + 4 > line.size()) return false;
  version = std::string(line.substr(0, space));
  std::string_view digits = line.substr(space + 1, 3);
  if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) return false;
  if (space + 4 < line.size() && line[space + 4] != ' ') return false;
  code = (digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0');
  return true;
}

void HTTPResponseHeadParser::reset() {
  head_ = HTTPResponseHead();
  inHead_ = false;
  complete_ = false;
  lastField_.reset();
}

bool HTTPResponseHeadParser::addLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (!inHead_) {
    if (line.empty()) return false;  // stray blank line between responses
    HTTPResponseHead fresh;
    if (!parseStatusLine(line, fresh.httpVersion, fresh.statusCode)) return false;
    fresh.statusLine = std::string(line);
    fresh.headers.reserve(16);
    head_ = std::move(fresh);
    inHead_ = true;
    complete_ = false;
    lastField_.reset();
    return false;
  }
  if (line.empty()) {
    inHead_ = false;
    if (head_.statusCode >= 100 && head_.statusCode < 200 && head_.statusCode != 101) return false;
    complete_ = true;
    return true;
  }
  if ((line.front() == ' ' || line.front() == '\t') && lastField_) {
    // A folded continuation of the previous field.
    const std::string_view more = trimmed(line);
    head_.headers.continueField(*lastField_, more);
    if (equalsIgnoringCase(head_.headers.fields()[*lastField_].first, "Set-Cookie") && !head_.setCookies.empty())
      head_.setCookies.back().append(" ").append(more);
    return false;
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view name = trimmed(line.substr(0, colon));
  if (name.empty()) return false;
  const std::string_view value = trimmed(line.substr(colon + 1));
  if (equalsIgnoringCase(name, "Set-Cookie")) head_.setCookies.emplace_back(value);
  lastField_ = head_.headers.add(name, value);
  return false;
}

std::optional<std::uint64_t> parseContentLength(std::string_view value) {
  const std::string_view v = trimmed(value);
  if (v.empty()) return std::nullopt;
  std::uint64_t n = 0;
  for (unsigned char c : v) {
    if (!std::isdigit(c)) return std::nullopt;
    const std::uint64_t d = c - '0';
    if (n > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return std::nullopt;
    n = n * 10 + d;
  }
  return n;
}

namespace {

// Like a scanner's "scan up to TEXT, skip TEXT, scan an integer": the number after the first
// occurrence of `key` at or after `from`; 0 when absent. Returns the position after the number.
std::size_t scanNumberAfter(std::string_view text, std::string_view key, std::size_t from, long& out) {
  out = 0;
  const auto at = text.find(key, from);
  if (at == std::string_view::npos) return from;
  std::size_t i = at + key.size();
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long n = 0;
  bool any = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    if (n < 100000000) n = n * 10 + (text[i] - '0');
    ++i;
    any = true;
  }
  if (any) out = negative ? -n : n;
  return i;
}

}  // namespace

KeepAliveValues parseKeepAlive(std::string_view value) {
  KeepAliveValues out;
  const auto timeoutAt = value.find("timeout=");
  std::size_t pos = 0;
  if (timeoutAt != std::string_view::npos) pos = scanNumberAfter(value, "timeout=", 0, out.timeout);
  scanNumberAfter(value, "max=", pos, out.max);
  return out;
}

std::optional<ContentType> parseContentType(std::optional<std::string_view> contentType) {
  if (!contentType) return std::nullopt;
  const std::string_view text = *contentType;
  ContentType out;
  const auto semicolon = text.find(';');
  if (semicolon != std::string_view::npos && semicolon > 0) {
    out.mimeType = trimmed(text.substr(0, semicolon));
    const auto charsetAt = text.find("charset=", semicolon);
    if (charsetAt != std::string_view::npos && charsetAt + 8 < text.size()) {
      std::string_view rest = text.substr(charsetAt + 8);
      const auto end = rest.find(';');
      std::string_view name = trimmed(rest.substr(0, end));
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
      if (!name.empty()) out.charset = std::string(name);
    }
  } else {
    out.mimeType = trimmed(text);
  }
  return out;
}

}  // namespace td
