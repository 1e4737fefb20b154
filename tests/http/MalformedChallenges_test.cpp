// Challenges that the engine must not answer: NTLM challenges that are empty, not challenge
// messages, or ones the NTLM mechanism cannot take, from a server (401), a proxy (407) and a proxy
// of tunnels; and challenges whose header value holds a carriage return or a NUL.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "GSSNTLMSanitizers.h"
#include "HTTPTestSupport.h"
#include "http/HTTPUtilities.h"
#include "http/NTLMSecurityContext.h"
#include "wire/Base64.h"

namespace td {
namespace {

using test::RecordingDelegate;
using namespace std::string_literals;

// A peer on 127.0.0.1 that answers a request without credentials with the challenge `first` and
// one with credentials with `afterCredentials` (401 or 407, as the head is for a server or a
// proxy), and lets any NTLM authenticate message in. It serves any number of connections.
class ChallengingPeer {
 public:
  ChallengingPeer(std::string first, std::string afterCredentials)
      : first_(std::move(first)), afterCredentials_(std::move(afterCredentials)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(listener_, 16) == 0 &&
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
      thread_ = std::thread([this] { serve(); });
    }
  }
  ~ChallengingPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }
  std::string lastHead() const {
    std::lock_guard hold(lock_);
    return lastHead_;
  }

 private:
  std::string answer(const std::string& head) const {
    if (head.find("Authorization: NTLM TlRMTVNTUAAD") != std::string::npos)  // "NTLMSSP\0", type 3
      return "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nwelcome";
    // A CONNECT, or a request for an absolute URL, is for a proxy.
    const bool proxy = head.rfind("CONNECT ", 0) == 0 || head.find(" http://") < head.find("\r\n");
    const bool credentials = head.find("Authorization: ") != std::string::npos;
    return std::string(proxy ? "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: "
                             : "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: ") +
           (credentials ? afterCredentials_ : first_) + "\r\nContent-Length: 0\r\n\r\n";
  }

  void serve() {
    std::vector<std::pair<int, std::string>> connections;  // and what came on each
    while (!stop_) {
      std::vector<pollfd> polled{{listener_, POLLIN, 0}};
      for (const auto& c : connections) polled.push_back({c.first, POLLIN, 0});
      if (::poll(polled.data(), polled.size(), 20) <= 0) continue;
      for (std::size_t i = connections.size(); i-- > 0;) {
        if (!polled[i + 1].revents) continue;
        auto& [fd, in] = connections[i];
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
          ::close(fd);
          connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
          continue;
        }
        in.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = in.find("\r\n\r\n")) != std::string::npos; in.erase(0, end + 4)) {
          const std::string head = in.substr(0, end + 4), out = answer(head);
          std::lock_guard hold(lock_);
          lastHead_ = head;
          [[maybe_unused]] const ssize_t sent = ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        }
      }
      if (polled[0].revents & POLLIN)
        if (const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC); fd >= 0) connections.push_back({fd, {}});
    }
    for (const auto& c : connections) ::close(c.first);
  }

  const std::string first_, afterCredentials_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex lock_;
  std::string lastHead_;
};

std::string utf16(std::string_view ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

std::string le(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xff));
  return out;
}

