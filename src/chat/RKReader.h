#pragma once
// The RTF reader: turns one chat or notice text, a small RTF document, into plain text. It walks
// the document byte by byte, keeps the text of the body, drops the header groups (font table,
// colour table, style sheet, document information and the like) and every group opened by "\*"
// with a control word it does not know, turns a few control words into characters (paragraph and
// line marks into line feeds, tabs, quotes, dashes, spaces, escaped braces and backslashes) and
// ignores the other control words.
//
// Bytes of 0x80 and above (raw, or written as "\'hh") are read as UTF-8, and where they do not form
// valid UTF-8, as Windows-1252. "\uN" gives the Unicode character N (a pair of them a character
// beyond the basic plane) and skips the fallback characters that follow it ("\ucN", one unless
// said otherwise); a "\u" without its number is an unknown control word.
//
// Alongside the text it records the character runs (font index, size, bold, italic) and the
// paragraph runs (indents, justification), positions counted in UTF-16 units of the text.
//
// A document that is not well formed still gives its plain characters: a closing brace without
// its group is ignored, the end of the input closes the open groups, a "\'" escape with a byte
// that is no hex digit is dropped (the byte is read as text), and a backslash at the very end is
// dropped. The first such fault is reported with the text. Control words longer than
// kMaxKeywordLength letters are read whole and ignored; parameters are read whole and held to the
// 32-bit range. Any thread; one reader per document.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace td {

// The characters from `start` up to, not including, `end`.
struct RKRange {
  std::int32_t start = 0;
  std::int32_t end = 0;
};

struct RKFont : RKRange {
  std::int32_t fontIndex = 0;
  float fontSize = 0.0f;  // half-points as the document gives them; 0: the default size
  bool isBold = false;
  bool isItalic = false;
};

struct RKParagraph : RKRange {
  std::int32_t indentLeft = 0;
  std::int32_t indentRight = 0;
  std::int32_t indentFirst = 0;
  std::int32_t just = 0;  // 0 left, 1 right, 2 centred, 3 justified
};

class RKReader {
 public:
  // The faults a document may have; reading goes on past each of them.
  enum class Status {
    Ok = 0,
    UnbalancedClose = 1,    // "}" with no open group
    UnclosedGroup = 3,      // the input ends inside an open group
    BadHexDigit = 4,        // a byte other than a hex digit in a "\'hh" escape
    EndAfterBackslash = 7,  // the input ends right after a backslash or a control word's "-"
  };

  struct Result {
    std::string text;  // UTF-8
    std::vector<RKFont> fontRuns;            // never empty
    std::vector<RKParagraph> paragraphRuns;  // never empty
    Status problem = Status::Ok;             // the first fault met
  };

  static constexpr std::size_t kMaxKeywordLength = 32;

  // The plain text of a document; "" for an empty one.
  static std::string ConvertRTFtoString(std::string_view rtf);
  static Result read(std::string_view rtf);

 private:
  enum class Destination { Normal, Skip };
  enum class Internal { Normal, Binary, Hex };
  struct Keyword;
  struct Save {
    Destination destination;
    Internal internal;
    std::int32_t unicodeSkip;
  };

  explicit RKReader(std::string_view rtf) : source_(rtf) {}
  static const std::vector<Keyword>& keywords();
  void parse();
  void parseNextKeyword();
  void translateKeyword(std::string_view keyword, std::int32_t param, bool fParam);
  void parseSpecialKeyword(int index, std::int32_t param);
  void applyPropertyChange(int property, std::int32_t value);
  void parseCharacter(int byte);
  void storeCharacter(int byte);
  void storeCodePoint(std::uint32_t codePoint);
  void unicodeCharacter(std::int32_t param);
  int getCharacterFromBuffer();
  void putCharacter(int byte) { pushedBack_ = byte; }
  void pushState();
  void popState();
  void pushFontRun();
  void pushParagraphRun();
  void setRunRangeEnd(std::int32_t position);
  void problem(Status status);

  // The text: UTF-8 as it comes, Windows-1252 for bytes that are not valid UTF-8.
  void putByte(unsigned char byte);
  void flushPending();
  void append(std::uint32_t codePoint);

  std::string_view source_;
  std::size_t bufferPosition_ = 0;
  int pushedBack_ = -1;
  std::vector<Save> stack_;
  Destination destinationState_ = Destination::Normal;
  Internal internalState_ = Internal::Normal;
  bool fSkipDestIfUnk_ = false;
  std::int64_t cbBin_ = 0;
  std::int32_t lParam_ = 0;
  int hexValue_ = 0;
  int hexDigits_ = 0;
  std::int32_t unicodeSkip_ = 1;       // fallback characters after "\uN" ("\ucN")
  std::int32_t skipRemaining_ = 0;     // fallback characters still to skip
  std::uint32_t highSurrogate_ = 0;    // the first half of a pair, waiting for the second
  unsigned char pending_[4] = {};      // the bytes of a UTF-8 sequence not yet complete
  int pendingLength_ = 0;
  int pendingExpected_ = 0;
  std::int32_t destinationLength_ = 0; // UTF-16 units of the text
  Result result_;
};

}  // namespace td
