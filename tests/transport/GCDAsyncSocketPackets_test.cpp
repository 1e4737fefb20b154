// Pre-buffer, read-packet arithmetic, error objects and the address helpers of the socket.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>

#include "transport/GCDAsyncSocket.h"
#include "transport/GCDAsyncSocketError.h"
#include "transport/GCDAsyncSocketPackets.h"
#include "transport/GCDAsyncSocketPreBuffer.h"

namespace td {
namespace {

using Bytes = GCDAsyncSocketBytes;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

void fill(GCDAsyncSocketPreBuffer& pre, const std::string& text) {
  pre.ensureCapacityForWrite(text.size());
  std::memcpy(pre.writeBuffer(), text.data(), text.size());
  pre.didWrite(text.size());
}

TEST(GCDAsyncSocketPreBuffer, ReadingEverythingRewindsAndFreesTheWholeBlock) {
  GCDAsyncSocketPreBuffer pre(16);
  fill(pre, "0123456789");
  EXPECT_EQ(pre.availableBytes(), 10u);
  EXPECT_EQ(pre.availableSpace(), 6u);
  pre.didRead(4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pre.readBuffer()), 6), "456789");
  EXPECT_EQ(pre.availableSpace(), 6u);  // no compaction while bytes remain
  pre.didRead(6);
  EXPECT_EQ(pre.availableBytes(), 0u);
  EXPECT_EQ(pre.availableSpace(), 16u);
}

