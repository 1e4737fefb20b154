#include "wire/TBXML.h"

#include "platform/Resources.h"
#include "wire/NSDataAdditions.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace td {

namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";
constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";

// Every search below is bounded by `end`, the terminating NUL of the buffer.
inline bool startsWith(const char* p, const char* end, std::string_view s) {
  return static_cast<std::size_t>(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

inline char* findByte(char* p, char* end, char c) {
  if (p >= end) return nullptr;
  return static_cast<char*>(std::memchr(p, c, static_cast<std::size_t>(end - p)));
}

inline char* findSeq(char* p, char* end, std::string_view s) {
  if (p >= end) return nullptr;
  return static_cast<char*>(::memmem(p, static_cast<std::size_t>(end - p), s.data(), s.size()));
}

inline char* findTagEnd(char* p, char* end) {
  for (; p < end; ++p) {
    if (*p == '<' || *p == '>') return p;
  }
  return nullptr;
}

inline bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Trims a NUL-terminated text: leading white space skipped, trailing white space cut with NUL.
char* trimText(char* text) {
  while (*text != '\0' && isSpace(*text)) ++text;
  char* e = text + std::strlen(text);
  while (e > text && isSpace(e[-1])) *--e = '\0';
  return text;
}

// Cuts every CDATA opening marker out of [begin, end) together with the next closing marker after
// it; the content between stays. Shifts bytes only inside the range and re-terminates it.
void cutCdataMarkers(char* begin, char* end) {
  char* w = begin;
  char* r = begin;
  while (r < end) {
    if (startsWith(r, end, kCdataOpen)) {
      r += kCdataOpen.size();
      char* close = findSeq(r, end, kCdataClose);
      char* stop = close ? close : end;
      const std::size_t n = static_cast<std::size_t>(stop - r);
      std::memmove(w, r, n);
      w += n;
      r = close ? close + kCdataClose.size() : end;
    } else {
      *w++ = *r++;
    }
  }
  *w = '\0';
}

bool validUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* e = p + s.size();
  while (p < e) {
    const unsigned char c = *p;
    if (c < 0x80) {
      // Fast path over ASCII runs, eight bytes at a time.
      while (e - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ull) break;
        p += 8;
      }
      if (p < e && *p >= 0x80) continue;
      if (p == e) break;
      ++p;
      continue;
    }
    int n = 0;
    std::uint32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
      n = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (e - p <= n) return false;
    for (int i = 1; i <= n; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000)) return false;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    p += n + 1;
  }
  return true;
}

std::optional<std::string> utf8String(const char* p) {
  if (p == nullptr) return std::string();
  std::string_view v(p);
  if (!validUtf8(v)) return std::nullopt;
  return std::string(v);
}

bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

TBXML::TBXML() = default;
TBXML::~TBXML() = default;

std::unique_ptr<TBXML> TBXML::tbxmlWithXMLString(std::string_view text) {
  auto reader = std::make_unique<TBXML>();
  reader->initWithXMLString(text);
  return reader;
}

std::unique_ptr<TBXML> TBXML::tbxmlWithXMLData(const void* bytes, std::size_t length) {
  auto reader = std::make_unique<TBXML>();
  reader->decodeData(bytes, length);
  return reader;
}

std::unique_ptr<TBXML> TBXML::tbxmlWithURL(std::string_view url) {
  std::string path(url);
  if (url.starts_with("file://")) {
    path = std::string(url.substr(7));
  } else if (url.starts_with("file:")) {
    path = std::string(url.substr(5));
  } else if (url.find("://") != std::string_view::npos) {
    return std::make_unique<TBXML>();
  }
  std::string contents;
  if (!readFile(path, contents)) return std::make_unique<TBXML>();
  return tbxmlWithXMLString(contents);
}

std::unique_ptr<TBXML> TBXML::tbxmlWithXMLFile(std::string_view fileNameWithExtension) {
  const auto dot = fileNameWithExtension.rfind('.');
  if (dot == std::string_view::npos) return tbxmlWithXMLFile(fileNameWithExtension, "");
  return tbxmlWithXMLFile(fileNameWithExtension.substr(0, dot), fileNameWithExtension.substr(dot + 1));
}

std::unique_ptr<TBXML> TBXML::tbxmlWithXMLFile(std::string_view fileName, std::string_view extension) {
  std::string path = (Resources::directory() / std::string(fileName)).string();
  if (!extension.empty()) path += "." + std::string(extension);
  const std::optional<std::string> contents = NSDataAdditions::dataWithUncompressedContentsOfFile(path);
  if (!contents) return std::make_unique<TBXML>();
  return tbxmlWithXMLData(contents->data(), contents->size());
}

