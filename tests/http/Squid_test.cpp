// Proxy authentication against a real squid of the test's own: NTLM, answered by Samba's ntlm_auth
// (which checks the answers itself for the one account named on its command line, PROXYDOM\pat
// with "proxypw"), and Basic, answered by squid's basic_fake_auth (which lets in anyone who gives
// credentials); for plain requests to the test server and for tunnels to nginx. squid answers a
// request without credentials with a 407 that carries an error page. And tunnels kept open for later
// requests, through squid and through tinyproxy.

#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>

#include "GSSNTLMSanitizers.h"
#include "HTTPTestSupport.h"
#include "http/NTLMSecurityContext.h"
#include "http/RunLoop.h"

namespace td {
namespace {

using test::RecordingDelegate;

constexpr const char* kSquid = "/usr/sbin/squid";
// nginx's echo module (Debian's nginx-light brings it), for an answer that comes late.
constexpr const char* kEchoModule = "/usr/lib/nginx/modules/ngx_http_echo_module.so";

// The processes whose parent is `parent`.
std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> out;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string text;
    try {
      text = test::readFile(entry.path() / "stat");
    } catch (const std::ios_base::failure&) {
      continue;  // the process ended while its file was read
    }
    // "pid (name) state ppid ...": the name may hold blanks and parentheses, the last ")" ends it.
    const auto end = text.rfind(')');
    if (end == std::string::npos) continue;
    std::istringstream rest(text.substr(end + 1));
    std::string state;
    pid_t ppid = 0;
    if (rest >> state >> ppid && ppid == parent) out.push_back(std::stoi(name));
  }
  return out;
}

