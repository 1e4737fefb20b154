#pragma once
// Exact decimal numbers: value = (-1)^negative x mantissa x 10^exponent, with a mantissa of at most
// 38 decimal digits, an exponent from -128 to 127, and a not-a-number value.
//
// Add, subtract and multiply are exact while the result fits in 38 digits; beyond that the result is
// rounded to 38 significant digits. Divide rounds to 38 significant digits or to a given scale. No
// operation throws or allocates: each returns a DecimalResult that carries the value and an error:
//   LossOfPrecision  digits beyond the 38th (or below 10^-128) were rounded away; the value is rounded
//   Underflow        the result is too small for 10^-128 and rounded to 0; the value is 0
//   Overflow         the result is too large for 10^127 x 38 digits; the value is not a number
//   DivideByZero     the value is not a number
// Rounding to a scale the caller asked for is not an error. An operand that is not a number gives not
// a number with no error. The operators (+ - * /) drop the error and round Plain.
//
// There is no negative zero: every zero is +0 with exponent 0. Representations are not normalised
// (1.5 may be held as 15e-1 or 150e-2); comparison, equality and printing go by value.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace td {

enum class RoundingMode : std::uint8_t {
  Plain,    // to the nearest; a tie goes away from zero (2.5 -> 3, -2.5 -> -3)
  Down,     // toward minus infinity (2.7 -> 2, -2.1 -> -3)
  Up,       // toward plus infinity (2.1 -> 3, -2.7 -> -2)
  Bankers,  // to the nearest; a tie goes to the even digit (2.5 -> 2, 3.5 -> 4)
};

enum class DecimalError : std::uint8_t { None, LossOfPrecision, Underflow, Overflow, DivideByZero };

const char* toString(DecimalError error);

struct DecimalResult;

class Decimal {
 public:
  using Mantissa = unsigned __int128;
  static constexpr int kMaxDigits = 38;
  static constexpr int kMinExponent = -128;
  static constexpr int kMaxExponent = 127;
  // Scale argument of divide and rounded that asks for no rounding to a scale (38 digits only).
  static constexpr int kNoScale = 0x7fff;

  constexpr Decimal() = default;  // 0

  static constexpr Decimal notANumber() {
    Decimal d;
    d.nan_ = true;
    return d;
  }
  static Decimal fromInt(std::int64_t value);
  // mantissa x 10^exponent, negated when `negative`; rounded (Plain) to fit, with the error.
  static DecimalResult fromParts(Mantissa mantissa, int exponent, bool negative);
  // The shortest decimal text that reads back as the same double (0.1 gives exactly 0.1).
  // Infinities and NaN give not a number.
  static Decimal fromDouble(double value);
  // Text: optional white space, optional sign, digits with an optional "." (at least one digit),
  // an optional exponent ("e" or "E", optional sign, digits), optional white space. Anything else
  // gives not a number. More than 38 significant digits are rounded Plain.
  static Decimal parse(std::string_view text);

  bool isNaN() const { return nan_; }
  bool isZero() const { return !nan_ && mantissa_ == 0; }
  bool isNegative() const { return negative_; }  // false for 0 and not a number
  Mantissa mantissa() const { return mantissa_; }
  int exponent() const { return exponent_; }

  // Plain notation without exponent and without trailing fraction zeros ("-1.5", "0.001",
  // "120000"); "NaN" for not a number.
  std::string toString() const;
  // The nearest double (correctly rounded); NaN for not a number.
  double toDouble() const;
  // The value truncated toward zero, clamped to the 32-bit range; 0 for not a number.
  std::int32_t intValue() const;

  static DecimalResult add(const Decimal& a, const Decimal& b, RoundingMode mode = RoundingMode::Plain);
  static DecimalResult subtract(const Decimal& a, const Decimal& b,
                                RoundingMode mode = RoundingMode::Plain);
  static DecimalResult multiply(const Decimal& a, const Decimal& b,
                                RoundingMode mode = RoundingMode::Plain);
  // a / b rounded by `mode` to `scale` digits after the point (a negative scale rounds to tens,
  // hundreds ...), and never to more than 38 significant digits. kNoScale: 38 digits only.
  static DecimalResult divide(const Decimal& a, const Decimal& b, int scale = kNoScale,
                              RoundingMode mode = RoundingMode::Plain);
  // This value rounded by `mode` to `scale` digits after the point.
  DecimalResult rounded(int scale, RoundingMode mode = RoundingMode::Plain) const;

  Decimal operator-() const {
    Decimal d = *this;
    if (!nan_ && mantissa_ != 0) d.negative_ = !negative_;
    return d;
  }

  // Ordering by value; not a number is unordered (equal to nothing, itself included).
  std::partial_ordering compare(const Decimal& other) const;

 private:
  friend struct DecimalOps;
  Mantissa mantissa_ = 0;
  std::int16_t exponent_ = 0;
  bool negative_ = false;
  bool nan_ = false;
};

struct DecimalResult {
  Decimal value;
  DecimalError error = DecimalError::None;
};

inline Decimal operator+(const Decimal& a, const Decimal& b) { return Decimal::add(a, b).value; }
inline Decimal operator-(const Decimal& a, const Decimal& b) { return Decimal::subtract(a, b).value; }
inline Decimal operator*(const Decimal& a, const Decimal& b) { return Decimal::multiply(a, b).value; }
inline Decimal operator/(const Decimal& a, const Decimal& b) { return Decimal::divide(a, b).value; }
inline bool operator==(const Decimal& a, const Decimal& b) { return a.compare(b) == 0; }
inline std::partial_ordering operator<=>(const Decimal& a, const Decimal& b) { return a.compare(b); }

}  // namespace td
