// Challenges that the engine must not answer: NTLM challenges that are empty, not challenge
// messages, or ones the NTLM mechanism cannot take, from a server (401), a proxy (407) and a proxy
// of tunnels; and challenges whose header value holds a carriage return or a NUL. The peer is a
// scripted one on 127.0.0.1 that answers each request head it reads.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "GSSNTLMSanitizers.h"
#include "HTTPTestSupport.h"
#include "http/HTTPUtilities.h"
#include "http/NTLMSecurityContext.h"

namespace td {
namespace {

using test::RecordingDelegate;
using namespace std::string_literals;

// A peer on the loopback interface that answers every request head it reads, on any of its
// connections, with what `answer` makes of it.
class ScriptedPeer {
 public:
  using Answer = std::function<std::string(const std::string& head)>;

  explicit ScriptedPeer(Answer answer) : answer_(std::move(answer)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }
  std::vector<std::string> heads() const {
    std::lock_guard hold(lock_);
    return heads_;
  }

 private:
  void serve() {
    struct Connection {
      int fd;
      std::string in;
    };
    std::vector<Connection> connections;
    while (!stop_) {
      std::vector<pollfd> polled{{listener_, POLLIN, 0}};
      for (const auto& c : connections) polled.push_back({c.fd, POLLIN, 0});
      if (::poll(polled.data(), polled.size(), 20) <= 0) continue;
      for (std::size_t i = connections.size(); i-- > 0;) {
        if (!polled[i + 1].revents) continue;
        Connection& c = connections[i];
        char buffer[4096];
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
          ::close(c.fd);
          connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
          continue;
        }
        c.in.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = c.in.find("\r\n\r\n")) != std::string::npos;) {
          const std::string head = c.in.substr(0, end + 4);
          c.in.erase(0, end + 4);
          {
            std::lock_guard hold(lock_);
            heads_.push_back(head);
          }
          const std::string out = answer_(head);
          [[maybe_unused]] const ssize_t sent = ::send(c.fd, out.data(), out.size(), MSG_NOSIGNAL);
        }
      }
      if (polled[0].revents & POLLIN)
        if (const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC); fd >= 0) connections.push_back({fd, {}});
    }
    for (const auto& c : connections) ::close(c.fd);
  }

  Answer answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex lock_;
  std::vector<std::string> heads_;
};

// Whether the head is one for a proxy: a CONNECT, or a request for an absolute URL.
bool forProxy(const std::string& head) {
  return head.rfind("CONNECT ", 0) == 0 || head.find(" http://") < head.find("\r\n");
}

std::string challengeAnswer(bool proxy, const std::string& challenge) {
  return std::string(proxy ? "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: "
                           : "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: ") +
         challenge + "\r\nContent-Length: 0\r\n\r\n";
}

const std::string kWelcome = "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nwelcome";

// The NTLM message a head carries for the peer it is for: 1 negotiate, 3 authenticate, 0 none.
int ntlmMessageIn(const std::string& head) {
  const std::string field = forProxy(head) ? "\r\nProxy-Authorization: NTLM " : "\r\nAuthorization: NTLM ";
  const auto at = head.find(field);
  if (at == std::string::npos) return 0;
  const std::string start = head.substr(at + field.size(), 12);  // "NTLMSSP\0" and the type's first byte
  return start == "TlRMTVNTUAAB" ? 1 : start == "TlRMTVNTUAAD" ? 3 : -1;
}

// A peer that asks for NTLM, answers a negotiate message with `challenge` and lets any
// authenticate message in.
ScriptedPeer::Answer ntlmPeer(const std::string& challenge) {
  return [challenge](const std::string& head) {
    const int message = ntlmMessageIn(head);
    if (message == 3) return kWelcome;
    return challengeAnswer(forProxy(head), message == 1 ? "NTLM " + challenge : "NTLM");
  };
}

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
  static ASIHTTPRequest::Ptr requestThrough(const ScriptedPeer& peer, const std::string& path) {
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
      ScriptedPeer peer(ntlmPeer(challenge));
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
      const auto heads = peer.heads();
      ASSERT_FALSE(heads.empty());
      EXPECT_EQ(ntlmMessageIn(heads.back()), 1) << path << ": the negotiate message was the last one sent";
    }
  }
}