// Waits a second for a child to end by itself, then kills it.
void reap(pid_t child) {
  for (int i = 0; i < 200; ++i) {
    const pid_t done = ::waitpid(child, nullptr, WNOHANG);
    if (done != 0) return;  // ended, or not a child of ours
    ::usleep(5000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

// A squid on a free port of 127.0.0.1 with its configuration, cache, logs and pid file in a scratch
// folder, ended by its pid. `auth` holds its auth_param lines: only whom they let in gets through.
// It runs under a service name of its own, which names its shared memory segments; they go with it.
class Squid {
 public:
  explicit Squid(const std::string& auth) {
    // squid's helpers outlive it for a moment: they come to this process, which reaps them.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    static int instances = 0;
    service_ = "tdsquid" + std::to_string(::getpid()) + "x" + std::to_string(++instances);
    // Started by root, squid would switch to an unprivileged user itself, and the switch would clear
    // the signal that ends it with this process: it starts as that user (setpriv sets the signal
    // again after the switch), and the user must be able to write the folder.
    std::vector<std::string> command{kSquid};
    if (::geteuid() == 0) {
      if (const passwd* proxy = ::getpwnam("proxy");
          proxy && ::chown(dir_.path().c_str(), proxy->pw_uid, proxy->pw_gid) == 0)
        command = {"setpriv", "--reuid=proxy", "--regid=proxy", "--init-groups", "--pdeathsig=keep", "--", kSquid};
    }
    const std::string d = dir_.path();
    process_ = test::startOnFreePort(port_, [&](int port) {
      test::writeFile(d + "/squid.conf",
                      "http_port 127.0.0.1:" + std::to_string(port) + "\n" +
                          "pid_filename " + d + "/squid.pid\ncache_log " + d + "/cache.log\n"
                          "access_log stdio:" + d + "/access.log\nlogformat heard %rm %ru %{Authorization}>h\n"
                          "access_log stdio:" + d + "/heard.log heard\ncache_store_log none\ncoredump_dir " + d +
                          "\nnetdb_filename none\npinger_enable off\ncache deny all\ncache_mem 1 MB\n"
                          "visible_hostname squid.test\n" + auth +
                          "acl known proxy_auth REQUIRED\nhttp_access allow known\nhttp_access deny all\n");
      std::vector<std::string> args(command.begin() + 1, command.end());
      args.insert(args.end(), {"-N", "-n", service_, "-f", d + "/squid.conf"});
      return std::make_unique<test::Process>(command.front(), args);
    });
  }
  ~Squid() {
    // Its orderly shutdown takes seconds of its own timers: it is killed, its helpers (which end when
    // their input closes) are reaped, and its shared memory segments removed.
    std::vector<pid_t> helpers;
    if (process_ && process_->pid() > 0) {
      helpers = childrenOf(process_->pid());
      ::kill(process_->pid(), SIGKILL);
    }
    process_.reset();
    for (const pid_t helper : helpers) reap(helper);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec))
      if (entry.path().filename().string().rfind(service_ + "-", 0) == 0) std::filesystem::remove(entry.path(), ec);
  }
  Squid(const Squid&) = delete;
  Squid& operator=(const Squid&) = delete;

  int port() const { return port_; }

  // The access log's entries, each as "<result>/<status> <method> <target> <user>" ("-" for none).
  std::vector<std::string> entries() const {
    std::vector<std::string> out;
    std::istringstream text(log());
    for (std::string line; std::getline(text, line);) {
      std::istringstream fields(line);
      std::string time, elapsed, client, result, bytes, method, target, who;
      if (fields >> time >> elapsed >> client >> result >> bytes >> method >> target >> who)
        out.push_back(result + " " + method + " " + target + " " + who);
    }
    return out;
  }
  // The CONNECTs to `target` ("host:port") as "<result>/<status> <user>", sorted, once there are
  // `count` of them or a second has passed (a tunnel is logged once it has closed).
  std::vector<std::string> connects(const std::string& target, std::size_t count) const {
    const std::string method = " CONNECT " + target + " ";
    std::vector<std::string> out;
    for (int i = 0; i < 100 && out.size() < count; ++i) {
      if (i > 0) ::usleep(10000);
      out.clear();
      for (const std::string& entry : entries()) {
        if (const auto at = entry.find(method); at != std::string::npos)
          out.push_back(entry.substr(0, at) + " " + entry.substr(at + method.size()));
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // Whether `entry` is logged within a second.
  bool logs(const std::string& entry) const {
    for (int i = 0; i < 100; ++i) {
      const auto all = entries();
      if (std::find(all.begin(), all.end(), entry) != all.end()) return true;
      ::usleep(10000);
    }
    return false;
  }
  std::string log() const { return test::readFile(dir_.file("access.log")); }
  // The same entries as "<method> <target> <Authorization header>" ("-" for none).
  std::string heard() const { return test::readFile(dir_.file("heard.log")); }

 private:
  test::ScratchDir dir_;
  std::string service_;
  int port_ = 0;
  std::unique_ptr<test::Process> process_;
};

const std::string kNTLM =
    "auth_param ntlm program /usr/bin/ntlm_auth --helper-protocol=squid-2.5-ntlmssp --username=pat "
    "--password=proxypw --domain=PROXYDOM\nauth_param ntlm children 2\n";
const std::string kBasic =
    "auth_param basic program /usr/lib/squid/basic_fake_auth\nauth_param basic children 2\n"
    "auth_param basic realm squid tests\n";

class SquidTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kSquid, X_OK) != 0) GTEST_SKIP() << "squid is not installed (Debian package squid)";
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASSERT_NE(tls.port(), 0) << "nginx did not start (or openssl made no certificate)";
    ASIHTTPRequest::clearSession();
  }
  // A request for `url` through `squid`, with `user` and `password` for the proxy when given.
  static ASIHTTPRequest::Ptr through(const Squid& squid, const URL& url, const char* user = nullptr,
                                     const char* password = nullptr) {
    auto request = ASIHTTPRequest::requestWithURL(url);
    request->setValidatesSecureCertificate(false);
    request->setProxyHost("127.0.0.1");
    request->setProxyPort(squid.port());
    if (user) request->setProxyUsername(user);
    if (password) request->setProxyPassword(password);
    return request;
  }
  // nginx's /port by `host`; nginx closes each connection after its response, and squid the tunnel.
  URL origin(const std::string& host) const {
    return URL::URLWithString("https://" + host + ":" + std::to_string(tls.port()) + "/port");
  }
  std::string target(const std::string& host) const { return host + ":" + std::to_string(tls.port()); }
  URL plain() const { return server.url("/hello"); }

  test::MainQueueFixture main;
  test::TestServer server;
  test::ScratchDir dir;
  test::TLSServer tls{dir.path(), "keepalive_timeout 0;"};
};