std::uint32_t le16At(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

std::string attribute(std::uint16_t kind, const std::string& value) {
  return le(kind, 2) + le(static_cast<std::uint32_t>(value.size()), 2) + value;
}

// A challenge message as a server makes one: the header (with the version when the flags say so),
// then the target name, then the target information.
struct Challenge {
  static constexpr std::uint32_t kUnicode = 0x1, kOEM = 0x2, kVersion = 0x02000000;
  std::uint32_t flags = 0xe2898215;  // Unicode, NTLM, extended session security, target info, version, ...
  std::string targetName = utf16("TESTDOM");
  std::string targetInfo =
      attribute(2, utf16("TESTDOM")) + attribute(1, utf16("PROXY")) + attribute(4, utf16("testdom.example")) + attribute(0, "");

  std::string bytes() const {
    const std::size_t header = (flags & kVersion) ? 56 : 48;
    const auto field = [](const std::string& value, std::size_t offset) {
      return le(static_cast<std::uint32_t>(value.size()), 2) + le(static_cast<std::uint32_t>(value.size()), 2) +
             le(static_cast<std::uint32_t>(offset), 4);
    };
    std::string message = std::string("NTLMSSP\0", 8) + le(2, 4) + field(targetName, header) + le(flags, 4) +
                          "\x01\x23\x45\x67\x89\xab\xcd\xef" + std::string(8, '\0') +
                          field(targetInfo, header + targetName.size());
    if (flags & kVersion) message += std::string("\x0a\x00\x63\x45\x00\x00\x00\x0f", 8);
    return message + targetName + targetInfo;
  }
  std::string base64() const { return base64forData(bytes()); }
};

// The challenge that the NTLM mechanism writes through a null pointer for: Unicode, with a target
// name of length 0.
const std::string kUnicodeWithoutTarget =
    "TlRMTVNTUAACAAAAAAAAADgAAAAVgoniASNFZ4mrze8AAAAAAAAAAAAAAAA4AAAACgBjRQAAAA8=";

class MalformedChallengeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(NTLMSecurityContext::available()) << "GSSAPI offers no NTLM mechanism (gss-ntlmssp)";
    ASIHTTPRequest::clearSession();
  }

  // A request that meets `peer` as `path` says: "server" (the peer is the origin), "proxy" (it is
  // the proxy of a plain request) or "tunnel" (the proxy of an https request).
  static ASIHTTPRequest::Ptr requestThrough(const ChallengingPeer& peer, const std::string& path) {
    const std::string self = "127.0.0.1:" + std::to_string(peer.port());
    auto request = ASIHTTPRequest::requestWithURL(URL::URLWithString(
        path == "server" ? "http://" + self + "/" : path == "proxy" ? "http://origin.test/" : "https://origin.test/"));
    if (path != "server") {
      request->setProxyHost("127.0.0.1");
      request->setProxyPort(peer.port());
    }
    request->setUsername("TESTDOM\\ann");
    request->setPassword("secret");
    return request;
  }

  test::MainQueueFixture main;
};

TEST_F(MalformedChallengeTest, AnNTLMChallengeThatIsEmptyOrNamesNoTargetInUnicodeEndsTheRequestUnanswered) {
  const std::vector<std::pair<std::string, std::string>> challenges{
      {"A", "The NTLM challenge is empty"},  // a single character of Base64 decodes to no bytes
      {kUnicodeWithoutTarget, "The NTLM challenge names no target"}};
  for (const std::string path : {"server", "proxy", "tunnel"}) {
    for (const auto& [challenge, reason] : challenges) {
      ChallengingPeer peer("NTLM", "NTLM " + challenge);
      ASSERT_NE(peer.port(), 0);
      RecordingDelegate d;
      auto request = requestThrough(peer, path);
      main.run(request, d);
      ASSERT_EQ(d.failed, 1) << path << " " << challenge;
      EXPECT_EQ(d.lastError->code, ASIInternalErrorWhileApplyingCredentialsType) << d.lastError->toString();
      EXPECT_EQ(d.lastError->description, path == "server" ? "Failed to apply credentials to request"
                                                           : "Failed to apply proxy credentials to request");
      EXPECT_EQ(d.lastError->failureReason, reason) << path;
      EXPECT_EQ(request->responseStatusCode(), path == "server" ? 401 : 407);
      // The negotiate message ("NTLMSSP\0", type 1) was the last one sent.
      EXPECT_NE(peer.lastHead().find("Authorization: NTLM TlRMTVNTUAAB"), std::string::npos) << path;
    }
  }
}

TEST_F(MalformedChallengeTest, AChallengeHoldingACarriageReturnOrNULEndsTheRequestAsOneThatCannotBeAnswered) {
  struct Case {
    const char* what;
    const char* path;
    std::string first, afterCredentials;
    const char* description;
  };
  const std::string digest = "Digest realm=\"r\", nonce=\"n1\", qop=\"auth\"";
  // The transport refuses a NUL in a head itself; the engine reads the answers to its own CONNECTs.
  for (const Case& c : {Case{"CR in the realm", "server", "Digest realm=\"a\rb\", nonce=\"n\"", "",
                             "Failed to get authentication object from response headers"},
                        Case{"CR in a stale nonce", "server", digest, "Digest realm=\"r\", nonce=\"n\r2\", stale=true",
                             "Failed to apply credentials to request"},
                        Case{"CR in an NTLM challenge", "server", "NTLM", "NTLM " + Challenge().base64().insert(8, "\r"),
                             "Failed to apply credentials to request"},
                        Case{"NUL after an NTLM challenge", "tunnel", "NTLM", "NTLM " + Challenge().base64() + "\0"s,
                             "Failed to apply proxy credentials to request"}}) {
    ChallengingPeer peer(c.first, c.afterCredentials);
    ASSERT_NE(peer.port(), 0);
    RecordingDelegate d;
    auto request = requestThrough(peer, c.path);
    request->setUsername("ann");
    main.run(request, d);
    ASSERT_EQ(d.failed, 1) << c.what;
    EXPECT_EQ(d.lastError->code, ASIInternalErrorWhileApplyingCredentialsType) << c.what << ": " << d.lastError->toString();
    EXPECT_EQ(d.lastError->description, c.description) << c.what;
  }
}

