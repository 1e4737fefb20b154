// A proxy's answers to the CONNECTs of a tunnel, fed through a loopback connection into the tunnel's
// reader, and the challenge path they lead into: each 407 goes through the authentication object as
// a request's would, so an NTLM challenge is checked and, when it passes, answered by GSSAPI's NTLM
// mechanism; Digest and Basic challenges are answered too.
//
// Input: the first byte picks the size of the pieces each answer is written in (0: whole); the rest
// is the proxy's answers, separated by "\n~~~\n". Each answer is written once the CONNECT it answers
// has come in; when the tunnel waits for more than the proxy has written, the next answer follows at
// once, and after the last the proxy closes the connection.
//
// The NTLM mechanism leaks some 6 KB for each handshake: a run of much more than ten minutes wants
// -fork or a higher -rss_limit_mb.

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "http/ASIHTTPRequest.h"
#include "http/HTTPAuthentication.h"
#include "http/HTTPProxyTunnel.h"
#include "http/RunLoop.h"
#include "platform/Log.h"

// Two faults of the NTLM mechanism that the sanitizers would take for this program's: it copies names
// with strndup() from buffers that end without a NUL (strict string checks report a read past them),
// and it leaks the digests it fetches from OpenSSL for each handshake. Those allocations show only
// OpenSSL's frames when malloc stacks are unwound the fast way, as they are here for speed; the
// engine's own use of OpenSSL is checked for leaks by the test programs.
extern "C" const char* __asan_default_suppressions() { return "interceptor_via_lib:gssntlmssp.so\n"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:gssntlmssp.so\nleak:libcrypto.so\n"; }

// Those leaks make libFuzzer's leak check after each input scan the whole heap for nearly every
// input, which slows the target twentyfold: the check runs once, when the program ends, instead (a
// -detect_leaks flag given on the command line still decides).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static std::vector<char*> arguments;
  static char atEnd[] = "-detect_leaks=0";
  arguments.assign(*argv, *argv + *argc);
  arguments.insert(arguments.begin() + (arguments.empty() ? 0 : 1), atEnd);
  arguments.push_back(nullptr);
  *argc = static_cast<int>(arguments.size()) - 1;
  *argv = arguments.data();
  return 0;
}

namespace {

using td::HTTPProxyTunnel;

// The proxy's side: a listening socket on the loopback interface and the connection the tunnel made.
class Proxy {
 public:
  Proxy() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      std::abort();
    port_ = ntohs(address.sin_port);
  }
  int port() const { return port_; }

  void begin(std::vector<std::string_view> answers, std::size_t piece) {
    hangUp();
    answers_ = std::move(answers);
    next_ = 0;
    piece_ = piece;
  }

  // Accepts, reads and writes what it can without waiting; true when anything moved.
  bool service() {
    bool moved = false;
    if (const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC); fd >= 0) {
      hangUp();  // a new connection replaces the old one, which the tunnel gave up
      connection_ = fd;
      // Each piece leaves at once, not when the last one has been acknowledged.
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      moved = true;
    }
    if (connection_ < 0) return moved;
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(connection_, buffer, sizeof buffer, 0)) > 0) {
      received_.append(buffer, static_cast<std::size_t>(n));
      moved = true;
    }
    if (n == 0 && !closedByTunnel_) {
      closedByTunnel_ = true;
      moved = true;
    }
    // Each CONNECT that came in is answered by the next answer.
    for (std::size_t end; (end = received_.find("\r\n\r\n")) != std::string::npos;) {
      received_.erase(0, end + 4);
      queueNextAnswer();
    }
    if (!unsent_.empty()) {
      const std::size_t size = piece_ == 0 ? unsent_.size() : std::min(piece_, unsent_.size());
      const ssize_t sent = ::send(connection_, unsent_.data(), size, MSG_NOSIGNAL);
      if (sent > 0) {
        unsent_.erase(0, static_cast<std::size_t>(sent));
        moved = true;
      } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        unsent_.clear();
      }
    }
    return moved;
  }

  // Whether all that was written has left for the tunnel's side (on the loopback interface it is
  // there once sent; its acknowledgement may come much later).
  bool delivered() const {
    int unsent = 0;
    return connection_ < 0 || (::ioctl(connection_, SIOCOUTQNSD, &unsent) == 0 && unsent == 0);
  }

  // The tunnel waits for more than was written: the next answer, or the end of the connection.
  void stalled() {
    if (connection_ < 0 || !unsent_.empty()) return;
    if (next_ < answers_.size()) queueNextAnswer();
    else ::shutdown(connection_, SHUT_WR);
  }

  void hangUp() {
    if (connection_ >= 0) ::close(connection_);
    connection_ = -1;
    received_.clear();
    unsent_.clear();
    closedByTunnel_ = false;
  }

 private:
  void queueNextAnswer() {
    if (next_ < answers_.size()) unsent_.append(answers_[next_++]);
    else if (connection_ >= 0) ::shutdown(connection_, SHUT_WR);
  }

  int listener_ = -1;
  int port_ = 0;
  int connection_ = -1;
  std::vector<std::string_view> answers_;
  std::size_t next_ = 0;
  std::size_t piece_ = 0;
  std::string received_;
  std::string unsent_;
  bool closedByTunnel_ = false;
};

