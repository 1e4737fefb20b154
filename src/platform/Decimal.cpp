#include "platform/Decimal.h"

#include "platform/UInt256.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace td {

namespace {

using detail::u128;
using U256 = detail::UInt256;
using detail::add;
using detail::cmp;
using detail::divmod;
using detail::mul128;
using detail::mulSmall;
using detail::sub;

constexpr std::array<u128, 39> makePow10u128() {
  std::array<u128, 39> t{};
  t[0] = 1;
  for (std::size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
  return t;
}
constexpr std::array<U256, 78> makePow10u256() {
  std::array<U256, 78> t{};
  t[0] = U256(1);
  for (std::size_t i = 1; i < t.size(); ++i) t[i] = mulSmall(t[i - 1], 10);
  return t;
}
constexpr std::array<u128, 39> kP10 = makePow10u128();     // 10^0 .. 10^38
constexpr std::array<U256, 78> kP10w = makePow10u256();    // 10^0 .. 10^77
constexpr u128 kMantissaLimit = kP10[Decimal::kMaxDigits];  // 10^38

U256 mulPow10(U256 a, std::int64_t k) {
  while (k >= 19) {
    a = mulSmall(a, static_cast<std::uint64_t>(kP10[19]));
    k -= 19;
  }
  if (k > 0) a = mulSmall(a, static_cast<std::uint64_t>(kP10[k]));
  return a;
}

int bitLength(u128 v) {
  const std::uint64_t hi = static_cast<std::uint64_t>(v >> 64);
  if (hi != 0) return 128 - __builtin_clzll(hi);
  const std::uint64_t lo = static_cast<std::uint64_t>(v);
  return lo == 0 ? 0 : 64 - __builtin_clzll(lo);
}

// Number of decimal digits (0 for 0).
int digits(u128 v) {
  int n = (bitLength(v) * 1233) >> 12;
  while (n < 39 && v >= kP10[n]) ++n;
  while (n > 0 && v < kP10[n - 1]) --n;
  return n;
}

int digits(const U256& v) {
  if (v.fitsU128()) return digits(v.low128());
  int bits = 0;
  for (int i = 3; i >= 0; --i) {
    if (v.w[i] != 0) {
      bits = 64 * i + 64 - __builtin_clzll(v.w[i]);
      break;
    }
  }
  int n = std::min((bits * 1233) >> 12, 77);
  while (n < 78 && cmp(v, kP10w[n]) >= 0) ++n;
  while (n > 0 && cmp(v, kP10w[n - 1]) < 0) --n;
  return n;
}

// What lies below the last kept digit, relative to half a unit of that digit.
enum class Tail { Zero, Below, Half, Above };

// r relative to d for 0 <= r < d.
Tail classify(const U256& r, const U256& d) {
  if (r.isZero()) return Tail::Zero;
  const int c = cmp(r, sub(d, r));
  return c < 0 ? Tail::Below : c == 0 ? Tail::Half : Tail::Above;
}

bool roundsAway(RoundingMode mode, bool negative, Tail tail, bool odd) {
  switch (mode) {
    case RoundingMode::Plain:
      return tail == Tail::Half || tail == Tail::Above;
    case RoundingMode::Bankers:
      return tail == Tail::Above || (tail == Tail::Half && odd);
    case RoundingMode::Down:
      return negative;
    case RoundingMode::Up:
      return !negative;
  }
  return false;
}

}  // namespace

struct DecimalOps {
  static Decimal make(u128 m, std::int64_t e, bool negative) {
    Decimal d;
    d.mantissa_ = m;
    d.exponent_ = static_cast<std::int16_t>(m == 0 ? 0 : e);
    d.negative_ = m != 0 && negative;
    return d;
  }

