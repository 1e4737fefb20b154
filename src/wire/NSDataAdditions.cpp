#include "wire/NSDataAdditions.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace td {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> makeValues() {
  std::array<std::int8_t, 256> table{};
  for (auto& entry : table) entry = -1;
  for (std::int8_t v = 0; v < 64; ++v) table[static_cast<unsigned char>(kAlphabet[v])] = v;
  return table;
}
constexpr std::array<std::int8_t, 256> kValues = makeValues();

bool isGzipHeaderAt(std::string_view data, std::size_t pos) {
  return data.size() - pos >= 2 && static_cast<unsigned char>(data[pos]) == 0x1F &&
         static_cast<unsigned char>(data[pos + 1]) == 0x8B;
}

uInt chunk(std::size_t n) { return static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX)); }

}  // namespace

std::string NSDataAdditions::initWithBase64EncodedString(std::string_view text) {
  std::string out;
  if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return out;
  }
  out.reserve(text.size() / 4 * 3 + 2);
  std::array<unsigned, 4> group{};
  std::size_t held = 0;
  for (const char c : text) {
    if (c == '=') {
      // One held character carries only six bits; its final byte takes them with zero low bits.
      if (held >= 1) out.push_back(static_cast<char>((group[0] << 2) | (held >= 2 ? group[1] >> 4 : 0)));
      if (held == 3) out.push_back(static_cast<char>(((group[1] & 15) << 4) | (group[2] >> 2)));
      return out;
    }
    const std::int8_t v = kValues[static_cast<unsigned char>(c)];
    if (v < 0) continue;
    group[held++] = static_cast<unsigned>(v);
    if (held == 4) {
      out.push_back(static_cast<char>((group[0] << 2) | (group[1] >> 4)));
      out.push_back(static_cast<char>(((group[1] & 15) << 4) | (group[2] >> 2)));
      out.push_back(static_cast<char>(((group[2] & 3) << 6) | group[3]));
      held = 0;
    }
  }
  return out;
}

std::string NSDataAdditions::base64EncodingWithLineLength(std::string_view data, std::uint32_t lineLength) {
  std::string out;
  if (data.empty()) return out;
  const std::size_t groups = (data.size() + 2) / 3;
  out.reserve(groups * 4 + (lineLength > 0 ? groups : 0));
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  std::uint64_t lineCount = 0;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::size_t left = data.size() - i;
    const unsigned b0 = in[i];
    const unsigned b1 = left > 1 ? in[i + 1] : 0;
    const unsigned b2 = left > 2 ? in[i + 2] : 0;
    out.push_back(kAlphabet[b0 >> 2]);
    out.push_back(kAlphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    out.push_back(left > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=');
    out.push_back(left > 2 ? kAlphabet[b2 & 63] : '=');
    if (lineLength > 0) {
      lineCount += 4;
      if (lineCount >= lineLength) {
        out.push_back('\n');
        lineCount = 0;
      }
    }
  }
  return out;
}

std::optional<std::string> NSDataAdditions::gzipDeflate(std::string_view data) {
  if (data.empty()) return std::string();
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return std::nullopt;
  }
  std::string out(std::max<std::size_t>(deflateBound(&stream, static_cast<uLong>(data.size())), 64), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  std::size_t consumed = 0;
  std::size_t produced = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (produced == out.size()) out.resize(out.size() * 2);
    if (stream.avail_in == 0) stream.avail_in = chunk(data.size() - consumed);
    const uInt availIn = stream.avail_in;
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    stream.avail_out = chunk(out.size() - produced);
    const uInt availOut = stream.avail_out;
    const bool last = consumed + availIn == data.size();
    rc = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
    consumed += availIn - stream.avail_in;
    produced += availOut - stream.avail_out;
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) break;
  }
  deflateEnd(&stream);
  if (rc != Z_STREAM_END) return std::nullopt;
  out.resize(produced);
  return out;
}

std::optional<std::string> NSDataAdditions::gzipInflate(std::string_view data) {
  if (data.empty()) return std::string();
  z_stream stream{};
  // Window bits 15 + 32: a zlib or a gzip header is recognised.
  if (inflateInit2(&stream, 15 + 32) != Z_OK) return std::nullopt;
  const auto* begin = reinterpret_cast<const Bytef*>(data.data());
  stream.next_in = const_cast<Bytef*>(begin);
  const bool gzipMember = isGzipHeaderAt(data, 0);
  // Start at one and a half times the input and double from there: linear cost for any ratio.
  std::string out(std::min(std::max<std::size_t>(data.size() + data.size() / 2, 1024), kMaxInflatedSize), '\0');
  std::size_t produced = 0;
  bool done = false;
  while (!done) {
    if (produced == out.size()) {
      if (out.size() >= kMaxInflatedSize) break;
      out.resize(std::min(out.size() * 2, kMaxInflatedSize));
    }
    const std::size_t consumed = static_cast<std::size_t>(stream.next_in - begin);
    if (stream.avail_in == 0) stream.avail_in = chunk(data.size() - consumed);
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    stream.avail_out = chunk(out.size() - produced);
    const uInt availOut = stream.avail_out;
    const int rc = inflate(&stream, Z_SYNC_FLUSH);
    produced += availOut - stream.avail_out;
    if (rc == Z_STREAM_END) {
      // Another gzip member may follow; anything else after the stream is ignored.
      const std::size_t next = static_cast<std::size_t>(stream.next_in - begin);
      if (gzipMember && isGzipHeaderAt(data, next) && inflateReset(&stream) == Z_OK) {
        continue;
      }
      done = true;
    } else if (rc != Z_OK) {
      break;
    }
  }
  if (inflateEnd(&stream) != Z_OK || !done) return std::nullopt;
  out.resize(produced);
  return out;
}

std::optional<std::string> NSDataAdditions::dataWithUncompressedContentsOfFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  if (std::filesystem::path(path).extension() == ".gz") return gzipInflate(bytes);
  return bytes;
}

}  // namespace td