void TBXML::initWithXMLString(std::string_view text) { decodeData(text.data(), text.size()); }

void TBXML::decodeData(const void* bytes, std::size_t length) {
  bytesLength_ = length;
  bytes_ = std::make_unique<char[]>(length + 1);
  if (length > 0) std::memcpy(bytes_.get(), bytes, length);
  bytes_[length] = '\0';
  decodeBytes();
}

TBXMLElement* TBXML::nextAvailableElement() {
  ++currentElement_;
  if (elementChunks_.empty()) {
    elementChunks_.push_back(std::make_unique<TBXMLElement[]>(kChunkSize));
    currentElement_ = 0;
    rootXMLElement_ = &elementChunks_.back()[0];
  } else if (currentElement_ >= static_cast<std::int64_t>(kChunkSize)) {
    elementChunks_.push_back(std::make_unique<TBXMLElement[]>(kChunkSize));
    currentElement_ = 0;
  }
  return &elementChunks_.back()[static_cast<std::size_t>(currentElement_)];
}

TBXMLAttribute* TBXML::nextAvailableAttribute() {
  ++currentAttribute_;
  if (attributeChunks_.empty() || currentAttribute_ >= static_cast<std::int64_t>(kChunkSize)) {
    attributeChunks_.push_back(std::make_unique<TBXMLAttribute[]>(kChunkSize));
    currentAttribute_ = 0;
  }
  return &attributeChunks_.back()[static_cast<std::size_t>(currentAttribute_)];
}

void TBXML::decodeBytes() {
  char* const begin = bytes_.get();
  char* const end = begin + bytesLength_;  // *end is the terminating NUL
  char* p = begin;
  TBXMLElement* current = nullptr;

  while (p < end) {
    char* lt = findByte(p, end, '<');
    if (lt == nullptr) break;

    if (startsWith(lt, end, kCommentOpen)) {
      char* close = findSeq(lt + kCommentOpen.size(), end, kCommentClose);
      if (close == nullptr) break;
      p = close + kCommentClose.size();
      continue;
    }

    if (startsWith(lt, end, kCdataOpen)) {
      // The section's content becomes plain text of the enclosing element: the content moves over
      // the opening marker, what follows up to the next tag moves over both markers, and the bytes
      // freed before the next tag become spaces (trimmed away with the text). A run of sections
      // with no other tag between them is compacted in one pass, so a long run stays linear.
      char* close = findSeq(lt + kCdataOpen.size(), end, kCdataClose);
      if (close == nullptr) break;
      char* w = lt;
      char* r = lt;
      char* resume = nullptr;  // where an unterminated section of the run lands
      while (true) {
        char* content = r + kCdataOpen.size();
        const auto contentLength = static_cast<std::size_t>(close - content);
        std::memmove(w, content, contentLength);
        w += contentLength;
        r = close + kCdataClose.size();
        char* next = findByte(r, end, '<');
        char* stop = next ? next : end;
        std::memmove(w, r, static_cast<std::size_t>(stop - r));
        w += stop - r;
        r = stop;
        if (next == nullptr || !startsWith(next, end, kCdataOpen)) break;
        close = findSeq(next + kCdataOpen.size(), end, kCdataClose);
        if (close == nullptr) {
          // Not terminated: everything up to the end moves with the run; the parse ends there.
          resume = w;
          std::memmove(w, r, static_cast<std::size_t>(end - r));
          w += end - r;
          r = end;
          break;
        }
      }
      std::memset(w, ' ', static_cast<std::size_t>(r - w));
      p = resume ? resume : r;
      continue;
    }

    // A tag: it ends at the first "<" or ">" after its "<", looking past CDATA sections.
    char* tagEnd = findTagEnd(lt + 1, end);
    while (tagEnd != nullptr && startsWith(tagEnd, end, kCdataOpen)) {
      char* close = findSeq(tagEnd + kCdataOpen.size(), end, kCdataClose);
      tagEnd = close ? findTagEnd(close + kCdataClose.size(), end) : nullptr;
    }
    if (tagEnd == nullptr) break;

    const bool selfClosing = tagEnd[-1] == '/';
    *lt = '\0';
    *tagEnd = '\0';
    char* name = lt + 1;
    p = tagEnd + 1;

    if (*name == '?' || *name == '!') continue;

    if (*name == '/') {
      if (current != nullptr) {
        if (current->text != nullptr) current->text = trimText(current->text);
        TBXMLElement* parent = current->parentElement;
        current = parent;
        if (parent != nullptr && parent->firstChild != nullptr) parent->text = nullptr;
      }
      continue;
    }

    TBXMLElement* element = nextAvailableElement();
    element->name = name;
    if (current != nullptr) {
      if (current->currentChild != nullptr) {
        current->currentChild->nextSibling = element;
        element->previousSibling = current->currentChild;
      } else {
        current->firstChild = element;
      }
      current->currentChild = element;
      element->parentElement = current;
    }

    char* nameEnd = name;
    while (nameEnd < tagEnd && *nameEnd != ' ' && *nameEnd != '/') ++nameEnd;
    if (nameEnd < tagEnd) {
      *nameEnd = '\0';
      enum class State { BeforeName, InName, BeforeValue, InValue, InCdata };
      State state = State::BeforeName;
      char* attrName = nullptr;
      char* valueStart = nullptr;
      char quote = '\0';
      TBXMLAttribute* lastAttribute = nullptr;
      for (char* c = nameEnd + 1; c <= tagEnd; ++c) {
        switch (state) {
          case State::BeforeName:
            if (!isSpace(*c)) {
              attrName = c;
              state = State::InName;
            }
            break;
          case State::InName:
            if (isSpace(*c) || *c == '=') {
              *c = '\0';
              state = State::BeforeValue;
            }
            break;
          case State::BeforeValue:
            if (*c == '"' || *c == '\'') {
              quote = *c;
              valueStart = c + 1;
              state = State::InValue;
            }
            break;
          case State::InValue:
            if (startsWith(c, tagEnd, kCdataOpen)) {
              state = State::InCdata;
              c += kCdataOpen.size() - 1;
            } else if (*c == quote) {
              *c = '\0';
              cutCdataMarkers(valueStart, c);
              TBXMLAttribute* attribute = nextAvailableAttribute();
              attribute->name = attrName;
              attribute->value = valueStart;
              if (lastAttribute != nullptr) {
                lastAttribute->next = attribute;
              } else {
                element->firstAttribute = attribute;
              }
              lastAttribute = attribute;
              state = State::BeforeName;
            }
            break;
          case State::InCdata:
            if (startsWith(c, tagEnd, kCdataClose)) {
              state = State::InValue;
              c += kCdataClose.size() - 1;
            }
            break;
        }
      }
    }

    if (!selfClosing) {
      element->text = (tagEnd[1] == '>') ? nullptr : tagEnd + 1;
      current = element;
    }
  }
}

