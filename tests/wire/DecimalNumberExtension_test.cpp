#include "wire/DecimalNumberExtension.h"

#include <gtest/gtest.h>

#include <string>

namespace td {
namespace {

using namespace DecimalNumberExtension;

Decimal D(const char* text) { return Decimal::parse(text); }
std::string S(const Decimal& d) { return d.toString(); }

TEST(DecimalNumberExtension, RemainderOfPricesAgainstTheTick) {
  EXPECT_TRUE(moduloFor(D("1.25"), D("0.05")).isZero());
  EXPECT_EQ(S(moduloFor(D("1.26"), D("0.05"))), "0.01");
  // The order check writes price and tick scaled by 10^decimals with "%f".
  EXPECT_TRUE(moduloFor(D("125000.000000"), D("5.000000")).isZero());
  EXPECT_EQ(S(moduloFor(D("125001.000000"), D("5.000000"))), "1");
}

TEST(DecimalNumberExtension, RemainderTakesTheSignOfTheDividend) {
  EXPECT_EQ(S(moduloFor(D("7.5"), D("2"))), "1.5");
  EXPECT_EQ(S(moduloFor(D("-7.5"), D("2"))), "-1.5");
  EXPECT_EQ(S(moduloFor(D("7.5"), D("-2"))), "1.5");
  EXPECT_EQ(S(moduloFor(D("-7.5"), D("-2"))), "-1.5");
  EXPECT_TRUE(moduloFor(D("6"), D("-2")).isZero());
}

TEST(DecimalNumberExtension, SignIsJudgedByTheIntegerPart) {
  EXPECT_EQ(S(decimalPlaces(D("-1.25"))), "-0.25");
  EXPECT_EQ(S(decimalPlaces(D("-0.25"))), "0.75");  // -0.25 counts as not negative: quotient -1
  EXPECT_EQ(S(decimalPlaces(D("3.75"))), "0.75");
  EXPECT_EQ(S(moduloFor(D("0.7"), D("-0.3"))), "-0.2");  // both count as not negative: -2.33 down to -3
  // Beyond the 32-bit range the integer part keeps its sign.
  EXPECT_EQ(S(moduloFor(D("3000000000.5"), D("7"))), "4.5");  // 7 x 428571428 = 2999999996
  EXPECT_EQ(S(moduloFor(D("-3000000000.5"), D("7"))), "-4.5");
}

TEST(DecimalNumberExtension, DivisionByZeroGivesNotANumber) {
  EXPECT_TRUE(moduloFor(D("1.25"), D("0")).isNaN());
  EXPECT_TRUE(moduloFor(D("0"), D("0")).isNaN());
  EXPECT_TRUE(moduloForDouble(D("1.25"), 0.0000001).isNaN());  // "%f" gives 0.000000
  EXPECT_TRUE(moduloFor(Decimal::notANumber(), D("1")).isNaN());
}

TEST(DecimalNumberExtension, DoubleDivisorIsReadAtSixDecimals) {
  EXPECT_TRUE(moduloForDouble(D("0.3"), 0.1).isZero());  // 0.100000, not the binary 0.1
  EXPECT_EQ(S(moduloForDouble(D("1"), 0.3333333)), "0.000001");  // divisor 0.333333
  EXPECT_EQ(S(moduloForDouble(D("10"), -3.0)), "1");
  EXPECT_TRUE(moduloForDouble(D("1"), 1.0 / 0.0).isNaN());
}

TEST(DecimalNumberExtension, AbsoluteNumber) {
  EXPECT_EQ(S(absoluteNumber(D("-3.5"))), "3.5");
  const Decimal zero = D("0.000");
  EXPECT_EQ(absoluteNumber(zero).exponent(), zero.exponent());
  const Decimal positive = D("2.50");  // returned as it is, representation kept
  EXPECT_EQ(absoluteNumber(positive).mantissa(), positive.mantissa());
  EXPECT_EQ(absoluteNumber(positive).exponent(), positive.exponent());
  EXPECT_TRUE(absoluteNumber(Decimal::notANumber()).isNaN());
}

TEST(DecimalNumberExtension, GreaterAndSmallerReturnTheReceiverOnATie) {
  const Decimal a = D("1.5"), b = D("1.500");
  EXPECT_EQ(greaterNumber(a, b).exponent(), a.exponent());
  EXPECT_EQ(smallerNumber(a, b).exponent(), a.exponent());
  EXPECT_EQ(greaterNumber(b, a).exponent(), b.exponent());
  EXPECT_EQ(S(greaterNumber(D("-1"), D("2"))), "2");
  EXPECT_EQ(S(greaterNumber(D("2"), D("-1"))), "2");
  EXPECT_EQ(S(smallerNumber(D("-1"), D("2"))), "-1");
  EXPECT_EQ(S(smallerNumber(D("2"), D("-1"))), "-1");
}

}  // namespace
}  // namespace td