  // Brings m x 10^e (with `tail` below its last digit) into range: at most 38 digits, exponent from
  // minExp (>= -128) to 127, rounding by `mode` where digits must go.
  static DecimalResult finish(U256 m, std::int64_t e, bool negative, RoundingMode mode, Tail tail,
                              std::int64_t minExp) {
    if (m.isZero() && tail == Tail::Zero) return {Decimal(), DecimalError::None};
    const int nd = digits(m);
    const std::int64_t kPrec = std::max<std::int64_t>({nd - Decimal::kMaxDigits, Decimal::kMinExponent - e, 0});
    const std::int64_t kScale = std::max<std::int64_t>(minExp - e, 0);
    const std::int64_t k = std::max(kPrec, kScale);
    if (k > 0) {
      Tail dropped;
      if (k > 77) {  // everything goes, and it is less than half of 10^k
        m = U256();
        dropped = Tail::Below;
      } else {
        U256 q, r;
        if (m.fitsU128() && k <= 38) {
          const u128 mv = m.low128();
          q = U256(mv / kP10[k]);
          r = U256(mv - q.low128() * kP10[k]);
        } else {
          divmod(m, kP10w[k], q, r);
        }
        const int c = cmp(r, mulSmall(kP10w[k - 1], 5));
        if (c < 0) {
          dropped = (r.isZero() && tail == Tail::Zero) ? Tail::Zero : Tail::Below;
        } else if (c == 0) {
          dropped = tail == Tail::Zero ? Tail::Half : Tail::Above;
        } else {
          dropped = Tail::Above;
        }
        m = q;
      }
      e += k;
      tail = dropped;
    }
    const bool inexact = tail != Tail::Zero;
    if (inexact && roundsAway(mode, negative, tail, (m.w[0] & 1) != 0)) {
      m = detail::add(m, U256(1));
      if (cmp(m, U256(kMantissaLimit)) == 0) {
        m = U256(kP10[Decimal::kMaxDigits - 1]);
        e += 1;
      }
    }
    // Rounding the caller asked for (a scale) is no error; rounding forced by the limits is.
    const bool forcedByLimits = kPrec > 0 && kPrec >= kScale;
    if (m.isZero()) {
      return {Decimal(), inexact && forcedByLimits ? DecimalError::Underflow : DecimalError::None};
    }
    u128 mv = m.low128();
    if (e > Decimal::kMaxExponent) {
      const std::int64_t room = Decimal::kMaxDigits - digits(mv);
      const std::int64_t shift = std::min<std::int64_t>(room, e - Decimal::kMaxExponent);
      mv *= kP10[shift];
      e -= shift;
      if (e > Decimal::kMaxExponent) return {Decimal::notANumber(), DecimalError::Overflow};
    }
    return {make(mv, e, negative), inexact && forcedByLimits ? DecimalError::LossOfPrecision : DecimalError::None};
  }

  static DecimalResult add(const Decimal& a, const Decimal& b, RoundingMode mode) {
    if (a.nan_ || b.nan_) return {Decimal::notANumber(), DecimalError::None};
    if (b.mantissa_ == 0) return {a, DecimalError::None};
    if (a.mantissa_ == 0) return {b, DecimalError::None};
    const Decimal* hi = &a;
    const Decimal* lo = &b;
    if (hi->exponent_ < lo->exponent_) std::swap(hi, lo);
    std::int64_t d = hi->exponent_ - lo->exponent_;
    const bool sameSign = hi->negative_ == lo->negative_;

    // Both aligned mantissas below 10^38: the whole sum fits 128 bits.
    if (d <= Decimal::kMaxDigits && hi->mantissa_ < kP10[Decimal::kMaxDigits - d]) {
      const u128 x = hi->mantissa_ * kP10[d];
      const u128 y = lo->mantissa_;
      if (!sameSign) {
        if (x >= y) return {make(x - y, lo->exponent_, hi->negative_), DecimalError::None};
        return {make(y - x, lo->exponent_, lo->negative_), DecimalError::None};
      }
      const u128 s = x + y;
      if (s < kMantissaLimit) return {make(s, lo->exponent_, hi->negative_), DecimalError::None};
      return finish(U256(s), lo->exponent_, hi->negative_, mode, Tail::Zero, Decimal::kMinExponent);
    }

    U256 x(hi->mantissa_);
    std::int64_t ex = hi->exponent_;
    U256 y(lo->mantissa_);
    std::int64_t ey = lo->exponent_;
    if (d > 39) {
      // Fill the larger operand to 38 digits; if the smaller one still lies entirely below two
      // digits under the result's last digit, only its sign and its being non-zero matter: a 1 in
      // the 39th place below stands in for it.
      const int s = Decimal::kMaxDigits - digits(hi->mantissa_);
      x = mulPow10(x, s);
      ex -= s;
      d -= s;
      if (d > 39) {
        y = U256(1);
        ey = ex - 39;
        d = 39;
      }
    }
    x = mulPow10(x, d);  // < 10^38 x 10^39
    if (sameSign) return finish(detail::add(x, y), ey, hi->negative_, mode, Tail::Zero, Decimal::kMinExponent);
    if (cmp(x, y) >= 0) return finish(sub(x, y), ey, hi->negative_, mode, Tail::Zero, Decimal::kMinExponent);
    return finish(sub(y, x), ey, lo->negative_, mode, Tail::Zero, Decimal::kMinExponent);
  }