TEST(GCDAsyncSocketPreBuffer, GrowsByExactlyTheMissingBytesAndKeepsItsContent) {
  GCDAsyncSocketPreBuffer pre(8);
  fill(pre, "abcdef");
  pre.didRead(2);
  pre.ensureCapacityForWrite(2);  // fits: untouched
  EXPECT_EQ(pre.preBufferSize(), 8u);
  pre.ensureCapacityForWrite(5);
  EXPECT_EQ(pre.preBufferSize(), 11u);
  fill(pre, "XYZ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pre.readBuffer()), pre.availableBytes()), "cdefXYZ");
  pre.reset();
  EXPECT_EQ(pre.availableBytes(), 0u);
  EXPECT_EQ(pre.preBufferSize(), 11u);
}

TEST(GCDAsyncReadPacket, LengthRulesForFixedAndOpenReads) {
  GCDAsyncReadPacket fixed(nullptr, 0, 0, -1, 10, nullptr, 1);
  EXPECT_TRUE(fixed.bufferOwner);
  EXPECT_EQ(fixed.buffer->size(), 10u);
  fixed.bytesDone = 4;
  EXPECT_EQ(fixed.readLengthForNonTermWithHint(100), 6u);
  bool preBuffer = true;
  EXPECT_EQ(fixed.optimalReadLengthWithDefault(4096, &preBuffer), 6u);
  EXPECT_FALSE(preBuffer);

  GCDAsyncReadPacket open(nullptr, 0, 0, -1, 0, nullptr, 2);
  EXPECT_EQ(open.buffer->size(), 0u);
  EXPECT_EQ(open.optimalReadLengthWithDefault(4096, &preBuffer), 4096u);
  EXPECT_TRUE(preBuffer);
  EXPECT_EQ(open.readLengthForNonTermWithHint(300), 300u);

  GCDAsyncReadPacket bounded(nullptr, 0, 50, -1, 0, nullptr, 3);
  bounded.bytesDone = 45;
  EXPECT_EQ(bounded.readLengthForNonTermWithHint(300), 5u);
}

TEST(GCDAsyncReadPacket, CallerBufferIsUsedInPlaceAndGrowsOnlyByTheShortfall) {
  auto buffer = std::make_shared<Bytes>(bytesOf("head"));
  GCDAsyncReadPacket packet(buffer, 2, 0, -1, 0, nullptr, 4);
  EXPECT_FALSE(packet.bufferOwner);
  EXPECT_EQ(packet.originalBufferLength, 4u);
  EXPECT_EQ(packet.buffer.get(), buffer.get());
  packet.ensureCapacityForAdditionalDataOfLength(2);  // room for 2 behind offset 2
  EXPECT_EQ(buffer->size(), 4u);
  packet.ensureCapacityForAdditionalDataOfLength(5);
  EXPECT_EQ(buffer->size(), 7u);
}

TEST(GCDAsyncReadPacket, TerminatorSplitBetweenPacketAndPreBufferIsFound) {
  const Bytes crlf = bytesOf("\r\n");
  GCDAsyncReadPacket packet(nullptr, 0, 0, -1, 0, &crlf, 5);
  packet.ensureCapacityForAdditionalDataOfLength(3);
  std::memcpy(packet.writePosition(), "ab\r", 3);
  packet.bytesDone = 3;
  GCDAsyncSocketPreBuffer pre(16);
  fill(pre, "\nrest");
  bool found = false;
  EXPECT_EQ(packet.readLengthForTermWithPreBuffer(pre, &found), 1u);
  EXPECT_TRUE(found);
}

TEST(GCDAsyncReadPacket, TerminatorSearchInPreBufferHonoursMaxLength) {
  const Bytes term = bytesOf("END");
  GCDAsyncReadPacket packet(nullptr, 0, 6, -1, 0, &term, 6);
  GCDAsyncSocketPreBuffer pre(32);
  fill(pre, "abcdefgEND");
  bool found = true;
  EXPECT_EQ(packet.readLengthForTermWithPreBuffer(pre, &found), 6u);  // bounded, terminator beyond the limit
  EXPECT_FALSE(found);

  GCDAsyncReadPacket unbounded(nullptr, 0, 0, -1, 0, &term, 7);
  EXPECT_EQ(unbounded.readLengthForTermWithPreBuffer(pre, &found), 10u);
  EXPECT_TRUE(found);

  GCDAsyncSocketPreBuffer shortPre(4);
  fill(shortPre, "EN");  // fewer bytes than the terminator: take them all, nothing found
  found = false;
  EXPECT_EQ(unbounded.readLengthForTermWithPreBuffer(shortPre, &found), 2u);
  EXPECT_FALSE(found);
}

TEST(GCDAsyncReadPacket, SearchAfterDirectReadLooksOnlyAtWindowsTouchingNewBytes) {
  const Bytes lf = bytesOf("\n");
  GCDAsyncReadPacket packet(nullptr, 0, 0, -1, 0, &lf, 8);
  packet.ensureCapacityForAdditionalDataOfLength(8);
  std::memcpy(packet.writePosition(), "a\nbc", 4);
  // Terminator ends exactly at the last new byte.
  packet.bytesDone = 0;
  EXPECT_EQ(packet.searchForTermAfterPreBuffering(2), 0);
  // Two bytes behind the terminator.
  EXPECT_EQ(packet.searchForTermAfterPreBuffering(4), 2);
  // The terminator lies before the new bytes: not found again.
  packet.bytesDone = 2;
  EXPECT_EQ(packet.searchForTermAfterPreBuffering(2), -1);

  const Bytes crlf = bytesOf("\r\n");
  GCDAsyncReadPacket split(nullptr, 0, 0, -1, 0, &crlf, 9);
  split.ensureCapacityForAdditionalDataOfLength(4);
  std::memcpy(split.writePosition(), "xy\r\n", 4);
  split.bytesDone = 3;  // "\r" already in, "\n" new
  EXPECT_EQ(split.searchForTermAfterPreBuffering(1), 0);
}

TEST(GCDAsyncSocketError, OwnDomainCodesAndTexts) {
  EXPECT_TRUE(GCDAsyncSocketError::badConfigError("x").is(GCDAsyncSocketErrorDomain, 1));
  EXPECT_TRUE(GCDAsyncSocketError::badParamError("x").is(GCDAsyncSocketErrorDomain, 2));
  EXPECT_EQ(GCDAsyncSocketError::connectTimeoutError().description, "Attempt to connect to host timed out");
  EXPECT_EQ(GCDAsyncSocketError::connectTimeoutError().code, 3);
  EXPECT_EQ(GCDAsyncSocketError::readTimeoutError().description, "Read operation timed out");
  EXPECT_EQ(GCDAsyncSocketError::readTimeoutError().code, 4);
  EXPECT_EQ(GCDAsyncSocketError::writeTimeoutError().description, "Write operation timed out");
  EXPECT_EQ(GCDAsyncSocketError::writeTimeoutError().code, 5);
  EXPECT_EQ(GCDAsyncSocketError::readMaxedOutError().description, "Read operation reached set maximum length");
  EXPECT_EQ(GCDAsyncSocketError::readMaxedOutError().code, 6);
  EXPECT_EQ(GCDAsyncSocketError::connectionClosedError().description, "Socket closed by remote peer");
  EXPECT_EQ(GCDAsyncSocketError::connectionClosedError().code, 7);
  EXPECT_TRUE(GCDAsyncSocketError::otherError("y").is(GCDAsyncSocketErrorDomain, 8));
}

TEST(GCDAsyncSocketError, ForeignDomainsCarryTheirCodesAndTexts) {
  errno = ECONNREFUSED;
  const auto posix = GCDAsyncSocketError::errnoErrorWithReason("Error in connect() function");
  EXPECT_EQ(posix.domain, "NSPOSIXErrorDomain");
  EXPECT_EQ(posix.code, ECONNREFUSED);
  EXPECT_EQ(posix.description, std::strerror(ECONNREFUSED));
  EXPECT_EQ(posix.failureReason, "Error in connect() function");

  const auto gai = GCDAsyncSocketError::gaiError(EAI_NONAME);
  EXPECT_EQ(gai.domain, "kCFStreamErrorDomainNetDB");
  EXPECT_EQ(gai.code, EAI_NONAME);
  EXPECT_EQ(gai.description, gai_strerror(EAI_NONAME));

  const auto ssl = GCDAsyncSocketError::sslError(errSSLClosedAbort);
  EXPECT_EQ(ssl.domain, "kCFStreamErrorDomainSSL");
  EXPECT_EQ(ssl.code, -9806);
  EXPECT_TRUE(ssl.description.empty());
  EXPECT_EQ(ssl.recoverySuggestion, "Error code definition can be found in Apple's SecureTransport.h");
}

TEST(GCDAsyncSocketAddresses, InterfaceDescriptionsResolveToBindAddresses) {
  std::optional<Bytes> a4;
  std::optional<Bytes> a6;
  GCDAsyncSocket::getInterfaceAddress(&a4, &a6, ":8080", 0);
  ASSERT_TRUE(a4 && a6);
  EXPECT_EQ(GCDAsyncSocket::hostFromAddress(*a4), "0.0.0.0");
  EXPECT_EQ(GCDAsyncSocket::portFromAddress(*a4), 8080);
  EXPECT_EQ(GCDAsyncSocket::hostFromAddress(*a6), "::");
  EXPECT_EQ(GCDAsyncSocket::portFromAddress(*a6), 8080);

  GCDAsyncSocket::getInterfaceAddress(&a4, &a6, "lo:70000", 0);  // out-of-range port: the given one stays
  ASSERT_TRUE(a4);
  EXPECT_EQ(GCDAsyncSocket::hostFromAddress(*a4), "127.0.0.1");
  EXPECT_EQ(GCDAsyncSocket::portFromAddress(*a4), 0);

  GCDAsyncSocket::getInterfaceAddress(&a4, &a6, "localhost", 443);
  ASSERT_TRUE(a4 && a6);
  EXPECT_EQ(GCDAsyncSocket::hostFromAddress(*a4), "127.0.0.1");
  EXPECT_EQ(GCDAsyncSocket::hostFromAddress(*a6), "::1");
  EXPECT_EQ(GCDAsyncSocket::portFromAddress(*a6), 443);

  GCDAsyncSocket::getInterfaceAddress(&a4, &a6, "127.0.0.1", 0);
  ASSERT_TRUE(a4);
  EXPECT_FALSE(a6);

  GCDAsyncSocket::getInterfaceAddress(&a4, &a6, "no-such-interface0", 0);
  EXPECT_FALSE(a4);
  EXPECT_FALSE(a6);
}

TEST(GCDAsyncSocketAddresses, NumericIPv6InterfaceIsNotMistakenForThePortSyntax) {
  // Splitting "::1" at its colons would bind to every interface instead of the loopback.
  std::optional<Bytes> a4;
  std::optional<Bytes> a6;
  GCDAsyncSocket::getInterfaceAddress(&a4, &a6, "::1", 0);
  EXPECT_FALSE(a4);
  if (a6) {
    EXPECT_EQ(GCDAsyncSocket::hostFromAddress(*a6), "::1");
  }
}

TEST(GCDAsyncSocketAddresses, HostAndPortFromSocketAddressData) {
  EXPECT_FALSE(GCDAsyncSocket::getHost(nullptr, nullptr, Bytes(15, 0)));
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(8310);
  inet_pton(AF_INET, "10.1.2.3", &sa.sin_addr);
  Bytes data(reinterpret_cast<std::uint8_t*>(&sa), reinterpret_cast<std::uint8_t*>(&sa) + sizeof sa);
  ASSERT_EQ(data.size(), 16u);
  std::string host;
  std::uint16_t port = 0;
  EXPECT_TRUE(GCDAsyncSocket::getHost(&host, &port, data));
  EXPECT_EQ(host, "10.1.2.3");
  EXPECT_EQ(port, 8310);

  sockaddr_in6 sa6{};
  sa6.sin6_family = AF_INET6;
  sa6.sin6_port = htons(8120);
  inet_pton(AF_INET6, "fe80::1", &sa6.sin6_addr);
  Bytes data6(reinterpret_cast<std::uint8_t*>(&sa6), reinterpret_cast<std::uint8_t*>(&sa6) + sizeof sa6);
  ASSERT_EQ(data6.size(), 28u);
  EXPECT_EQ(GCDAsyncSocket::hostFromAddress(data6), "fe80::1");
  EXPECT_EQ(GCDAsyncSocket::portFromAddress(data6), 8120);
  data6.resize(20);  // an IPv6 family with an IPv4 length
  EXPECT_FALSE(GCDAsyncSocket::getHost(nullptr, nullptr, data6));

  EXPECT_EQ(GCDAsyncSocket::CRLFData(), (Bytes{0x0D, 0x0A}));
  EXPECT_EQ(GCDAsyncSocket::ZeroData(), (Bytes{0x00}));
}

}  // namespace
}  // namespace td