std::string errorOf(const RecordingDelegate& d) { return d.lastError ? d.lastError->toString() : ""; }

TEST_F(SquidTest, NTLMOpensTunnelsAndCarriesPlainRequestsAndANewTunnelBeginsWithTheNegotiateMessage) {
  ASSERT_TRUE(NTLMSecurityContext::available()) << "GSSAPI offers no NTLM mechanism (gss-ntlmssp)";
  // With keep_alive off, squid closes its connection after its challenge to a request without
  // credentials.
  for (const std::string keepAlive : {"", "auth_param ntlm keep_alive off\n"}) {
    SCOPED_TRACE(keepAlive.empty() ? "keep_alive on" : "keep_alive off");
    Squid squid(kNTLM + keepAlive);
    ASSERT_NE(squid.port(), 0) << "squid did not start";

    RecordingDelegate tunnel;
    auto request = through(squid, origin("127.0.0.1"), "PROXYDOM\\pat", "proxypw");
    main.run(request, tunnel);
    ASSERT_EQ(tunnel.finished, 1) << errorOf(tunnel) << "\n" << squid.log();
    EXPECT_EQ(request->responseStatusCode(), 200);
    EXPECT_EQ(request->proxyAuthenticationScheme(), "NTLM");
    EXPECT_EQ(tunnel.started, 3);  // the challenge, the negotiate message, the authenticate message
    EXPECT_EQ(squid.connects(target("127.0.0.1"), 3),
              (std::vector<std::string>{"TCP_DENIED/407 -", "TCP_DENIED/407 -", "TCP_TUNNEL/200 PROXYDOM\\\\pat"}));

    // A tunnel to another origin through the same proxy begins with the negotiate message, for a
    // POST too (which keeps no connection in the pool).
    for (const bool post : {false, true}) {
      RecordingDelegate second;
      auto other = through(squid, origin("localhost"));
      if (post) other->appendPostData("form=1");
      main.run(other, second);
      ASSERT_EQ(second.finished, 1) << errorOf(second) << "\n" << squid.log();
      EXPECT_EQ(second.started, 2) << other->requestMethod();
    }
    EXPECT_EQ(squid.connects(target("localhost"), 4),
              (std::vector<std::string>{"TCP_DENIED/407 -", "TCP_DENIED/407 -", "TCP_TUNNEL/200 PROXYDOM\\\\pat",
                                        "TCP_TUNNEL/200 PROXYDOM\\\\pat"}));

    RecordingDelegate plainly;
    auto direct = through(squid, plain(), "PROXYDOM\\pat", "proxypw");
    main.run(direct, plainly);
    ASSERT_EQ(plainly.finished, 1) << errorOf(plainly) << "\n" << squid.log();
    EXPECT_EQ(direct->responseString(), "hello");
    EXPECT_TRUE(squid.logs("TCP_MISS/200 GET " + plain().absoluteString() + " PROXYDOM\\\\pat")) << squid.log();
  }
}

TEST_F(SquidTest, WrongOrMissingNTLMCredentialsEndWithTheAuthenticationError) {
  ASSERT_TRUE(NTLMSecurityContext::available()) << "GSSAPI offers no NTLM mechanism (gss-ntlmssp)";
  Squid squid(kNTLM);
  ASSERT_NE(squid.port(), 0) << "squid did not start";
  struct Case {
    URL url;
    const char* password;  // none: no credentials
    int started;
  } cases[] = {{origin("127.0.0.1"), "wrong", 3}, {plain(), "wrong", 3}, {origin("127.0.0.1"), nullptr, 1}};
  for (const Case& c : cases) {
    RecordingDelegate d;
    auto request = through(squid, c.url, c.password ? "PROXYDOM\\pat" : nullptr, c.password);
    main.run(request, d);
    ASSERT_EQ(d.failed, 1) << c.url.absoluteString();
    EXPECT_EQ(d.lastError->code, ASIAuthenticationErrorType) << errorOf(d);
    EXPECT_EQ(request->responseStatusCode(), 407);
    EXPECT_EQ(d.started, c.started) << c.url.absoluteString();
    for (const ASISessionCredentials& record : ASIHTTPRequest::sessionProxyCredentialsStore())
      EXPECT_NE(record.port, squid.port()) << "refused credentials kept";
  }
}