  static DecimalResult multiply(const Decimal& a, const Decimal& b, RoundingMode mode) {
    if (a.nan_ || b.nan_) return {Decimal::notANumber(), DecimalError::None};
    if (a.mantissa_ == 0 || b.mantissa_ == 0) return {Decimal(), DecimalError::None};
    const bool negative = a.negative_ != b.negative_;
    const std::int64_t e = static_cast<std::int64_t>(a.exponent_) + b.exponent_;
    if ((a.mantissa_ >> 64) == 0 && (b.mantissa_ >> 64) == 0) {
      const u128 p = a.mantissa_ * b.mantissa_;
      if (p < kMantissaLimit && e >= Decimal::kMinExponent && e <= Decimal::kMaxExponent) {
        return {make(p, e, negative), DecimalError::None};
      }
    }
    return finish(mul128(a.mantissa_, b.mantissa_), e, negative, mode, Tail::Zero, Decimal::kMinExponent);
  }

  static std::int64_t minExponentFor(std::int64_t scale) {
    if (scale == Decimal::kNoScale) return Decimal::kMinExponent;
    return std::max<std::int64_t>(-scale, Decimal::kMinExponent);
  }

  static DecimalResult divide(const Decimal& a, const Decimal& b, int scale, RoundingMode mode) {
    if (a.nan_ || b.nan_) return {Decimal::notANumber(), DecimalError::None};
    if (b.mantissa_ == 0) return {Decimal::notANumber(), DecimalError::DivideByZero};
    if (a.mantissa_ == 0) return {Decimal(), DecimalError::None};
    const bool negative = a.negative_ != b.negative_;
    const u128 ma = a.mantissa_, mb = b.mantissa_;
    const int da = digits(ma), db = digits(mb);

    // Position of the quotient's leading digit.
    const u128 na = da < db ? ma * kP10[db - da] : ma;
    const u128 nb = db < da ? mb * kP10[da - db] : mb;
    const std::int64_t top = (da - 1 + static_cast<std::int64_t>(a.exponent_)) -
                             (db - 1 + static_cast<std::int64_t>(b.exponent_)) - (na < nb ? 1 : 0);
    const std::int64_t minExp = minExponentFor(scale);
    // The result's last digit; the quotient is computed one digit further, and the exact remainder
    // decides the rounding, so nothing is rounded twice.
    const std::int64_t last = std::max(minExp, top - (Decimal::kMaxDigits - 1));
    const std::int64_t p = last - 1;
    const std::int64_t s = a.exponent_ - b.exponent_ - p;  // quotient = ma x 10^s / mb at 10^p

    U256 q;
    Tail tail;
    if (s >= 0) {
      // The quotient has at most 39 digits, so ma x 10^s < 10^39 x mb < 10^77.
      if (s <= Decimal::kMaxDigits && ma < kP10[Decimal::kMaxDigits - s]) {
        const u128 n = ma * kP10[s];
        const u128 qv = n / mb;
        const u128 rv = n - qv * mb;
        q = U256(qv);
        tail = rv == 0 ? Tail::Zero : rv < mb - rv ? Tail::Below : rv == mb - rv ? Tail::Half : Tail::Above;
      } else {
        U256 r;
        divmod(mulPow10(U256(ma), s), U256(mb), q, r);
        tail = classify(r, U256(mb));
      }
    } else if (db - s > 77) {  // divisor x 10^-s beyond 10^77 > 2 x ma: quotient 0, less than half
      q = U256();
      tail = Tail::Below;
    } else {
      const U256 divisor = mulPow10(U256(mb), -s);
      U256 r;
      divmod(U256(ma), divisor, q, r);
      tail = classify(r, divisor);
    }
    return finish(q, p, negative, mode, tail, minExp);
  }
};

const char* toString(DecimalError error) {
  switch (error) {
    case DecimalError::None:
      return "no error";
    case DecimalError::LossOfPrecision:
      return "loss of precision";
    case DecimalError::Underflow:
      return "underflow";
    case DecimalError::Overflow:
      return "overflow";
    case DecimalError::DivideByZero:
      return "division by zero";
  }
  return "unknown";
}

Decimal Decimal::fromInt(std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  return DecimalOps::make(magnitude, 0, negative);
}

DecimalResult Decimal::fromParts(Mantissa mantissa, int exponent, bool negative) {
  return DecimalOps::finish(U256(mantissa), exponent, negative, RoundingMode::Plain, Tail::Zero, kMinExponent);
}

Decimal Decimal::fromDouble(double value) {
  if (!std::isfinite(value)) return notANumber();
  char buffer[64];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
  return parse(std::string_view(buffer, static_cast<std::size_t>(res.ptr - buffer)));
}

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

Decimal Decimal::parse(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  u128 m = 0;
  int stored = 0;                // significant digits held in m
  std::int64_t shift = 0;        // exponent adjustment: - fraction digits held, + integer digits dropped
  int roundDigit = -1;           // first digit dropped after the 38th
  bool sticky = false;           // any non-zero digit dropped after it
  bool anyDigit = false;
  bool inFraction = false;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c == '.' && !inFraction) {
      inFraction = true;
      continue;
    }
    if (!isDigit(c)) break;
    anyDigit = true;
    const int digit = c - '0';
    if (stored == 0 && digit == 0) {  // leading zero
      if (inFraction) --shift;
      continue;
    }
    if (stored < kMaxDigits) {
      m = m * 10 + static_cast<unsigned>(digit);
      ++stored;
      if (inFraction) --shift;
    } else {
      if (!inFraction) ++shift;
      if (roundDigit < 0) {
        roundDigit = digit;
      } else if (digit != 0) {
        sticky = true;
      }
    }
  }
  if (!anyDigit) return notANumber();

  std::int64_t exp10 = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
    if (i >= n || !isDigit(text[i])) return notANumber();
    for (; i < n && isDigit(text[i]); ++i) {
      if (exp10 < 1'000'000) exp10 = exp10 * 10 + (text[i] - '0');  // saturates far outside the range
    }
    if (expNegative) exp10 = -exp10;
  }
  while (i < n && isSpace(text[i])) ++i;
  if (i != n) return notANumber();

  Tail tail = Tail::Zero;
  if (roundDigit > 5 || (roundDigit == 5 && sticky)) {
    tail = Tail::Above;
  } else if (roundDigit == 5) {
    tail = Tail::Half;
  } else if (roundDigit > 0 || sticky) {
    tail = Tail::Below;
  }
  return DecimalOps::finish(U256(m), exp10 + shift, negative, RoundingMode::Plain, tail, kMinExponent).value;
}

