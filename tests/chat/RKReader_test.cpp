#include "chat/RKReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "wire/Formatter.h"

namespace td {
namespace {

using Status = RKReader::Status;

std::string plain(std::string_view rtf) { return RKReader::ConvertRTFtoString(rtf); }

TEST(RKReader, TheClientsOwnDocumentsComeBackAsTheirTextWithOneLineFeed) {
  for (const std::string text : {"Hello", "a}b{c\\d}}", "  two  blanks ", "{\\par}", "\xe4\xbd\xa0\xe5\xa5\xbd \xe4\xb8\xad\xe6\x96\x87",
                                 "caf\xc3\xa9 \xe2\x82\xac 5", "emoji \xf0\x9f\x98\x80", "two\nlines"}) {
    const RKReader::Result read = RKReader::read(Formatter::ConvertStringtoRTF(text));
    EXPECT_EQ(read.text, text + "\n") << text;
    EXPECT_EQ(read.problem, Status::Ok) << text;
  }
  EXPECT_EQ(plain(Formatter::ConvertStringtoRTF("cr\r\nlf\rcr")), "cr\nlf\ncr\n");
  EXPECT_EQ(plain(""), "");
  EXPECT_EQ(plain("text outside {any} group"), "text outside any group");
}

TEST(RKReader, HeaderGroupsAndTheirNestedGroupsLeaveNoText) {
  EXPECT_EQ(plain("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times;}}{\\colortbl;\\red255\\green0\\blue0;}"
                  "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}body}"),
            "body");
  // A destination skips the rest of its group only; the text after the group is kept.
  EXPECT_EQ(plain("{a{\\header h{\\b deep}}b}"), "ab");
}

TEST(RKReader, ControlWordsBecomeTheirCharactersAndUnknownOnesAreIgnored) {
  EXPECT_EQ(plain("{a\\par b\\line c\\\nd\\\re}"), "a\nb\nc\nd\ne");
  EXPECT_EQ(plain("{a\r\nb\n}"), "ab");  // raw line breaks are no text
  EXPECT_EQ(plain("{\\tab x\\lquote\\rquote\\ldblquote\\rdblquote}"), "\tx''\"\"");
  EXPECT_EQ(plain("{\\emdash\\endash\\-\\_\\~\\emspace\\enspace}"), "----   ");
  EXPECT_EQ(plain("{\\{\\}\\\\}"), "{}\\");
  EXPECT_EQ(plain("{\\PAR x\\unknownword12 y}"), "xy");  // keywords are case-sensitive
  // One space after a control word belongs to it; a second is text.
  EXPECT_EQ(plain("{\\b  bold\\b0 x}"), " boldx");
  // A "-" that no digit follows is dropped with its delimiter.
  EXPECT_EQ(plain("{\\li- x}"), "x");
}

TEST(RKReader, StarGroupsWithAnUnknownWordAreDroppedWhole) {
  EXPECT_EQ(plain("{a{\\*\\generator Writer 1.0{\\nested x}}b}"), "ab");
  // With a known word "\*" changes nothing: the word acts as it always does.
  EXPECT_EQ(plain("{a{\\*\\par}b}"), "a\nb");
  EXPECT_EQ(plain("{a{\\*\\fonttbl x}b}"), "ab");
}

TEST(RKReader, HexEscapesAreBytesReadAsUtf8OrElseWindows1252) {
  EXPECT_EQ(plain("{\\'41\\'42}"), "AB");
  EXPECT_EQ(plain("{caf\\'e9 \\'80 \\'93q\\'94}"), "caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d");
  EXPECT_EQ(plain("{\\'e4\\'b8\\'ad}"), "\xe4\xb8\xad");  // the UTF-8 bytes of one Chinese character
  EXPECT_EQ(plain("{\\'81}"), "\xef\xbf\xbd");           // undefined in Windows-1252
  // A byte that is no hex digit ends the escape and is read as text.
  const RKReader::Result bad = RKReader::read("{x\\'4g y}");
  EXPECT_EQ(bad.text, "xg y");
  EXPECT_EQ(bad.problem, Status::BadHexDigit);
}

TEST(RKReader, RawBytesThatAreNotUtf8AreWindows1252) {
  EXPECT_EQ(plain("{\xe4\xb8\xad\xe6\x96\x87}"), "\xe4\xb8\xad\xe6\x96\x87");
  EXPECT_EQ(plain("{caf\xe9!}"), "caf\xc3\xa9!");
  // A sequence cut short by the next character or by the end: each byte on its own.
  EXPECT_EQ(plain("{\xe4\xb8x\xe4}"), "\xc3\xa4\xc2\xb8x\xc3\xa4");
  // Overlong forms and encoded surrogates are no UTF-8.
  EXPECT_EQ(plain("{\xc0\xaf}"), "\xc3\x80\xc2\xaf");
  EXPECT_EQ(plain("{\xed\xa0\x80}"), "\xc3\xad\xc2\xa0\xe2\x82\xac");
}

TEST(RKReader, UnicodeWordsGiveTheirCharacterAndSkipTheFallback) {
  EXPECT_EQ(plain("{\\u20013?\\u25991?}"), "\xe4\xb8\xad\xe6\x96\x87");
  EXPECT_EQ(plain("{\\uc2\\u20013\\'3f\\'3fx}"), "\xe4\xb8\xadx");
  EXPECT_EQ(plain("{\\uc0\\u20013 x}"), "\xe4\xb8\xadx");
  EXPECT_EQ(plain("{\\u-3913?}"), "\xef\x82\xb7");  // a negative number: 65536 - 3913, U+F0B7
  EXPECT_EQ(plain("{\\u55357?\\u56832?}"), "\xf0\x9f\x98\x80");
  EXPECT_EQ(plain("{\\u56832?a\\u55357?b}"), "\xef\xbf\xbd" "a\xef\xbf\xbd" "b");
  // The skip count belongs to its group.
  EXPECT_EQ(plain("{\\uc0\\u65?B}"), "A?B");
  EXPECT_EQ(plain("{{\\uc0}\\u65?B}"), "AB");
  // The fallback ends with its group.
  EXPECT_EQ(plain("{\\uc3{\\u65}BCD}"), "ABCD");
}

TEST(RKReader, UnicodeWordWithoutItsNumberIsAnUnknownWord) {
  // Nothing is stored for it and the character after it is text.
  EXPECT_EQ(plain("{a\\u?b}"), "a?b");
  EXPECT_EQ(plain("{a\\u b}"), "ab");
  EXPECT_EQ(plain("{a\\u-b}"), "ab");
  EXPECT_EQ(plain("{\\u65?\\u?}"), "A?");
  // After "\\*" it drops its group like any unknown word.
  EXPECT_EQ(plain("{a{\\*\\u x}b}"), "ab");
}

TEST(RKReader, BinaryDataIsTakenRawBracesAndBackslashesIncluded) {
  EXPECT_EQ(plain("{\\bin3 {\\}x}"), "{\\}x");
  // A count of zero or less still takes one byte raw.
  EXPECT_EQ(plain("{\\bin0 {x}"), "{x");
  // In a skipped group the raw bytes are dropped with it, and cannot close the group.
  EXPECT_EQ(plain("{{\\info\\bin2 }}x}y}"), "y");
}

TEST(RKReader, BrokenDocumentsStillGiveTheirPlainCharacters) {
  struct Case {
    const char* rtf;
    const char* text;
    Status problem;
  };
  for (const Case& c : {Case{"{\\rtf1 unclosed {\\b group", "unclosed group", Status::UnclosedGroup},
                        Case{"}stray} close{}", "stray close", Status::UnbalancedClose},
                        Case{"{tail}\\", "tail", Status::EndAfterBackslash},
                        Case{"{x}\\li-", "x", Status::EndAfterBackslash},
                        Case{"{x\\'", "x", Status::UnclosedGroup}}) {
    const RKReader::Result read = RKReader::read(c.rtf);
    EXPECT_EQ(read.text, c.text) << c.rtf;
    EXPECT_EQ(read.problem, c.problem) << c.rtf;
  }
}

TEST(RKReader, LongWordsAndParametersAreBounded) {
  const std::string longWord(RKReader::kMaxKeywordLength + 1, 'p');
  // A word longer than the bound is unknown, so a "\*" group with it is dropped.
  EXPECT_EQ(plain("{a{\\*\\" + longWord + " hidden}b\\" + longWord + "ar c}"), "abc");
  const RKReader::Result read = RKReader::read("{\\li99999999999999999999 a\\ri-99999999999999 b\\b00000000000000000001 c}");
  EXPECT_EQ(read.text, "abc");
  ASSERT_EQ(read.paragraphRuns.size(), 2u);
  EXPECT_EQ(read.paragraphRuns[0].indentLeft, INT_MAX);
  EXPECT_EQ(read.paragraphRuns[1].indentRight, INT_MIN);
  EXPECT_TRUE(read.fontRuns.back().isBold);
}

TEST(RKReader, RunsRecordPropertiesOverTheTextInUtf16Units) {
  const RKReader::Result read =
      RKReader::read("{\\f3\\fs40 ab\\b c\\b0\\i \xf0\x9f\x98\x80\\qc\\li20 d\\par}");
  EXPECT_EQ(read.text, "abc\xf0\x9f\x98\x80" "d\n");
  ASSERT_EQ(read.fontRuns.size(), 3u);
  // "f" and "fs" always take their defaults: font 0 and size 10.
  EXPECT_EQ(read.fontRuns[0].fontIndex, 0);
  EXPECT_EQ(read.fontRuns[0].fontSize, 10.0f);
  EXPECT_EQ(read.fontRuns[0].start, 0);
  EXPECT_EQ(read.fontRuns[0].end, 2);
  EXPECT_TRUE(read.fontRuns[1].isBold);
  EXPECT_EQ(read.fontRuns[1].start, 2);
  EXPECT_EQ(read.fontRuns[1].end, 3);
  // A run inherits what it did not change; the emoji counts two units.
  EXPECT_FALSE(read.fontRuns[2].isBold);
  EXPECT_TRUE(read.fontRuns[2].isItalic);
  EXPECT_EQ(read.fontRuns[2].fontSize, 10.0f);
  EXPECT_EQ(read.fontRuns[2].end, 7);
  ASSERT_EQ(read.paragraphRuns.size(), 2u);
  EXPECT_EQ(read.paragraphRuns[1].start, 5);
  EXPECT_EQ(read.paragraphRuns[1].just, 2);
  EXPECT_EQ(read.paragraphRuns[1].indentLeft, 20);
  // Properties set inside a group carry on after it.
  EXPECT_TRUE(RKReader::read("{{\\b x}y}").fontRuns.back().isBold);
}

}  // namespace
}  // namespace td
