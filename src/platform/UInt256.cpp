#include "platform/UInt256.h"

namespace td::detail {

namespace {

// Long division of 32-bit limb numbers (Knuth, TAOCP vol. 2, 4.3.1, algorithm D).
// u has m limbs, v has n limbs with v[n-1] != 0, m >= n >= 2. q gets m-n+1 limbs, r gets n limbs.
void divideLimbs(std::uint32_t* q, std::uint32_t* r, const std::uint32_t* u, const std::uint32_t* v, int m,
                 int n) {
  constexpr std::uint64_t kBase = 1ull << 32;
  const int s = __builtin_clz(v[n - 1]);  // normalise so that the divisor's top bit is set
  // (x >> (32 - s)) with s == 0 shifts a 64-bit value by 32 and gives 0, as it must.
  std::uint32_t vn[8];
  std::uint32_t un[9];
  for (int i = n - 1; i > 0; --i) {
    vn[i] = (v[i] << s) | static_cast<std::uint32_t>(static_cast<std::uint64_t>(v[i - 1]) >> (32 - s));
  }
  vn[0] = v[0] << s;
  un[m] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(u[m - 1]) >> (32 - s));
  for (int i = m - 1; i > 0; --i) {
    un[i] = (u[i] << s) | static_cast<std::uint32_t>(static_cast<std::uint64_t>(u[i - 1]) >> (32 - s));
  }
  un[0] = u[0] << s;

  for (int j = m - n; j >= 0; --j) {
    const std::uint64_t num = (static_cast<std::uint64_t>(un[j + n]) << 32) | un[j + n - 1];
    std::uint64_t qhat = num / vn[n - 1];
    std::uint64_t rhat = num - qhat * vn[n - 1];
    while (qhat >= kBase || qhat * vn[n - 2] > ((rhat << 32) | un[j + n - 2])) {
      --qhat;
      rhat += vn[n - 1];
      if (rhat >= kBase) break;
    }
    // Multiply and subtract.
    std::int64_t k = 0;
    std::int64_t t = 0;
    for (int i = 0; i < n; ++i) {
      const std::uint64_t p = qhat * vn[i];
      t = static_cast<std::int64_t>(un[i + j]) - k - static_cast<std::int64_t>(p & 0xFFFFFFFFull);
      un[i + j] = static_cast<std::uint32_t>(t);
      k = static_cast<std::int64_t>(p >> 32) - (t >> 32);
    }
    t = static_cast<std::int64_t>(un[j + n]) - k;
    un[j + n] = static_cast<std::uint32_t>(t);
    q[j] = static_cast<std::uint32_t>(qhat);
    if (t < 0) {  // qhat was one too large: add the divisor back
      q[j] -= 1;
      std::uint64_t c = 0;
      for (int i = 0; i < n; ++i) {
        const std::uint64_t sum = static_cast<std::uint64_t>(un[i + j]) + vn[i] + c;
        un[i + j] = static_cast<std::uint32_t>(sum);
        c = sum >> 32;
      }
      un[j + n] = static_cast<std::uint32_t>(un[j + n] + c);
    }
  }
  for (int i = 0; i < n; ++i) {
    r[i] = (un[i] >> s) | static_cast<std::uint32_t>(static_cast<std::uint64_t>(un[i + 1]) << (32 - s));
  }
}

}  // namespace

void divmod(const UInt256& u, const UInt256& v, UInt256& q, UInt256& r) {
  if (u.fitsU128() && v.fitsU128()) {
    const u128 a = u.low128(), b = v.low128();
    q = UInt256(a / b);
    r = UInt256(a % b);
    return;
  }
  if (cmp(u, v) < 0) {
    q = UInt256();
    r = u;
    return;
  }
  std::uint32_t ul[8], vl[8], ql[8] = {}, rl[8] = {};
  for (int i = 0; i < 4; ++i) {
    ul[2 * i] = static_cast<std::uint32_t>(u.w[i]);
    ul[2 * i + 1] = static_cast<std::uint32_t>(u.w[i] >> 32);
    vl[2 * i] = static_cast<std::uint32_t>(v.w[i]);
    vl[2 * i + 1] = static_cast<std::uint32_t>(v.w[i] >> 32);
  }
  int m = 8, n = 8;
  while (m > 0 && ul[m - 1] == 0) --m;
  while (n > 0 && vl[n - 1] == 0) --n;
  if (n == 1) {
    std::uint64_t rem = 0;
    for (int j = m - 1; j >= 0; --j) {
      const std::uint64_t cur = (rem << 32) | ul[j];
      ql[j] = static_cast<std::uint32_t>(cur / vl[0]);
      rem = cur - static_cast<std::uint64_t>(ql[j]) * vl[0];
    }
    rl[0] = static_cast<std::uint32_t>(rem);
  } else {
    divideLimbs(ql, rl, ul, vl, m, n);
  }
  for (int i = 0; i < 4; ++i) {
    q.w[i] = (static_cast<std::uint64_t>(ql[2 * i + 1]) << 32) | ql[2 * i];
    r.w[i] = (static_cast<std::uint64_t>(rl[2 * i + 1]) << 32) | rl[2 * i];
  }
}

}  // namespace td::detail
