#pragma once
// Header fields of HTTP messages. Response headers are looked up without regard to letter case and
// keep the spelling and order in which they arrived; a field that arrives twice is joined with ", "
// (its Set-Cookie lines are kept one by one as well, since cookie dates contain commas).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace td {

// Letter case of US-ASCII only, as HTTP compares names (and without the locale's cost).
inline unsigned char asciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Inline: header lookups compare names with it field after field, and most differ in length.
inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

std::string toLower(std::string_view text);
std::string trimWhitespace(std::string_view text);
// Whether a text holds CR, LF or NUL, which would end or split a line of a message head: such a
// text never reaches the wire.
bool holdsLineBreakOrNul(std::string_view text);
// Whether a byte may stand in a token: a letter, digit or one of !#$%&'*+-.^_`|~, whatever the locale.
bool isTokenChar(char c);
// Whether a text is a token, as a field name must be: one or more of the letters, digits and
// !#$%&'*+-.^_`|~ (so no colon, blank, control character or byte outside US-ASCII).
bool isToken(std::string_view text);
// The text in double quotes with CR, LF and NUL written as \r, \n and \0, for error texts.
std::string quotedWithVisibleBreaks(std::string_view text);

class HTTPHeaders {
 public:
  using Field = std::pair<std::string, std::string>;

  // The value of the field, if present (any letter case).
  const std::string* find(std::string_view name) const;
  std::optional<std::string> get(std::string_view name) const;
  bool contains(std::string_view name) const { return find(name) != nullptr; }
  // Replaces the value of the field (keeping its first spelling) or appends the field.
  void set(std::string_view name, std::string value);
  // Appends a value to the field, joined with ", ", or appends the field. Returns the field's index
  // in fields().
  std::size_t add(std::string_view name, std::string_view value);
  // Continues the value of the field at `index` with a folded line, after a space (an empty line
  // adds nothing).
  void continueField(std::size_t index, std::string_view more);
  void remove(std::string_view name);
  void clear() { fields_.clear(); }
  void reserve(std::size_t fields) { fields_.reserve(fields); }

  const std::vector<Field>& fields() const { return fields_; }
  bool empty() const { return fields_.empty(); }
  std::size_t size() const { return fields_.size(); }

  friend bool operator==(const HTTPHeaders& a, const HTTPHeaders& b) { return a.fields_ == b.fields_; }

 private:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  std::size_t indexOf(std::string_view name) const;

  std::vector<Field> fields_;
};

// The header fields a request is given: one value per name, names compared without regard to
// letter case. Setting a name again replaces the earlier field, its spelling too, so the field sent
// is written as it was last set; every lookup finds it however it is written.
class HTTPHeaderMap {
 public:
  struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  using Map = std::map<std::string, std::string, NameLess>;

  void set(std::string_view name, std::string value);
  const std::string* find(std::string_view name) const;
  bool contains(std::string_view name) const { return map_.find(name) != map_.end(); }
  void remove(std::string_view name);
  void clear() { map_.clear(); }

  Map::const_iterator begin() const { return map_.begin(); }
  Map::const_iterator end() const { return map_.end(); }
  bool empty() const { return map_.empty(); }
  std::size_t size() const { return map_.size(); }

  friend bool operator==(const HTTPHeaderMap& a, const HTTPHeaderMap& b) { return a.map_ == b.map_; }

 private:
  Map map_;
};

// One response head: the status line and the header fields.
struct HTTPResponseHead {
  std::string statusLine;    // the whole first line, e.g. "HTTP/1.1 200 OK"
  std::string httpVersion;   // "HTTP/1.1"
  int statusCode = 0;
  HTTPHeaders headers;
  std::vector<std::string> setCookies;  // each Set-Cookie value as it arrived
};

// Builds response heads from header lines as the transport hands them over (each line with or
// without its CR LF). A head is complete at its empty line; heads of interim (1xx) responses are
// dropped. Malformed status lines make no head; a header line without a colon is ignored.
class HTTPResponseHeadParser {
 public:
  // Feeds one line. True when it completed a final (non-1xx) head, available from head().
  bool addLine(std::string_view line);
  // The head completed last (valid once addLine returned true).
  const HTTPResponseHead& head() const { return head_; }
  // Hands the head completed last over instead of copying it; head() is empty after it. The next
  // status line starts a fresh head.
  HTTPResponseHead takeHead() { return std::exchange(head_, HTTPResponseHead()); }
  bool complete() const { return complete_; }
  // Starts over (for the next response on the same transfer).
  void reset();

 private:
  HTTPResponseHead head_;
  bool inHead_ = false;
  bool complete_ = false;
  std::optional<std::size_t> lastField_;  // index of the field a folded line continues
};

// Parses a status line "HTTP/1.1 200 OK" (the reason may be missing).
bool parseStatusLine(std::string_view line, std::string& version, int& code);

// A "Content-Length" value as a decimal count; nothing for anything that is not plain digits
// (optionally surrounded by white space) or that overflows 64 bits.
std::optional<std::uint64_t> parseContentLength(std::string_view value);

// The "timeout=" and "max=" numbers of a "Keep-Alive" header: the timeout is the number after
// "timeout=", the max the number after a "max=" that follows it. Missing numbers are 0.
struct KeepAliveValues {
  long timeout = 0;
  long max = 0;
};
KeepAliveValues parseKeepAlive(std::string_view value);

// Splits a content type into its MIME type and its charset name (when one follows "charset=").
struct ContentType {
  std::string mimeType;
  std::optional<std::string> charset;
};
std::optional<ContentType> parseContentType(std::optional<std::string_view> contentType);

}  // namespace td