namespace {
// Decimal digits of v (v < 10^38) into out; returns the count.
int writeDigits(u128 v, char* out) {
  constexpr u128 k19 = 10'000'000'000'000'000'000ull;
  if ((v >> 64) == 0) {
    return static_cast<int>(std::to_chars(out, out + 40, static_cast<std::uint64_t>(v)).ptr - out);
  }
  const std::uint64_t high = static_cast<std::uint64_t>(v / k19);
  const std::uint64_t low = static_cast<std::uint64_t>(v % k19);
  char* p = std::to_chars(out, out + 40, high).ptr;
  char lowDigits[20];
  const int lowCount = static_cast<int>(std::to_chars(lowDigits, lowDigits + 20, low).ptr - lowDigits);
  std::memset(p, '0', static_cast<std::size_t>(19 - lowCount));
  std::memcpy(p + (19 - lowCount), lowDigits, static_cast<std::size_t>(lowCount));
  return static_cast<int>(p - out) + 19;
}

// Removes trailing zeros, raising the exponent.
void stripZeros(u128& m, int& e) {
  if (m == 0) return;
  while ((m >> 64) != 0 && m % 10 == 0) {
    m /= 10;
    ++e;
  }
  std::uint64_t s = static_cast<std::uint64_t>(m);
  if ((m >> 64) == 0) {
    while (s % 10 == 0) {
      s /= 10;
      ++e;
    }
    m = s;
  }
}
}  // namespace