TEST_F(SquidTest, BasicOpensTunnelsAndCarriesPlainRequestsAndGoesAheadOfTheChallengeOnceItWorked) {
  Squid squid(kBasic);
  ASSERT_NE(squid.port(), 0) << "squid did not start";
  RecordingDelegate refused;
  auto bare = through(squid, origin("127.0.0.1"));
  main.run(bare, refused);
  ASSERT_EQ(refused.failed, 1);
  EXPECT_EQ(refused.lastError->code, ASIAuthenticationErrorType) << errorOf(refused);
  EXPECT_EQ(bare->responseStatusCode(), 407);

  RecordingDelegate tunnel;
  auto request = through(squid, origin("127.0.0.1"), "pu", "pp");
  main.run(request, tunnel);
  ASSERT_EQ(tunnel.finished, 1) << errorOf(tunnel) << "\n" << squid.log();
  EXPECT_EQ(request->proxyAuthenticationScheme(), "Basic");
  EXPECT_EQ(tunnel.started, 2);
  EXPECT_EQ(squid.connects(target("127.0.0.1"), 3),
            (std::vector<std::string>{"TCP_DENIED/407 -", "TCP_DENIED/407 -", "TCP_TUNNEL/200 pu"}));

  // The credentials that worked go ahead of the challenge, to a tunnel and to a plain request.
  for (const URL& url : {origin("localhost"), plain()}) {
    RecordingDelegate d;
    auto ahead = through(squid, url);
    main.run(ahead, d);
    ASSERT_EQ(d.finished, 1) << url.absoluteString() << ": " << errorOf(d) << "\n" << squid.log();
    EXPECT_EQ(d.started, 1) << url.absoluteString();
  }
  EXPECT_TRUE(squid.logs("TCP_MISS/200 GET " + plain().absoluteString() + " pu")) << squid.log();
}

// A tunnel that the transport (or the engine, for NTLM) keeps open carries later requests to its
// origin, through tinyproxy open or asking for Basic and through squid asking for Basic or NTLM.
// nginx keeps its connections here: its /seen answers the client port its request came on (the
// proxy's end of the tunnel) and any proxy credentials it was shown; /private.txt asks for Basic
// credentials (ou, op); /back redirects to its `to`; /once answers like /seen, 0.3 s late, only the
// first request on a connection, and closes the connection at any later one without a word.
enum class Peer { OpenTinyproxy, BasicTinyproxy, BasicSquid, NTLMSquid };

class KeptTunnelTest : public ::testing::TestWithParam<Peer> {
 protected:
  void SetUp() override {
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASSERT_EQ(::access(kEchoModule, R_OK), 0) << "nginx's echo module is not installed (libnginx-mod-http-echo)";
    ASSERT_NE(tls.port(), 0) << "nginx did not start (or openssl made no certificate)";
    ASIHTTPRequest::clearSession();
    test::writeFile(dir.file("private.txt"), "private");
    test::writeFile(dir.file("htpasswd"), "ou:{PLAIN}op\n");
    const Peer peer = GetParam();
    if (peer == Peer::BasicSquid || peer == Peer::NTLMSquid) {
      if (::access(kSquid, X_OK) != 0) GTEST_SKIP() << "squid is not installed (Debian package squid)";
      if (peer == Peer::NTLMSquid) {
        ASSERT_TRUE(NTLMSecurityContext::available()) << "GSSAPI offers no NTLM mechanism (gss-ntlmssp)";
        user = "PROXYDOM\\pat";
        password = "proxypw";
      }
      squid = std::make_unique<Squid>(peer == Peer::NTLMSquid ? kNTLM : kBasic);
      proxyPort = squid->port();
    } else {
      if (peer == Peer::OpenTinyproxy) user = password = nullptr;
      tinyproxy = std::make_unique<test::TinyProxy>(dir.path(), "proxy", user ? "BasicAuth pu pp\n" : "");
      proxyPort = tinyproxy->port();
    }
    ASSERT_NE(proxyPort, 0) << "the proxy did not start";
  }