std::vector<std::string_view> splitAnswers(std::string_view text) {
  static constexpr std::string_view kSeparator = "\n~~~\n";
  std::vector<std::string_view> answers;
  while (true) {
    const auto at = text.find(kSeparator);
    if (at == std::string_view::npos) break;
    answers.push_back(text.substr(0, at));
    text.remove_prefix(at + kSeparator.size());
  }
  answers.push_back(text);
  return answers;
}

// One turn of the loop that does not wait.
void turnOnce(td::RunLoop& loop) {
  bool turned = false;
  loop.runUntil([&] { return std::exchange(turned, true); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = [] {
    td::log::setLevel(td::log::Level::Off);
    return true;
  }();
  (void)quiet;
  static Proxy proxy;
  static td::RunLoop loop(td::Clock::steady());
  if (size < 1) return 0;
  proxy.begin(splitAnswers(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1)), data[0]);

  const td::HTTPCredentials credentials{"ann", "secret", std::string("TESTDOM")};
  auto tunnel = std::make_shared<HTTPProxyTunnel>("127.0.0.1", proxy.port(), "origin.test:443");
  std::shared_ptr<td::HTTPAuthentication> authentication;
  int applications = 0;
  std::optional<HTTPProxyTunnel::Answer> answer;
  std::vector<std::pair<std::string, std::string>> fields;
  // A CONNECT without credentials, then one per application, as a request would ask.
  for (int round = 0; round < 4; ++round) {
    answer.reset();
    tunnel->ask(loop, fields, [&](HTTPProxyTunnel::Answer a) { answer = std::move(a); });
    int idle = 0;
    for (int turns = 0; !answer && turns < 100000; ++turns) {
      turnOnce(loop);
      if (answer) break;
      if (proxy.service() || !proxy.delivered()) {
        idle = 0;
      } else if (++idle >= 3) {
        proxy.stalled();
        idle = 0;
      }
    }
    // Once the proxy has said all it has and closed, the tunnel answers or fails: it never hangs.
    if (!answer) std::abort();
    if (answer->error || answer->head.statusCode != 407) break;
    const td::HTTPHeaders& headers = answer->head.headers;
    if (!authentication) authentication = td::HTTPAuthentication::fromResponse(headers, true);
    else authentication->updateFromResponse(headers);
    if (!authentication || !authentication->isValid()) break;
    if (authentication->method() == td::kHTTPAuthenticationSchemeNTLM && applications >= 2) break;
    td::HTTPMessage message{"GET", td::URL::URLWithString("https://origin.test/"), false, {}};
    if (!authentication->applyCredentials(message, credentials, "127.0.0.1")) break;
    ++applications;
    const std::string* value = message.headers.find("Proxy-Authorization");
    // What a challenge makes the engine send never breaks the request's head.
    if (!value || td::holdsLineBreakOrNul(*value)) std::abort();
    fields = {{"Proxy-Authorization", *value}};
  }
  tunnel->abandon();
  tunnel.reset();
  proxy.hangUp();
  return 0;
}
