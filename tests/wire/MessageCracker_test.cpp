#include "wire/MessageCracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Log.h"
#include "wire/MessageChecker.h"

namespace td {
namespace {

TEST(GetMessageValue, ValueIsEverythingAfterTheFirstKey) {
  EXPECT_EQ(MessageCracker::GetMessageValue("10=62", "="), "62");
  EXPECT_EQ(MessageCracker::GetMessageValue("62=123", "62="), "123");
  EXPECT_EQ(MessageCracker::GetMessageValue("62=", "62="), "");
  // The key's text again inside the value does not cut it.
  EXPECT_EQ(MessageCracker::GetMessageValue("5=A5=B", "5="), "A5=B");
  EXPECT_EQ(MessageCracker::GetMessageValue("17=1+17=18", "17="), "1+17=18");
  EXPECT_EQ(MessageCracker::GetMessageValue("1050=H4sIAAAA1050=", "1050="), "H4sIAAAA1050=");
  // The match is blind to tag boundaries: "4=" matches inside "34=".
  EXPECT_EQ(MessageCracker::GetMessageValue("34=7", "4="), "7");
}

TEST(GetMessageValue, MissingKeyLogsTheKeyButNotTheTextAndGivesNothing) {
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(MessageCracker::GetMessageValue("18=hunter2", "62="), std::nullopt);
  EXPECT_EQ(MessageCracker::GetMessageValue("18=hunter2", ""), std::nullopt);
  log::setSink({});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("GetMessageValue Exception: ", 0), 0u);
  EXPECT_NE(lines[0].find("62="), std::string::npos);
  EXPECT_EQ(lines[0].find("hunter2"), std::string::npos);
}

TEST(MessageCrackerText, GetXmlAndStringBetween) {
  EXPECT_EQ(MessageCracker::GetXML("<a><Rows>1,2</Rows></a>", "<Rows>"), "1,2");
  EXPECT_EQ(MessageCracker::GetXML("<Rows>1,2", "<Rows>"), "");
  EXPECT_EQ(MessageCracker::GetXML("</Rows><Rows>", "<Rows>"), "");
  EXPECT_EQ(MessageCracker::GetXML("<Rows x=1>v</Rows", "<Rows"), " x=1>v");
  EXPECT_EQ(MessageCracker::GetXML("anything", ""), "");
  EXPECT_EQ(MessageCracker::stringBetweenString("a[b]c", "[", "]"), "[b");
  EXPECT_EQ(MessageCracker::stringBetweenString("a]b[c", "[", "]"), std::nullopt);
  EXPECT_EQ(MessageCracker::stringBetweenString("abc", "[", "]"), std::nullopt);
}

TEST(MessageCrackerText, ChartDataRowsAreCutToTheirLastValues) {
  EXPECT_EQ(MessageCracker::GetRequiredChartData("<H>1,2,3#4,5,6", 2), "<H>2,3#5,6<END>");
  EXPECT_EQ(MessageCracker::GetRequiredChartData("<H>1,2,3#4,5,6<END>", 1), "<H>3#6<END>");
  EXPECT_EQ(MessageCracker::GetRequiredChartData("<H>1,2,3#4,5,6", 3), "<H>1,2,3#4,5,6");
  EXPECT_EQ(MessageCracker::GetRequiredChartData("<H>1,2,3#4,5", 2), "<H>1,2,3#4,5");
  EXPECT_EQ(MessageCracker::GetRequiredChartData("1,2,3", 1), "1,2,3");
}

TEST(MessageChecker, TagsAreRemovedOrFlattened) {
  EXPECT_EQ(MessageChecker::removeTags("<b>bold</b> text"), "bold text");
  EXPECT_EQ(MessageChecker::flattenHTML("<b>bold</b> text"), " bold  text");
  EXPECT_EQ(MessageChecker::removeTags("<p>a<br/>b</p><p>c</p>"), "abc");
  EXPECT_EQ(MessageChecker::removeTags("x <b"), "x <b");  // no ">" after it: left in place
  EXPECT_EQ(MessageChecker::removeTags("1 > 0"), "1  0");  // no tag at all: the first round removes ">"
  EXPECT_EQ(MessageChecker::removeTags(""), "");
}

TEST(MessageChecker, CheckMessageFindsAClosedOpeningTag) {
  EXPECT_EQ(MessageChecker::CheckMessage("<b>x</b>"), "<b>");
  EXPECT_EQ(MessageChecker::CheckMessage("<b>x"), "");
  EXPECT_EQ(MessageChecker::CheckMessage(">b</b>"), "");
  EXPECT_EQ(MessageChecker::CheckMessage("plain"), "");
}

}  // namespace
}  // namespace td