  // What a request through the proxy came to. The request is gone when get() returns, and with it
  // its hold on its connection.
  struct Outcome {
    bool finished = false;
    std::string error;
    int credentialQuestions = 0;
    int status = 0;
    std::string body;
    HTTPHeaders headers;
    std::string scheme;  // of the URL it ended at
  };
  Outcome get(const URL& url, const std::function<void(ASIHTTPRequest&)>& setUp = {}) {
    auto request = ASIHTTPRequest::requestWithURL(url);
    request->setValidatesSecureCertificate(false);
    request->setProxyHost("127.0.0.1");
    request->setProxyPort(proxyPort);
    if (setUp) setUp(*request);
    RecordingDelegate d;
    main.run(request, d);
    request->setDelegate(nullptr);
    return {d.finished == 1, errorOf(d), d.credentialQuestions, request->responseStatusCode(),
            request->responseString().value_or(""), request->responseHeaders().value_or(HTTPHeaders()),
            request->url().scheme()};
  }
  // Gives the request the proxy's credentials (the session's are used otherwise).
  std::function<void(ASIHTTPRequest&)> introduced() const {
    return [this](ASIHTTPRequest& r) {
      if (!user) return;
      r.setProxyUsername(user);
      r.setProxyPassword(password);
    };
  }
  URL origin(const std::string& host, const std::string& path) const {
    return URL::URLWithString("https://" + host + ":" + std::to_string(tls.port()) + path);
  }
  bool sessionKeepsProxyCredentials() const {
    const auto records = ASIHTTPRequest::sessionProxyCredentialsStore();
    return std::any_of(records.begin(), records.end(),
                       [&](const ASISessionCredentials& r) { return r.port == proxyPort; });
  }

  test::MainQueueFixture main;
  test::TestServer server;
  test::ScratchDir dir;
  test::TLSServer tls{dir.path(),
                      "location = /seen { return 200 \"$remote_port;$http_proxy_authorization\"; } "
                      "location = /once { if ($connection_requests != 1) { return 444; } echo_sleep 0.3; "
                      "echo -n \"$remote_port;$http_proxy_authorization\"; } "
                      "location = /proxyask { add_header Proxy-Authenticate 'Basic realm=\"origin\"' always; "
                      "return 407 asked; } location = /back { return 302 $arg_to; } "
                      "location = /private.txt { auth_basic origin; auth_basic_user_file " +
                          dir.file("htpasswd") + "; }",
                      "load_module " + std::string(kEchoModule) + ";\n"};
  std::unique_ptr<test::TinyProxy> tinyproxy;
  std::unique_ptr<Squid> squid;
  int proxyPort = 0;
  const char* user = "pu";
  const char* password = "pp";
};