// The check of a challenge message, field by field.
TEST(NTLMChallengeCheck, WellFormedChallengesPassAndEveryTruncationOfThemIsRefused) {
  Challenge unicode;
  Challenge named;  // the challenge that names no target, with a name
  named.targetInfo.clear();
  Challenge oem = named;  // or without Unicode
  oem.flags = (oem.flags & ~Challenge::kUnicode) | Challenge::kOEM;
  oem.targetName.clear();
  Challenge noVersion;
  noVersion.flags &= ~Challenge::kVersion;
  Challenge unknownAttribute;  // kinds the mechanism does not read may have any length
  unknownAttribute.targetInfo = attribute(0x77, "odd") + attribute(0, "");
  Challenge emptyDNSDomain;  // as Samba's ntlm_auth sends it for a host without a DNS domain
  emptyDNSDomain.targetInfo = attribute(2, utf16("VM")) + attribute(1, utf16("VM")) + attribute(4, "") +
                              attribute(3, utf16("vm")) + attribute(0, "");
  for (const Challenge& challenge : {unicode, named, oem, noVersion, unknownAttribute, emptyDNSDomain}) {
    const std::string message = challenge.bytes();
    EXPECT_EQ(NTLMSecurityContext::challengeFault(message), std::nullopt) << base64forData(message);
    for (std::size_t size = 0; size < message.size(); ++size)
      EXPECT_TRUE(NTLMSecurityContext::challengeFault(message.substr(0, size))) << size << " of " << message.size();
  }
}

// What the mechanism reads passes, and it answers it: the 32 bytes of old servers, a Unicode name
// that no target type asks it to read, bytes after the target information's terminator. Made by
// the mechanism itself (through the local acceptor) and by hand; what it would crash on is refused.
TEST(NTLMChallengeCheck, ChallengesTheMechanismReadsPassAndItAnswersEach) {
  test::NTLMAccounts accounts;
  std::string error;
  const auto negotiated = [&error] {
    auto context = NTLMSecurityContext::start("TESTDOM", "ann", "secret", "localhost", &error);
    std::optional<std::string> message;
    if (context) message = context->negotiateMessage(&error);
    return std::make_pair(std::move(context), message);
  };
  const auto [client, negotiate] = negotiated();
  ASSERT_TRUE(negotiate) << error;
  // The acceptor's challenge to a negotiate message of ours.
  test::Process acceptor(
      "/usr/bin/python3",
      {"-c",
       "import base64, sys, gssapi\n"
       "mech = gssapi.OID.from_int_seq('1.3.6.1.4.1.311.2.2.10')\n"
       "ctx = gssapi.SecurityContext(creds=gssapi.Credentials(usage='accept', mechs=[mech]), usage='accept')\n"
       "print(base64.b64encode(ctx.step(base64.b64decode(sys.argv[1]))).decode(), flush=True)\n",
       base64forData(*negotiate)});
  const auto line = acceptor.readLine(std::chrono::seconds(10));
  ASSERT_TRUE(line) << "the acceptor made no challenge";
  const std::string made = Base64::decodeBase64WithString(*line).value_or("");
  ASSERT_GT(made.size(), 56u) << *line;
  constexpr std::uint32_t kTargetTypes = 0x30000, kTargetInfo = 0x800000;
  const std::uint32_t flags = le16At(made, 20) | le16At(made, 22) << 16;
  ASSERT_TRUE(flags & Challenge::kUnicode && flags & kTargetTypes && flags & kTargetInfo) << flags;
  const auto withFlags = [](std::string message, std::uint32_t value) { return message.replace(20, 4, le(value, 4)); };
  std::string madeTrailing = made + "\x01\x02\x03";  // the target information is the payload's last field
  const std::uint32_t infoLength = le16At(made, 40) + 3;
  madeTrailing.replace(40, 4, le(infoLength, 2) + le(infoLength, 2));
  const std::string madeUnnamed = withFlags(made.substr(0, 12) + le(0, 4) + made.substr(16), flags & ~kTargetTypes);

  Challenge unnamed;
  unnamed.targetName.clear();
  unnamed.flags &= ~kTargetTypes;
  Challenge trailing;
  trailing.targetInfo += std::string(5, '\0');
  Challenge old = unnamed;
  old.flags &= ~(kTargetInfo | Challenge::kVersion);
  Challenge unannounced;  // a target information field the flags do not announce is not read
  unannounced.flags &= ~kTargetInfo;
  const std::string strayInfo = unannounced.bytes().replace(44, 4, le(0xfffffff0, 4));
  for (const auto& [what, challenge] : std::vector<std::pair<const char*, std::string>>{
           {"the acceptor's", made},
           {"the acceptor's, with bytes after the terminator", madeTrailing},
           {"the acceptor's first 32 bytes", withFlags(made.substr(0, 32), flags & ~(kTargetTypes | kTargetInfo))},
           {"the acceptor's, with an empty name and no target type", madeUnnamed},
           {"Unicode with an empty name and no target type", unnamed.bytes()},
           {"bytes after the terminator", trailing.bytes()},
           {"32 bytes", old.bytes().substr(0, 32)},
           {"an unannounced target information field outside the message", strayInfo}}) {
    EXPECT_EQ(NTLMSecurityContext::challengeFault(challenge), std::nullopt) << what;
    auto context = negotiated().first;
    ASSERT_TRUE(context) << error;
    EXPECT_TRUE(context->authenticateMessage(challenge, &error)) << what << ": " << error;
  }
  // What the mechanism writes through a null pointer for stays refused: an empty Unicode name that a
  // target type makes it read, in a whole message or in 32 bytes.
  Challenge typedOld = old;
  typedOld.flags |= 0x10000;
  for (const std::string& challenge : {withFlags(madeUnnamed, flags), typedOld.bytes().substr(0, 32)})
    EXPECT_EQ(NTLMSecurityContext::challengeFault(challenge), "The NTLM challenge names no target");
}

