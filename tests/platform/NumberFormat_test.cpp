#include "platform/NumberFormat.h"

#include <gtest/gtest.h>

namespace td {
namespace {

TEST(NumberFormat, PlainReadsWholeTextsOnly) {
  NumberFormat plain(NumberFormat::Style::Plain);
  EXPECT_EQ(plain.parse("1234.5"), 1234.5);
  EXPECT_EQ(plain.parse("-0.25"), -0.25);
  EXPECT_FALSE(plain.parse(""));
  EXPECT_FALSE(plain.parse("1,234.5"));  // no grouping in the plain style
  EXPECT_FALSE(plain.parse("12abc"));
  EXPECT_FALSE(plain.parse(" 12"));
  EXPECT_EQ(plain.format(1234.56), "1235");  // no fraction digits unless asked for
  plain.setMinimumFractionDigits(2);
  EXPECT_EQ(plain.format(1234.5), "1234.50");
}

TEST(NumberFormat, DecimalGroupsAndRoundsHalfEven) {
  NumberFormat decimal(NumberFormat::Style::Decimal);
  EXPECT_EQ(decimal.format(1234567.5), "1,234,567.5");
  EXPECT_EQ(decimal.format(0.0625), "0.062");  // three digits at most, ties to even
  EXPECT_EQ(decimal.format(std::int64_t{-1000}), "-1,000");
  EXPECT_EQ(decimal.parse("1,234.5"), 1234.5);
  decimal.setMinimumFractionDigits(2);
  decimal.setMaximumFractionDigits(1);  // raised to the minimum
  EXPECT_EQ(decimal.format(3.14159), "3.14");
}

TEST(NumberFormat, SpellOutInEnglish) {
  NumberFormat words(NumberFormat::Style::SpellOut);
  EXPECT_EQ(words.format(std::int64_t{42}), "forty-two");
  EXPECT_EQ(words.format(std::int64_t{-7}), "minus seven");
  EXPECT_EQ(words.format(std::int64_t{0}), "zero");
  EXPECT_EQ(words.format(std::int64_t{1000001}), "one million one");
}

}  // namespace
}  // namespace td