TEST_F(MalformedChallengeTest, TheSameChallengeWithATargetNameOrWithoutUnicodeIsAnswered) {
  Challenge named;  // the challenge above with its target name
  named.targetInfo.clear();
  Challenge oem = named;
  oem.flags = (oem.flags & ~Challenge::kUnicode) | Challenge::kOEM;
  oem.targetName.clear();
  for (const Challenge& challenge : {named, oem}) {
    ScriptedPeer peer(ntlmPeer(challenge.base64()));
    ASSERT_NE(peer.port(), 0);
    RecordingDelegate d;
    auto request = requestThrough(peer, "server");
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseString(), "welcome");
    EXPECT_EQ(ntlmMessageIn(peer.heads().back()), 3);
  }
}

TEST_F(MalformedChallengeTest, AChallengeHoldingACarriageReturnOrNULEndsTheRequestAsOneThatCannotBeAnswered) {
  struct Case {
    const char* what;
    const char* path;
    std::string first, afterCredentials;  // the challenges of the first answer and of the answer to credentials
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
    ScriptedPeer peer([&c](const std::string& head) {
      const bool credentials = head.find("Authorization: ") != std::string::npos;
      return challengeAnswer(forProxy(head), credentials ? c.afterCredentials : c.first);
    });
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
  Challenge oem;
  oem.flags = (oem.flags & ~Challenge::kUnicode) | Challenge::kOEM;
  oem.targetName.clear();
  Challenge noVersion;
  noVersion.flags &= ~Challenge::kVersion;
  Challenge unknownAttribute;  // kinds the mechanism does not read may have any length
  unknownAttribute.targetInfo = attribute(0x77, "odd") + attribute(0, "");
  for (const Challenge& challenge : {unicode, oem, noVersion, unknownAttribute}) {
    const std::string message = challenge.bytes();
    EXPECT_EQ(NTLMSecurityContext::challengeFault(message), std::nullopt) << base64forData(message);
    for (std::size_t size = 0; size < message.size(); ++size)
      EXPECT_TRUE(NTLMSecurityContext::challengeFault(message.substr(0, size))) << size << " of " << message.size();
  }
}

TEST(NTLMChallengeCheck, RefusesAnotherMessageAndFieldsOutsideTheMessage) {
  const auto patched = [](std::size_t at, const std::string& bytes) {
    std::string message = Challenge().bytes();
    return message.replace(at, bytes.size(), bytes);
  };
  struct Case {
    const char* what;
    std::string message;
  };
  const std::size_t size = Challenge().bytes().size();
  Challenge oddName;
  oddName.targetName = "ABC";
  for (const Case& c : {Case{"signature", patched(0, "NTLMSSQ")},
                        Case{"negotiate message", patched(8, le(1, 4))},
                        Case{"authenticate message", patched(8, le(3, 4))},
                        Case{"target name past the end", patched(16, le(static_cast<std::uint32_t>(size - 4), 4))},
                        Case{"target name in the header", patched(16, le(40, 4))},
                        Case{"target name far away", patched(16, le(0xfffffff0, 4))},
                        Case{"target name longer than the message", patched(12, le(0xffff, 2))},
                        Case{"target name of odd length in Unicode", oddName.bytes()},
                        Case{"target information past the end", patched(44, le(static_cast<std::uint32_t>(size - 2), 4))},
                        Case{"target information in the version", patched(44, le(50, 4))},
                        Case{"target information longer than the message", patched(40, le(0x2000, 2))}})
    EXPECT_TRUE(NTLMSecurityContext::challengeFault(c.message)) << c.what;
}

TEST(NTLMChallengeCheck, RefusesTargetInformationThatIsNotAWellFormedListOfAttributes) {
  const std::string name = attribute(2, utf16("TESTDOM"));
  const std::string end = attribute(0, "");
  struct Case {
    const char* what;
    std::string info;
  };
  for (const Case& c : {Case{"no terminator", name},
                        Case{"half an attribute", name + "\x02"},
                        Case{"a value past the end", name + le(1, 2) + le(6, 2) + "ABCD"},
                        Case{"bytes after the terminator", name + end + "\0"s},
                        Case{"a value on the terminator", name + attribute(0, "xx")},
                        Case{"a kind twice", name + name + end},
                        Case{"an empty name", attribute(1, "") + end},
                        Case{"a name of odd length", attribute(3, "abc") + end},
                        Case{"short flags", attribute(6, "ab") + end},
                        Case{"a short time", attribute(7, "abcd") + end},
                        Case{"short single-host data", attribute(8, std::string(47, 'x')) + end},
                        Case{"short channel bindings", attribute(10, std::string(15, 'x')) + end}}) {
    Challenge challenge;
    challenge.targetInfo = c.info;
    EXPECT_TRUE(NTLMSecurityContext::challengeFault(challenge.bytes())) << c.what;
  }
}

}  // namespace
}  // namespace td
