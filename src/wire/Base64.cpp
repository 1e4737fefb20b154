#include "wire/Base64.h"

#include <array>
#include <cstdint>

namespace td {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::int16_t kSkip = -1;
constexpr std::int16_t kInvalid = -2;

// Character classes of the decoder: the value of an alphabet character, kSkip for white space,
// kInvalid for everything else ("=" is handled before the table is consulted).
constexpr std::array<std::int16_t, 256> makeDecodeTable() {
  std::array<std::int16_t, 256> table{};
  for (auto& entry : table) entry = kInvalid;
  for (std::int16_t v = 0; v < 64; ++v) table[static_cast<unsigned char>(kAlphabet[v])] = v;
  for (const unsigned char c : {'\t', '\n', '\f', '\r', ' '}) table[c] = kSkip;
  return table;
}
constexpr std::array<std::int16_t, 256> kDecode = makeDecodeTable();

}  // namespace

std::optional<std::string> Base64::encodeBase64WithString(std::string_view text) {
  return encodeBase64WithData(text);
}

std::optional<std::string> Base64::encodeBase64WithData(std::string_view data) {
  if (data.empty()) return std::nullopt;
  std::string out(((data.size() + 2) / 3) * 4, '\0');
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t whole = data.size() - data.size() % 3;
  char* o = out.data();
  for (std::size_t i = 0; i < whole; i += 3) {
    const std::uint32_t group = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
    o[0] = kAlphabet[group >> 18];
    o[1] = kAlphabet[(group >> 12) & 63];
    o[2] = kAlphabet[(group >> 6) & 63];
    o[3] = kAlphabet[group & 63];
    o += 4;
  }
  const std::size_t rest = data.size() - whole;
  if (rest == 1) {
    o[0] = kAlphabet[in[whole] >> 2];
    o[1] = kAlphabet[(in[whole] & 3) << 4];
    o[2] = '=';
    o[3] = '=';
  } else if (rest == 2) {
    o[0] = kAlphabet[in[whole] >> 2];
    o[1] = kAlphabet[((in[whole] & 3) << 4) | (in[whole + 1] >> 4)];
    o[2] = kAlphabet[(in[whole + 1] & 15) << 2];
    o[3] = '=';
  }
  return out;
}

std::optional<std::string> Base64::decodeBase64WithString(std::string_view text) {
  const std::size_t n = text.size();
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  std::string out(n, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  std::size_t i = 0;  // data characters taken
  std::size_t j = 0;  // output bytes completed
  std::size_t p = 0;
  while (p < n) {
    // Fast path: four data characters at a group boundary make three whole bytes.
    if ((i & 3) == 0) {
      while (p + 4 <= n) {
        const std::int16_t a = kDecode[in[p]], b = kDecode[in[p + 1]], c = kDecode[in[p + 2]], d = kDecode[in[p + 3]];
        if ((a | b | c | d) < 0) break;
        o[j] = static_cast<unsigned char>((a << 2) | (b >> 4));
        o[j + 1] = static_cast<unsigned char>((b << 4) | (c >> 2));
        o[j + 2] = static_cast<unsigned char>((c << 6) | d);
        j += 3;
        i += 4;
        p += 4;
      }
      if (p >= n) break;
    }
    const unsigned char ch = in[p++];
    if (ch == '=') {
      if (p < n && in[p] == '=') {
        ++p;  // a second "=" right behind is skipped with the first
      } else if ((i & 3) == 1) {
        return std::nullopt;
      }
      continue;
    }
    const std::int16_t v = kDecode[ch];
    if (v == kSkip) continue;
    if (v == kInvalid) return std::nullopt;
    switch (i & 3) {
      case 0: o[j] = static_cast<unsigned char>(v << 2); break;
      case 1:
        o[j] = static_cast<unsigned char>(o[j] | (v >> 4));
        ++j;
        o[j] = static_cast<unsigned char>((v & 15) << 4);
        break;
      case 2:
        o[j] = static_cast<unsigned char>(o[j] | (v >> 2));
        ++j;
        o[j] = static_cast<unsigned char>((v & 3) << 6);
        break;
      case 3:
        o[j] = static_cast<unsigned char>(o[j] | v);
        ++j;
        break;
    }
    ++i;
  }
  out.resize(j);
  return out;
}

}  // namespace td