std::string Decimal::toString() const {
  if (nan_) return "NaN";
  if (mantissa_ == 0) return "0";
  u128 m = mantissa_;
  int e = exponent_;
  stripZeros(m, e);
  char digitBuffer[40];
  const int count = writeDigits(m, digitBuffer);
  std::string out;
  out.reserve(static_cast<std::size_t>(count + (e > 0 ? e : -e) + 3));
  if (negative_) out.push_back('-');
  if (e >= 0) {
    out.append(digitBuffer, static_cast<std::size_t>(count));
    out.append(static_cast<std::size_t>(e), '0');
  } else if (-e < count) {
    out.append(digitBuffer, static_cast<std::size_t>(count + e));
    out.push_back('.');
    out.append(digitBuffer + count + e, static_cast<std::size_t>(-e));
  } else {
    out.append("0.");
    out.append(static_cast<std::size_t>(-e - count), '0');
    out.append(digitBuffer, static_cast<std::size_t>(count));
  }
  return out;
}

double Decimal::toDouble() const {
  if (nan_) return std::numeric_limits<double>::quiet_NaN();
  if (mantissa_ == 0) return 0.0;
  char buffer[64];
  char* p = buffer;
  if (negative_) *p++ = '-';
  p += writeDigits(mantissa_, p);
  *p++ = 'e';
  p = std::to_chars(p, buffer + sizeof buffer, static_cast<int>(exponent_)).ptr;
  double value = 0.0;
  std::from_chars(buffer, p, value);
  return value;
}

std::int32_t Decimal::intValue() const {
  if (nan_ || mantissa_ == 0) return 0;
  const int nd = digits(mantissa_);
  u128 magnitude;
  if (exponent_ >= 0) {
    if (nd + exponent_ > 11) {
      magnitude = kP10[11];  // beyond the 32-bit range either way
    } else {
      magnitude = mantissa_ * kP10[exponent_];
    }
  } else {
    magnitude = -exponent_ > kMaxDigits ? 0 : mantissa_ / kP10[-exponent_];
  }
  constexpr u128 kMaxPositive = 2147483647u;
  if (negative_) return magnitude > kMaxPositive ? std::numeric_limits<std::int32_t>::min()
                                                 : -static_cast<std::int32_t>(magnitude);
  return magnitude > kMaxPositive ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(magnitude);
}

DecimalResult Decimal::add(const Decimal& a, const Decimal& b, RoundingMode mode) {
  return DecimalOps::add(a, b, mode);
}

DecimalResult Decimal::subtract(const Decimal& a, const Decimal& b, RoundingMode mode) {
  return DecimalOps::add(a, -b, mode);
}

DecimalResult Decimal::multiply(const Decimal& a, const Decimal& b, RoundingMode mode) {
  return DecimalOps::multiply(a, b, mode);
}

DecimalResult Decimal::divide(const Decimal& a, const Decimal& b, int scale, RoundingMode mode) {
  return DecimalOps::divide(a, b, scale, mode);
}

DecimalResult Decimal::rounded(int scale, RoundingMode mode) const {
  if (nan_) return {*this, DecimalError::None};
  const std::int64_t minExp = DecimalOps::minExponentFor(scale);
  if (exponent_ >= minExp || mantissa_ == 0) return {*this, DecimalError::None};
  return DecimalOps::finish(U256(mantissa_), exponent_, negative_, mode, Tail::Zero, minExp);
}

std::partial_ordering Decimal::compare(const Decimal& other) const {
  if (nan_ || other.nan_) return std::partial_ordering::unordered;
  const int sa = mantissa_ == 0 ? 0 : negative_ ? -1 : 1;
  const int sb = other.mantissa_ == 0 ? 0 : other.negative_ ? -1 : 1;
  if (sa != sb) return sa < sb ? std::partial_ordering::less : std::partial_ordering::greater;
  if (sa == 0) return std::partial_ordering::equivalent;
  int magnitude;
  const int topA = digits(mantissa_) + exponent_;
  const int topB = digits(other.mantissa_) + other.exponent_;
  if (topA != topB) {
    magnitude = topA < topB ? -1 : 1;
  } else {
    // Same leading position: the one with the smaller exponent has the more digits; scaling the
    // other up to it keeps it within 38 digits.
    u128 x = mantissa_, y = other.mantissa_;
    if (exponent_ > other.exponent_) {
      x *= kP10[exponent_ - other.exponent_];
    } else {
      y *= kP10[other.exponent_ - exponent_];
    }
    magnitude = x < y ? -1 : x > y ? 1 : 0;
  }
  if (sa < 0) magnitude = -magnitude;
  return magnitude < 0 ? std::partial_ordering::less
                       : magnitude > 0 ? std::partial_ordering::greater : std::partial_ordering::equivalent;
}

}  // namespace td