TEST(NTLMChallengeCheck, RefusesAnotherMessageFieldsOutsideItAndTargetInformationThatIsNotAListOfAttributes) {
  const auto patched = [](std::size_t at, const std::string& bytes) { return Challenge().bytes().replace(at, bytes.size(), bytes); };
  const auto withInfo = [](const std::string& info) {
    Challenge challenge;
    challenge.targetInfo = info;
    return challenge.bytes();
  };
  const auto size = static_cast<std::uint32_t>(Challenge().bytes().size());
  Challenge oddName;
  oddName.targetName = "ABC";
  const std::string name = attribute(2, utf16("TESTDOM")), end = attribute(0, "");
  for (const auto& [what, message] : std::vector<std::pair<const char*, std::string>>{
           {"signature", patched(0, "NTLMSSQ")},
           {"negotiate message", patched(8, le(1, 4))},
           {"authenticate message", patched(8, le(3, 4))},
           {"target name past the end", patched(16, le(size - 4, 4))},
           {"target name in the header", patched(16, le(40, 4))},
           {"target name far away", patched(16, le(0xfffffff0, 4))},
           {"target name longer than the message", patched(12, le(0xffff, 2))},
           {"target name of odd length in Unicode", oddName.bytes()},
           {"target information past the end", patched(44, le(size - 2, 4))},
           {"target information in the version", patched(44, le(50, 4))},
           {"target information longer than the message", patched(40, le(0x2000, 2))},
           {"no terminator", withInfo(name)},
           {"half an attribute", withInfo(name + "\x02")},
           {"a value past the end", withInfo(name + le(1, 2) + le(6, 2) + "ABCD")},
           {"a value on the terminator", withInfo(name + attribute(0, "xx"))},
           {"a kind twice", withInfo(name + name + end)},
           {"a name of odd length", withInfo(attribute(3, "abc") + end)},
           {"short flags", withInfo(attribute(6, "ab") + end)},
           {"a short time", withInfo(attribute(7, "abcd") + end)},
           {"short single-host data", withInfo(attribute(8, std::string(47, 'x')) + end)},
           {"short channel bindings", withInfo(attribute(10, std::string(15, 'x')) + end)}})
    EXPECT_TRUE(NTLMSecurityContext::challengeFault(message)) << what;
}

}  // namespace
}  // namespace td