TEST_P(KeptTunnelTest, CarriesTheOriginsResponsesAndTheProxysCredentialsStayForANewTunnel) {
  const Outcome first = get(origin("127.0.0.1", "/seen"), introduced());
  ASSERT_TRUE(first.finished) << first.error;
  ASSERT_TRUE(first.body.size() > 1 && first.body.find(';') == first.body.size() - 1) << first.body;

  // The origin's 407, 200 and 401 (answered) on the tunnel the first request opened: each is the
  // origin's response.
  const Outcome asked = get(origin("127.0.0.1", "/proxyask"));
  EXPECT_TRUE(asked.finished) << asked.error;
  EXPECT_EQ(asked.status, 407);
  EXPECT_EQ(asked.body, "asked");
  EXPECT_EQ(asked.credentialQuestions, 0);
  EXPECT_EQ(sessionKeepsProxyCredentials(), user != nullptr);

  const Outcome second = get(origin("127.0.0.1", "/seen"));
  ASSERT_TRUE(second.finished) << second.error;
  EXPECT_EQ(second.status, 200);
  const std::string* encoding = second.headers.find("Content-Encoding");
  EXPECT_EQ(encoding ? *encoding : "", "gzip");
  EXPECT_EQ(second.body, first.body);

  const Outcome guarded = get(origin("127.0.0.1", "/private.txt"), [](ASIHTTPRequest& r) {
    r.setUsername("ou");
    r.setPassword("op");
  });
  ASSERT_TRUE(guarded.finished) << guarded.error;
  EXPECT_EQ(guarded.body, "private");

  // The last lets its connection go at once: the next opens a new tunnel with the session's proxy
  // credentials, and the origin's go ahead of its challenge inside it.
  const Outcome last =
      get(origin("127.0.0.1", "/seen"), [](ASIHTTPRequest& r) { r.setPersistentConnectionTimeoutSeconds(0); });
  ASSERT_TRUE(last.finished) << last.error;
  EXPECT_EQ(last.body, first.body);
  const Outcome anew = get(origin("127.0.0.1", "/private.txt"));
  ASSERT_TRUE(anew.finished) << anew.error;
  EXPECT_EQ(anew.body, "private");
  EXPECT_EQ(anew.credentialQuestions, 0);

  if (!squid) return;
  // squid logs a tunnel once it has closed: two, and no origin credentials reached squid.
  ASIHTTPRequest::dropConnectionsOfLoop(&RunLoop::networkThread());
  const bool ntlm = GetParam() == Peer::NTLMSquid;
  std::vector<std::string> expected(ntlm ? 3 : 1, "TCP_DENIED/407 -");
  expected.resize(expected.size() + 2, ntlm ? "TCP_TUNNEL/200 PROXYDOM\\\\pat" : "TCP_TUNNEL/200 pu");
  EXPECT_EQ(squid->connects("127.0.0.1:" + std::to_string(tls.port()), expected.size()), expected) << squid->log();
  std::istringstream heard(squid->heard());
  for (std::string line; std::getline(heard, line);) EXPECT_TRUE(line.ends_with(" -")) << line;
}

TEST_P(KeptTunnelTest, ARedirectToTheTLSOriginAndBackTwiceInARowRidesTheKeptTunnel) {
  std::string seen;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const URL start = server.url("/redirect/302?to=" + origin("127.0.0.1", "/seen").absoluteString());
    const Outcome there = get(start, introduced());
    ASSERT_TRUE(there.finished) << there.error;
    EXPECT_EQ(there.status, 200);
    if (round == 0) seen = there.body;
    EXPECT_TRUE(there.body.ends_with(';') && there.body == seen) << there.body;

    const Outcome back = get(origin("127.0.0.1", "/back?to=" + server.base() + "/hello"));
    ASSERT_TRUE(back.finished) << back.error;
    EXPECT_EQ(back.scheme, "http");
    EXPECT_EQ(back.body, "hello");
  }
}

TEST_P(KeptTunnelTest, ARequestSentAgainOnANewTunnelAfterTheKeptOneDiedGetsTheOriginsResponse) {
  const Outcome first = get(origin("127.0.0.1", "/once"), introduced());
  ASSERT_TRUE(first.finished) << first.error;
  ASSERT_TRUE(first.body.size() > 1 && first.body.ends_with(';')) << first.body;

  // Each later request goes out on the tunnel the last one left open, which the origin closes at
  // once: the transport sends it again on a new connection, whose first head is the proxy's answer
  // to CONNECT. The response is still the origin's, from the new tunnel. (The origin answers the
  // first request on a connection 0.3 s late: that delay is what lets the resend's CONNECT answer
  // come first, ahead of the origin's head.)
  std::string previous = first.body;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const Outcome again = get(origin("127.0.0.1", "/once"));
    ASSERT_TRUE(again.finished) << again.error;
    EXPECT_EQ(again.status, 200);
    const std::string* encoding = again.headers.find("Content-Encoding");
    EXPECT_EQ(encoding ? *encoding : "", "gzip");
    EXPECT_TRUE(again.body.size() > 1 && again.body.ends_with(';') && again.body != previous) << again.body;
    previous = again.body;
  }
}

std::string peerName(const ::testing::TestParamInfo<Peer>& info) {
  constexpr const char* names[] = {"OpenTinyproxy", "BasicTinyproxy", "BasicSquid", "NTLMSquid"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Proxies, KeptTunnelTest,
                         ::testing::Values(Peer::OpenTinyproxy, Peer::BasicTinyproxy, Peer::BasicSquid,
                                           Peer::NTLMSquid),
                         peerName);

}  // namespace
}  // namespace td
