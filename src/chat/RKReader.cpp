#include "chat/RKReader.h"

#include <algorithm>
#include <array>
#include <limits>

namespace td {

// One row of the keyword table: the control word, its default parameter, whether the default
// always wins, what it does and the index of its character, property or special action.
struct RKReader::Keyword {
  enum class Kind { Character, Destination, Property, Special };
  std::string_view keyword;
  std::int32_t defaultParam;
  bool useDefault;
  Kind kind;
  int index;
};

namespace {

// Property indices.
constexpr int kFontIndex = 0, kFontSize = 1, kBold = 2, kItalic = 3, kIndentLeft = 4, kIndentRight = 5,
              kIndentFirst = 6, kJustification = 7, kUnicodeSkip = 8;
// Special actions.
constexpr int kBinary = 0, kHex = 1, kSkipIfUnknown = 2, kUnicode = 3;

// The fallback characters a "\ucN" may ask to skip after each "\uN".
constexpr std::int32_t kMaxUnicodeSkip = 16;

constexpr std::uint32_t kReplacement = 0xFFFD;

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined become the replacement
// character. From 0xA0 on it matches Latin-1.
constexpr std::array<std::uint16_t, 32> kWindows1252 = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::uint32_t windows1252(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kWindows1252[byte - 0x80] : byte;
}

bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

int hexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

const std::vector<RKReader::Keyword>& RKReader::keywords() {
  using K = Keyword;
  using Kd = K::Kind;
  static const std::vector<K> table = [] {
    constexpr auto C = Kd::Character;
    constexpr auto D = Kd::Destination;
    constexpr auto P = Kd::Property;
    constexpr auto S = Kd::Special;
    std::vector<K> rows = {
        {"f", 0, true, P, kFontIndex},
        {"fs", 10, true, P, kFontSize},
        {"b", 1, false, P, kBold},
        {"i", 1, false, P, kItalic},
        {"li", 0, false, P, kIndentLeft},
        {"ri", 0, false, P, kIndentRight},
        {"fi", 0, false, P, kIndentFirst},
        {"qc", 2, true, P, kJustification},
        {"ql", 0, true, P, kJustification},
        {"qr", 1, true, P, kJustification},
        {"qj", 3, true, P, kJustification},
        {"uc", 1, false, P, kUnicodeSkip},
        {"par", 0, false, C, '\n'},
        {"\n", 0, false, C, '\n'},
        {"\r", 0, false, C, '\n'},
        {"emspace", 0, false, C, ' '},
        {"enspace", 0, false, C, ' '},
        {"~", 0, false, C, ' '},
        {"lquote", 0, false, C, '\''},
        {"rquote", 0, false, C, '\''},
        {"-", 0, false, C, '-'},
        {"_", 0, false, C, '-'},
        {"emdash", 0, false, C, '-'},
        {"endash", 0, false, C, '-'},
        {"line", 0, false, C, '\n'},
        {"page", 0, false, C, '\n'},
        {"pagebb", 0, false, C, '\n'},
        {"outlinelevel", 0, false, C, '\n'},
        {"tab", 0, false, C, '\t'},
        {"ldblquote", 0, false, C, '"'},
        {"rdblquote", 0, false, C, '"'},
        {"bin", 0, false, S, kBinary},
        {"*", 0, false, S, kSkipIfUnknown},
        {"'", 0, false, S, kHex},
        {"u", 0, false, S, kUnicode},
        {"{", 0, false, C, '{'},
        {"}", 0, false, C, '}'},
        {"\\", 0, false, C, '\\'},
    };
    for (const std::string_view destination :
         {"author", "buptim", "colortbl", "comment", "creatim", "doccomm", "fonttbl", "footer", "footerf",
          "footerl", "footerr", "footnote", "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl",
          "headerr", "info", "keywords", "operator", "pict", "printim", "private1", "revtim", "rxe",
          "stylesheet", "subject", "tc", "title", "txe", "xe"}) {
      rows.push_back({destination, 0, false, D, 2});
    }
    std::sort(rows.begin(), rows.end(), [](const K& a, const K& b) { return a.keyword < b.keyword; });
    return rows;
  }();
  return table;
}

std::string RKReader::ConvertRTFtoString(std::string_view rtf) { return read(rtf).text; }

RKReader::Result RKReader::read(std::string_view rtf) {
  RKReader reader(rtf);
  reader.result_.text.reserve(rtf.size());
  reader.result_.fontRuns.emplace_back();
  reader.result_.paragraphRuns.emplace_back();
  reader.parse();
  return std::move(reader.result_);
}

void RKReader::problem(Status status) {
  if (result_.problem == Status::Ok) result_.problem = status;
}

int RKReader::getCharacterFromBuffer() {
  if (pushedBack_ >= 0) {
    const int byte = pushedBack_;
    pushedBack_ = -1;
    return byte;
  }
  if (bufferPosition_ >= source_.size()) return -1;
  return static_cast<unsigned char>(source_[bufferPosition_++]);
}

// A byte that is plain text wherever it stands: no group mark, no control word, no raw line break,
// no byte of a multi-byte character.
static bool isPlainByte(char c) {
  return static_cast<unsigned char>(c) < 0x80 && c != '{' && c != '}' && c != '\\' && c != '\r' && c != '\n';
}

void RKReader::parse() {
  for (;;) {
    // Plain text in the body is taken a run at a time.
    if (pushedBack_ < 0 && internalState_ == Internal::Normal && destinationState_ == Destination::Normal &&
        skipRemaining_ == 0 && pendingLength_ == 0 && highSurrogate_ == 0) {
      std::size_t end = bufferPosition_;
      while (end < source_.size() && isPlainByte(source_[end])) ++end;
      if (end > bufferPosition_) {
        result_.text.append(source_.substr(bufferPosition_, end - bufferPosition_));
        destinationLength_ += static_cast<std::int32_t>(end - bufferPosition_);
        bufferPosition_ = end;
      }
    }
    const int ch = getCharacterFromBuffer();
    if (ch < 0) break;
    if (internalState_ == Internal::Binary) {
      parseCharacter(ch);
      continue;
    }
    switch (ch) {
      case '{':
        pushState();
        continue;
      case '}':
        popState();
        continue;
      case '\\':
        parseNextKeyword();
        continue;
      case '\r':
      case '\n':
        continue;
      default:
        break;
    }
    if (internalState_ == Internal::Normal) {
      parseCharacter(ch);
      continue;
    }
    // A hex escape: two hex digits make one byte.
    const int digit = hexValue(ch);
    if (digit < 0) {
      problem(Status::BadHexDigit);
      internalState_ = Internal::Normal;
      hexValue_ = hexDigits_ = 0;
      parseCharacter(ch);
      continue;
    }
    hexValue_ = hexValue_ * 16 + digit;
    if (++hexDigits_ == 2) {
      internalState_ = Internal::Normal;
      const int byte = hexValue_;
      hexValue_ = hexDigits_ = 0;
      parseCharacter(byte);
    }
  }
  if (!stack_.empty()) problem(Status::UnclosedGroup);
  if (highSurrogate_) storeCodePoint(kReplacement);
  flushPending();
  setRunRangeEnd(destinationLength_);
}

void RKReader::parseNextKeyword() {
  int ch = getCharacterFromBuffer();
  if (ch < 0) {
    problem(Status::EndAfterBackslash);
    return;
  }
  if (!isLetter(ch)) {
    const char symbol = static_cast<char>(ch);
    translateKeyword(std::string_view(&symbol, 1), 0, false);
    return;
  }
  char keyword[kMaxKeywordLength];
  std::size_t length = 0;
  bool tooLong = false;
  while (isLetter(ch)) {
    if (length < kMaxKeywordLength) {
      keyword[length++] = static_cast<char>(ch);
    } else {
      tooLong = true;
    }
    ch = getCharacterFromBuffer();
  }
  bool negative = false;
  if (ch == '-') {
    negative = true;
    ch = getCharacterFromBuffer();
    if (ch < 0) {
      problem(Status::EndAfterBackslash);
      return;
    }
  }
  bool fParam = false;
  std::int64_t value = 0;
  if (isDigit(ch)) {
    fParam = true;
    while (isDigit(ch)) {
      // Digits beyond the 32-bit range are read and leave the value at its limit.
      if (value <= std::numeric_limits<std::int32_t>::max()) value = value * 10 + (ch - '0');
      ch = getCharacterFromBuffer();
    }
    if (negative) value = -value;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    lParam_ = static_cast<std::int32_t>(value);
  }
  // The delimiter: a space belongs to the control word, anything else is read again.
  if (ch >= 0 && ch != ' ') putCharacter(ch);
  // A control word too long for the table is an unknown one.
  translateKeyword(tooLong ? std::string_view() : std::string_view(keyword, length), static_cast<std::int32_t>(value),
                   fParam);
}

void RKReader::translateKeyword(std::string_view keyword, std::int32_t param, bool fParam) {
  const auto& table = keywords();
  const auto it = std::lower_bound(table.begin(), table.end(), keyword,
                                   [](const Keyword& row, std::string_view key) { return row.keyword < key; });
  const bool found = !keyword.empty() && it != table.end() && it->keyword == keyword;
  // "\u" names its character by its number: without one it is no word this reader knows.
  const bool unicodeWithoutNumber = found && it->kind == Keyword::Kind::Special && it->index == kUnicode && !fParam;
  if (!found || unicodeWithoutNumber) {
    if (fSkipDestIfUnk_) destinationState_ = Destination::Skip;
    fSkipDestIfUnk_ = false;
    return;
  }
  fSkipDestIfUnk_ = false;
  switch (it->kind) {
    case Keyword::Kind::Character:
      parseCharacter(it->index);
      return;
    case Keyword::Kind::Destination:
      destinationState_ = Destination::Skip;
      return;
    case Keyword::Kind::Property:
      applyPropertyChange(it->index, it->useDefault || !fParam ? it->defaultParam : param);
      return;
    case Keyword::Kind::Special:
      parseSpecialKeyword(it->index, param);
      return;
  }
}

void RKReader::parseSpecialKeyword(int index, std::int32_t param) {
  if (destinationState_ == Destination::Skip && index != kBinary) return;
  switch (index) {
    case kBinary:
      internalState_ = Internal::Binary;
      cbBin_ = lParam_;
      return;
    case kHex:
      internalState_ = Internal::Hex;
      return;
    case kSkipIfUnknown:
      fSkipDestIfUnk_ = true;
      return;
    case kUnicode:
      unicodeCharacter(param);
      return;
    default:
      return;
  }
}

void RKReader::unicodeCharacter(std::int32_t param) {
  // The parameter is a signed 16-bit number: a negative one stands for the unit above 32767.
  const std::uint32_t unit = static_cast<std::uint32_t>(param < 0 ? param + 65536 : param) & 0xFFFFu;
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    if (highSurrogate_) storeCodePoint(kReplacement);
    highSurrogate_ = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (highSurrogate_) {
      const std::uint32_t high = highSurrogate_;
      highSurrogate_ = 0;
      storeCodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
    } else {
      storeCodePoint(kReplacement);
    }
  } else {
    if (highSurrogate_) {
      highSurrogate_ = 0;
      storeCodePoint(kReplacement);
    }
    storeCodePoint(unit);
  }
  skipRemaining_ = unicodeSkip_;
}

void RKReader::applyPropertyChange(int property, std::int32_t value) {
  if (destinationState_ == Destination::Skip) return;
  switch (property) {
    case kFontIndex:
    case kFontSize:
    case kBold:
    case kItalic: {
      pushFontRun();
      RKFont& run = result_.fontRuns.back();
      if (property == kFontIndex) run.fontIndex = value;
      if (property == kFontSize) run.fontSize = static_cast<float>(value);
      if (property == kBold) run.isBold = value != 0;
      if (property == kItalic) run.isItalic = value != 0;
      return;
    }
    case kIndentLeft:
    case kIndentRight:
    case kIndentFirst:
    case kJustification: {
      pushParagraphRun();
      RKParagraph& run = result_.paragraphRuns.back();
      if (property == kIndentLeft) run.indentLeft = value;
      if (property == kIndentRight) run.indentRight = value;
      if (property == kIndentFirst) run.indentFirst = value;
      if (property == kJustification) run.just = value;
      return;
    }
    case kUnicodeSkip:
      unicodeSkip_ = std::clamp(value, 0, kMaxUnicodeSkip);
      return;
    default:
      return;
  }
}

void RKReader::parseCharacter(int byte) {
  if (internalState_ == Internal::Binary && --cbBin_ < 1) internalState_ = Internal::Normal;
  if (destinationState_ == Destination::Skip) return;
  if (skipRemaining_ > 0) {
    --skipRemaining_;
    return;
  }
  storeCharacter(byte);
}

void RKReader::storeCharacter(int byte) {
  if (highSurrogate_) {
    // A first half of a pair that no second half follows.
    highSurrogate_ = 0;
    storeCodePoint(kReplacement);
  }
  putByte(static_cast<unsigned char>(byte));
}

void RKReader::storeCodePoint(std::uint32_t codePoint) {
  flushPending();
  append(codePoint);
}

void RKReader::pushState() {
  stack_.push_back(Save{destinationState_, internalState_, unicodeSkip_});
  internalState_ = Internal::Normal;
  skipRemaining_ = 0;
}

void RKReader::popState() {
  if (stack_.empty()) {
    problem(Status::UnbalancedClose);
    return;
  }
  const Save saved = stack_.back();
  stack_.pop_back();
  destinationState_ = saved.destination;
  internalState_ = saved.internal;
  unicodeSkip_ = saved.unicodeSkip;
  skipRemaining_ = 0;
}

// A new run starts where the text stands now, with the properties of the run before it, unless no
// text was stored under the last run (then that run changes in place).
template <class Run>
static void pushRun(std::vector<Run>& runs, std::int32_t position) {
  Run& last = runs.back();
  if (position > last.end) {
    last.end = position;
    Run next = last;
    next.start = next.end = position;
    runs.push_back(next);
  }
}

void RKReader::pushFontRun() { pushRun(result_.fontRuns, destinationLength_); }
void RKReader::pushParagraphRun() { pushRun(result_.paragraphRuns, destinationLength_); }

void RKReader::setRunRangeEnd(std::int32_t position) {
  result_.fontRuns.back().end = position;
  result_.paragraphRuns.back().end = position;
}

// ---- the text ----

void RKReader::putByte(unsigned char byte) {
  if (pendingLength_ > 0) {
    const unsigned char lead = pending_[0];
    // The second byte of some sequences has a narrower range (no overlong forms, no surrogates,
    // nothing beyond U+10FFFF).
    unsigned char low = 0x80, high = 0xBF;
    if (pendingLength_ == 1) {
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    if (byte >= low && byte <= high) {
      pending_[pendingLength_++] = byte;
      if (pendingLength_ == pendingExpected_) {
        result_.text.append(reinterpret_cast<const char*>(pending_), static_cast<std::size_t>(pendingLength_));
        destinationLength_ += pendingLength_ == 4 ? 2 : 1;
        pendingLength_ = 0;
      }
      return;
    }
    flushPending();
  }
  if (byte < 0x80) {
    result_.text.push_back(static_cast<char>(byte));
    ++destinationLength_;
    return;
  }
  int expected = 0;
  if (byte >= 0xC2 && byte <= 0xDF) expected = 2;
  if (byte >= 0xE0 && byte <= 0xEF) expected = 3;
  if (byte >= 0xF0 && byte <= 0xF4) expected = 4;
  if (expected == 0) {
    append(windows1252(byte));
    return;
  }
  pending_[0] = byte;
  pendingLength_ = 1;
  pendingExpected_ = expected;
}

void RKReader::flushPending() {
  // An incomplete sequence: each of its bytes is a Windows-1252 character.
  const int length = pendingLength_;
  pendingLength_ = 0;
  for (int i = 0; i < length; ++i) append(windows1252(pending_[i]));
}

void RKReader::append(std::uint32_t cp) {
  std::string& out = result_.text;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  destinationLength_ += cp >= 0x10000 ? 2 : 1;
}

}  // namespace td
