#pragma once
// Unsigned 256-bit integer for the intermediate results of Decimal (products of two 38-digit
// mantissas, aligned sums, scaled dividends), little-endian 64-bit limbs, no allocation.

#include <cstdint>

namespace td::detail {

using u128 = unsigned __int128;

struct UInt256 {
  std::uint64_t w[4] = {0, 0, 0, 0};

  constexpr UInt256() = default;
  constexpr UInt256(u128 v)  // NOLINT(google-explicit-constructor): widening, like the built-in types
      : w{static_cast<std::uint64_t>(v), static_cast<std::uint64_t>(v >> 64), 0, 0} {}

  constexpr bool isZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
  constexpr bool fitsU128() const { return (w[2] | w[3]) == 0; }
  constexpr u128 low128() const { return (static_cast<u128>(w[1]) << 64) | w[0]; }
};

constexpr int cmp(const UInt256& a, const UInt256& b) {
  for (int i = 3; i >= 0; --i) {
    if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
  }
  return 0;
}
constexpr bool operator==(const UInt256& a, const UInt256& b) { return cmp(a, b) == 0; }

// a + b modulo 2^256.
constexpr UInt256 add(const UInt256& a, const UInt256& b) {
  UInt256 r;
  std::uint64_t carry = 0;
  for (int i = 0; i < 4; ++i) {
    const u128 s = static_cast<u128>(a.w[i]) + b.w[i] + carry;
    r.w[i] = static_cast<std::uint64_t>(s);
    carry = static_cast<std::uint64_t>(s >> 64);
  }
  return r;
}

// a - b modulo 2^256 (the difference itself when a >= b).
constexpr UInt256 sub(const UInt256& a, const UInt256& b) {
  UInt256 r;
  std::uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) {
    const std::uint64_t x = a.w[i] - b.w[i];
    const std::uint64_t next = (a.w[i] < b.w[i] || x < borrow) ? 1 : 0;
    r.w[i] = x - borrow;
    borrow = next;
  }
  return r;
}

// a x m modulo 2^256.
constexpr UInt256 mulSmall(const UInt256& a, std::uint64_t m) {
  UInt256 r;
  std::uint64_t carry = 0;
  for (int i = 0; i < 4; ++i) {
    const u128 p = static_cast<u128>(a.w[i]) * m + carry;
    r.w[i] = static_cast<std::uint64_t>(p);
    carry = static_cast<std::uint64_t>(p >> 64);
  }
  return r;
}

// The full product of two 128-bit numbers.
constexpr UInt256 mul128(u128 a, u128 b) {
  const std::uint64_t a0 = static_cast<std::uint64_t>(a), a1 = static_cast<std::uint64_t>(a >> 64);
  const std::uint64_t b0 = static_cast<std::uint64_t>(b), b1 = static_cast<std::uint64_t>(b >> 64);
  const u128 p00 = static_cast<u128>(a0) * b0;
  const u128 p01 = static_cast<u128>(a0) * b1;
  const u128 p10 = static_cast<u128>(a1) * b0;
  const u128 p11 = static_cast<u128>(a1) * b1;
  UInt256 r;
  r.w[0] = static_cast<std::uint64_t>(p00);
  const u128 mid = (p00 >> 64) + static_cast<std::uint64_t>(p01) + static_cast<std::uint64_t>(p10);
  r.w[1] = static_cast<std::uint64_t>(mid);
  const u128 high = (mid >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<std::uint64_t>(p11);
  r.w[2] = static_cast<std::uint64_t>(high);
  r.w[3] = static_cast<std::uint64_t>((high >> 64) + static_cast<std::uint64_t>(p11 >> 64));
  return r;
}

// q = u / v and r = u % v; v must not be 0.
void divmod(const UInt256& u, const UInt256& v, UInt256& q, UInt256& r);

}  // namespace td::detail
