#include "wire/NSDataAdditions.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

namespace td {
namespace {

std::string text(std::size_t n) {
  std::string out;
  for (std::size_t i = 0; out.size() < n; ++i) out += "row " + std::to_string(i % 97) + ";AMP\x05" + "1.2345\x06";
  out.resize(n);
  return out;
}

std::string zlibCompress(std::string_view data) {
  uLongf length = compressBound(static_cast<uLong>(data.size()));
  std::string out(length, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(length);
  return out;
}

TEST(Gzip, DeflateInflateRoundTripsAndZlibStreamsInflateTheSame) {
  for (const std::size_t n : {1, 100, 70000, 3000000}) {
    const std::string plain = text(n);
    const std::string gz = *NSDataAdditions::gzipDeflate(plain);
    ASSERT_EQ(static_cast<unsigned char>(gz[0]), 0x1F);
    EXPECT_EQ(NSDataAdditions::gzipInflate(gz), plain) << n;
    EXPECT_EQ(NSDataAdditions::gzipInflate(zlibCompress(plain)), plain) << n;
  }
  std::mt19937 rng(3);
  std::string noise(50000, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  EXPECT_EQ(NSDataAdditions::gzipInflate(*NSDataAdditions::gzipDeflate(noise)), noise);
}

TEST(Gzip, EmptyBufferComesBackUnchanged) {
  EXPECT_EQ(NSDataAdditions::gzipInflate(""), "");
  EXPECT_EQ(NSDataAdditions::gzipDeflate(""), "");
}

TEST(Gzip, HighlyCompressedInputGrowsTheOutputAsFarAsNeeded) {
  const std::string zeros(20'000'000, '\0');
  const std::string gz = *NSDataAdditions::gzipDeflate(zeros);
  EXPECT_LT(gz.size(), 40'000u);
  EXPECT_EQ(NSDataAdditions::gzipInflate(gz), zeros);
}

TEST(Gzip, ConcatenatedMembersAreAllInflatedTrailingBytesIgnored) {
  const std::string a = *NSDataAdditions::gzipDeflate("first member, ");
  const std::string b = *NSDataAdditions::gzipDeflate(text(5000));
  EXPECT_EQ(NSDataAdditions::gzipInflate(a + b + a), "first member, " + text(5000) + "first member, ");
  EXPECT_EQ(NSDataAdditions::gzipInflate(a + std::string("\0\0\0junk", 7)), "first member, ");
  EXPECT_EQ(NSDataAdditions::gzipInflate(zlibCompress("zlib") + "junk"), "zlib");
  // A second member that is cut short spoils the whole.
  EXPECT_EQ(NSDataAdditions::gzipInflate(a + b.substr(0, b.size() - 1)), std::nullopt);
}

TEST(Gzip, EveryTruncationAndCorruptionYieldsNothing) {
  const std::string plain = text(3000);
  for (const std::string& stream : {*NSDataAdditions::gzipDeflate(plain), zlibCompress(plain)}) {
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
      ASSERT_EQ(NSDataAdditions::gzipInflate(stream.substr(0, cut)), std::nullopt) << cut;
    }
    std::string corrupt = stream;
    corrupt[corrupt.size() - 6] ^= 0x55;  // the gzip CRC or the zlib body
    EXPECT_EQ(NSDataAdditions::gzipInflate(corrupt), std::nullopt);
  }
  EXPECT_EQ(NSDataAdditions::gzipInflate("not compressed at all"), std::nullopt);
}

TEST(Gzip, FilesAreInflatedOnlyWhenTheirExtensionIsGz) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("td_gzip_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string gz = *NSDataAdditions::gzipDeflate("<Table/>");
  for (const char* name : {"data.xml.gz", "data.GZ"}) std::ofstream(dir / name, std::ios::binary) << gz;
  EXPECT_EQ(NSDataAdditions::dataWithUncompressedContentsOfFile((dir / "data.xml.gz").string()), "<Table/>");
  EXPECT_EQ(NSDataAdditions::dataWithUncompressedContentsOfFile((dir / "data.GZ").string()), gz);
  EXPECT_EQ(NSDataAdditions::dataWithUncompressedContentsOfFile((dir / "missing.gz").string()), std::nullopt);
  EXPECT_EQ(NSDataAdditions::dataWithUncompressedContentsOfFile(dir.string()), std::nullopt);
  std::ofstream(dir / "bad.gz", std::ios::binary) << "plain";
  EXPECT_EQ(NSDataAdditions::dataWithUncompressedContentsOfFile((dir / "bad.gz").string()), std::nullopt);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace td
