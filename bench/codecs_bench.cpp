// Costs of the wire codecs: sealing one request frame (cipher + Base64), Base64 decoding, and gzip
// inflation against zlib alone.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <string>

#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/NSDataAdditions.h"
#include "wire/SessionKey.h"

namespace {

std::string frameOf(std::size_t size) {
  std::string frame = "\x01" "300\x03" "10=60\x03" "34=1001\x03" "23=alice\x03";
  while (frame.size() + 1 < size) frame += "12=EURUSD\x03";
  frame.resize(size - 1);
  frame += '\x02';
  return frame;
}

const std::string& sessionKey() {
  static const std::string key = td::GenerateNewEncryptionKey("alice", "secret", "77", "20240102030405");
  return key;
}

// A 300-byte frame through the envelope's cipher and Base64, with the key cached after the first call.
void BM_EncryptAndBase64Frame300(benchmark::State& state) {
  const std::string frame = frameOf(300);
  for (auto _ : state) {
    auto cipher = td::Crypto::transformData(frame, td::Crypto::kAlgorithmAES, td::Crypto::kEncrypt, sessionKey());
    auto text = td::Base64::encodeBase64WithData(*cipher);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_EncryptAndBase64Frame300);

// What the same costs when key and IV are derived for every message.
void BM_DeriveKeyAndIvPerMessage(benchmark::State& state) {
  const std::string salt = td::Crypto::generateSalt(sessionKey().size() + 1);
  for (auto _ : state) {
    auto key = td::Crypto::keyBySaltingPassword(sessionKey(), salt, 32, td::Crypto::kIterations);
    auto iv = td::Crypto::keyBySaltingPassword(sessionKey(), salt, 16, td::Crypto::kIterations);
    benchmark::DoNotOptimize(key);
    benchmark::DoNotOptimize(iv);
  }
}
BENCHMARK(BM_DeriveKeyAndIvPerMessage)->Unit(benchmark::kMicrosecond);

// The reverse: Base64 decoding and decryption of an incoming 300-byte envelope payload.
void BM_Base64AndDecryptFrame300(benchmark::State& state) {
  const std::string text = *td::Base64::encodeBase64WithData(
      *td::Crypto::transformData(frameOf(300), td::Crypto::kAlgorithmAES, td::Crypto::kEncrypt, sessionKey()));
  for (auto _ : state) {
    auto bytes = td::Base64::decodeBase64WithString(text);
    auto plain = td::Crypto::transformData(*bytes, td::Crypto::kAlgorithmAES, td::Crypto::kDecrypt, sessionKey());
    benchmark::DoNotOptimize(plain);
  }
}
BENCHMARK(BM_Base64AndDecryptFrame300);

std::string randomBytes(std::size_t n) {
  std::mt19937 rng(11);
  std::string data(n, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  return data;
}

void BM_Base64Decode(benchmark::State& state) {
  const std::string text = *td::Base64::encodeBase64WithData(randomBytes(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    auto bytes = td::Base64::decodeBase64WithString(text);
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Base64Decode)->Arg(300)->Arg(1 << 20);

void BM_Base64Encode(benchmark::State& state) {
  const std::string data = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto text = td::Base64::encodeBase64WithData(data);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Base64Encode)->Arg(1 << 20);

// A login data set: rows of columns, compressible like the real one.
const std::string& loginDataSet() {
  static const std::string text = [] {
    std::string out;
    std::mt19937 rng(5);
    for (int row = 0; out.size() < (4u << 20); ++row) {
      out += std::to_string(row) + "\x05" "EURUSD" + std::to_string(row % 50) + "\x05" +
             std::to_string(1.0 + (rng() % 100000) / 100000.0) + "\x05" "Regular\x05" + std::to_string(rng() % 1000) +
             "\x06";
    }
    return out;
  }();
  return text;
}

void BM_GzipInflate(benchmark::State& state) {
  const std::string gz = *td::NSDataAdditions::gzipDeflate(loginDataSet());
  for (auto _ : state) {
    auto plain = td::NSDataAdditions::gzipInflate(gz);
    benchmark::DoNotOptimize(plain);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * loginDataSet().size()));
  state.counters["ratio"] = static_cast<double>(loginDataSet().size()) / static_cast<double>(gz.size());
}
BENCHMARK(BM_GzipInflate)->Unit(benchmark::kMillisecond);

// zlib alone, into a buffer that already has the right size: the floor for BM_GzipInflate.
void BM_ZlibInflateOnly(benchmark::State& state) {
  const std::string gz = *td::NSDataAdditions::gzipDeflate(loginDataSet());
  std::string out(loginDataSet().size(), '\0');
  for (auto _ : state) {
    z_stream stream{};
    inflateInit2(&stream, 15 + 32);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
    stream.avail_in = static_cast<uInt>(gz.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (rc != Z_STREAM_END) state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * loginDataSet().size()));
}
BENCHMARK(BM_ZlibInflateOnly)->Unit(benchmark::kMillisecond);

}  // namespace
