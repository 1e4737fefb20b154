#include "platform/UInt256.h"

#include <gtest/gtest.h>

#include <random>

namespace td::detail {
namespace {

UInt256 make(std::uint64_t w3, std::uint64_t w2, std::uint64_t w1, std::uint64_t w0) {
  UInt256 v;
  v.w[0] = w0;
  v.w[1] = w1;
  v.w[2] = w2;
  v.w[3] = w3;
  return v;
}

// Low 256 bits of a x b, schoolbook on 32-bit halves: independent of the code under test.
UInt256 mulLow(const UInt256& a, const UInt256& b) {
  std::uint32_t x[8], y[8];
  for (int i = 0; i < 4; ++i) {
    x[2 * i] = static_cast<std::uint32_t>(a.w[i]);
    x[2 * i + 1] = static_cast<std::uint32_t>(a.w[i] >> 32);
    y[2 * i] = static_cast<std::uint32_t>(b.w[i]);
    y[2 * i + 1] = static_cast<std::uint32_t>(b.w[i] >> 32);
  }
  std::uint64_t acc[8] = {};
  for (int i = 0; i < 8; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; i + j < 8; ++j) {
      const std::uint64_t t = acc[i + j] + static_cast<std::uint64_t>(x[i]) * y[j] + carry;
      acc[i + j] = t & 0xFFFFFFFFu;
      carry = t >> 32;
    }
  }
  UInt256 r;
  for (int i = 0; i < 4; ++i) r.w[i] = acc[2 * i] | (acc[2 * i + 1] << 32);
  return r;
}

void expectDivision(const UInt256& u, const UInt256& v) {
  UInt256 q, r;
  divmod(u, v, q, r);
  EXPECT_LT(cmp(r, v), 0);
  EXPECT_EQ(add(mulLow(q, v), r), u);
}

TEST(UInt256, DivisionNeedingTheAddBackStep) {
  // (2^127 - 2^95) x 2^128 by (2^95 + 1) x 2^128: the estimated quotient limb 0xffffffff is one too
  // large, and the multiply-and-subtract goes negative.
  const UInt256 u = make(0x7fffffff80000000ull, 0, 0, 0);
  const UInt256 v = make(0x80000000ull, 1, 0, 0);
  UInt256 q, r;
  divmod(u, v, q, r);
  EXPECT_EQ(q, UInt256(0xfffffffeull));
  EXPECT_EQ(r, make(0x7fffffffull, 0xffffffff00000002ull, 0, 0));  // (2^95 - 2^32 + 2) x 2^128
  expectDivision(u, v);
}

TEST(UInt256, DivisionMatchesMultiplicationBack) {
  std::mt19937_64 rng(42);
  for (int i = 0; i < 20000; ++i) {
    UInt256 u, v;
    const int ul = 1 + static_cast<int>(rng() % 4), vl = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < ul; ++k) u.w[k] = rng();
    for (int k = 0; k < vl; ++k) v.w[k] = rng();
    // Sparse limbs and limbs near the top of their range stress the quotient estimate.
    if (rng() % 4 == 0) v.w[vl - 1] = ~0ull >> (rng() % 64);
    if (rng() % 4 == 0) u.w[rng() % 4] = 0;
    if (v.isZero()) v.w[0] = 1;
    expectDivision(u, v);
  }
}

TEST(UInt256, ProductsAndCarries) {
  const u128 max = ~static_cast<u128>(0);
  const UInt256 p = mul128(max, max);  // (2^128 - 1)^2 = 2^256 - 2^129 + 1
  EXPECT_EQ(p, make(~0ull, ~0ull - 1, 0, 1));
  EXPECT_EQ(mulLow(UInt256(max), UInt256(max)), p);
  EXPECT_EQ(add(UInt256(max), UInt256(1)), make(0, 1, 0, 0));
  EXPECT_EQ(sub(make(0, 1, 0, 0), UInt256(1)), UInt256(max));
  EXPECT_EQ(mulSmall(UInt256(max), 10), add(mulLow(UInt256(max), UInt256(8)), mulLow(UInt256(max), UInt256(2))));
}

}  // namespace
}  // namespace td::detail