bool TBXML::isValidUtf8(std::string_view bytes) { return validUtf8(bytes); }

std::optional<std::string> TBXML::elementName(const TBXMLElement* element) {
  return utf8String(element ? element->name : nullptr);
}

std::optional<std::string> TBXML::textForElement(const TBXMLElement* element) {
  return utf8String(element ? element->text : nullptr);
}

std::optional<std::string> TBXML::attributeName(const TBXMLAttribute* attribute) {
  return utf8String(attribute ? attribute->name : nullptr);
}

std::optional<std::string> TBXML::attributeValue(const TBXMLAttribute* attribute) {
  return utf8String(attribute ? attribute->value : nullptr);
}

std::string_view TBXML::nameView(const TBXMLElement* element) {
  return element && element->name ? std::string_view(element->name) : std::string_view();
}

std::string_view TBXML::textView(const TBXMLElement* element) {
  return element && element->text ? std::string_view(element->text) : std::string_view();
}

std::string_view TBXML::nameView(const TBXMLAttribute* attribute) {
  return attribute && attribute->name ? std::string_view(attribute->name) : std::string_view();
}

std::string_view TBXML::valueView(const TBXMLAttribute* attribute) {
  return attribute && attribute->value ? std::string_view(attribute->value) : std::string_view();
}

std::optional<std::string> TBXML::valueOfAttributeNamed(std::string_view name, const TBXMLElement* element) {
  if (element == nullptr) return std::nullopt;
  for (const TBXMLAttribute* a = element->firstAttribute; a != nullptr; a = a->next) {
    if (a->name != nullptr && std::string_view(a->name) == name) return utf8String(a->value);
  }
  return std::nullopt;
}

TBXMLElement* TBXML::childElementNamed(std::string_view name, const TBXMLElement* parent) {
  if (parent == nullptr) return nullptr;
  for (TBXMLElement* e = parent->firstChild; e != nullptr; e = e->nextSibling) {
    if (e->name != nullptr && std::string_view(e->name) == name) return e;
  }
  return nullptr;
}

TBXMLElement* TBXML::nextSiblingNamed(std::string_view name, const TBXMLElement* from) {
  if (from == nullptr) return nullptr;
  for (TBXMLElement* e = from->nextSibling; e != nullptr; e = e->nextSibling) {
    if (e->name != nullptr && std::string_view(e->name) == name) return e;
  }
  return nullptr;
}

}  // namespace td
