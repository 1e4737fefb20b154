#pragma once
// Local servers and a recording delegate for the HTTP engine's tests. Servers are real processes on
// 127.0.0.1 with ephemeral ports, started by the test; reports are pumped on a ManualMainQueue.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../ChildProcessSpawn.h"
#include "http/ASIHTTPRequest.h"
#include "platform/ManualMainQueue.h"

namespace td::test {

using namespace std::chrono_literals;

// A child process with its stdin and stdout on pipes; closing stdin (or the destructor) ends it, and
// so does the end of the thread that started it (ChildProcessSpawn.h).
class Process {
 public:
  Process(const std::string& program, const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = spawnChildProcess(program, args, in[0], out[1]);
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~Process() {
    if (in_ >= 0) ::close(in_);
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
          pid_ = -1;
          break;
        }
        ::usleep(5000);
      }
      if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
      }
    }
    if (out_ >= 0) ::close(out_);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The next line of output, or nothing at the deadline.
  std::optional<std::string> readLine(std::chrono::milliseconds within = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (true) {
      if (auto nl = buffer_.find('\n'); nl != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || out_ < 0) return std::nullopt;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) {
        ::close(out_);
        out_ = -1;
        continue;
      }
      buffer_.append(buf, static_cast<std::size_t>(n));
    }
  }

  // Lines until one starts with `prefix` (that line), or nothing at the deadline.
  std::optional<std::string> waitForLine(const std::string& prefix, std::chrono::milliseconds within = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (true) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      auto line = readLine(left);
      if (!line) return std::nullopt;
      if (line->rfind(prefix, 0) == 0) return line;
    }
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// The Python server of tests/http/http_server.py (Debian's own Python where the server needs one of
// its packages, such as python3-gssapi).
class TestServer {
 public:
  explicit TestServer(const std::string& python = "python3")
      : process_(python, {std::string(TD_HTTP_TEST_DIR) + "/http_server.py"}) {
    if (auto line = process_.waitForLine("PORT ", 10000ms)) port_ = std::stoi(line->substr(5));
  }
  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  URL url(const std::string& path) const { return URL::URLWithString(base() + path); }
  // The next "GOT" line: method, path and client port of a request the server received.
  std::optional<std::string> nextRequest(std::chrono::milliseconds within = 5000ms) {
    return process_.waitForLine("GOT ", within);
  }
  // A request for the path that saves and looks up its credentials in the keyring.
  ASIHTTPRequest::Ptr keychainRequest(const std::string& path) const {
    auto request = ASIHTTPRequest::requestWithURL(url(path));
    request->setUseKeychainPersistence(true);
    return request;
  }
  // A request for the server's /hello through the server itself standing in for an NTLM proxy,
  // reached as `proxyHost`; the proxy lets PROXYDOM\\pat in.
  ASIHTTPRequest::Ptr behindNTLMProxy(const std::string& proxyHost) const {
    auto request =
        ASIHTTPRequest::requestWithURL(URL::URLWithString("http://behind-ntlm-proxy.test/hello?proxywho=PROXYDOM%5Cpat"));
    request->setProxyHost(proxyHost);
    request->setProxyPort(port_);
    return request;
  }
  // The next line the server printed that starts with `prefix`.
  std::optional<std::string> waitForLine(const std::string& prefix, std::chrono::milliseconds within = 5000ms) {
    return process_.waitForLine(prefix, within);
  }

 private:
  Process process_;
  int port_ = 0;
};

// A free TCP port on the loopback interface (for servers that cannot report theirs).
inline int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  ::close(fd);
  return ntohs(sa.sin_port);
}

inline bool connectable(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  return ok;
}

// A server program on a free port, started again on another port when the first is taken.
template <class Configure>
std::unique_ptr<Process> startOnFreePort(int& port, Configure configure) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    port = freePort();
    auto process = configure(port);
    for (int i = 0; i < 200; ++i) {
      if (connectable(port)) return process;
      ::usleep(10000);
    }
  }
  port = 0;
  return nullptr;
}

// A scratch directory removed with its contents.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& base = std::filesystem::temp_directory_path().string()) {
    std::string pattern = base + "/tdhttp-XXXXXX";
    if (const char* made = ::mkdtemp(pattern.data())) path_ = made;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // The names of what stands in the directory, sorted.
  std::vector<std::string> entries() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::string path_;
};

// The body of the test server's /bytes?size=N (and of /stall?size=N): bytes `from` to `size` - 1 of
// its repeating pattern.
inline std::string serverBytes(std::size_t size, std::size_t from = 0) {
  std::string out;
  for (std::size_t i = from; i < size; ++i) out.push_back(static_cast<char>((i % 256) * 7 & 0xFF));
  return out;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void writeFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

// nginx speaking TLS on a free port of 127.0.0.1, with a certificate for "localhost" made at its start,
// serving `dir` (gzip on for text) and at /port the client port of the connection it came on;
// `directives` go into its server block, `modules` (load_module lines) ahead of the rest.
class TLSServer {
 public:
  explicit TLSServer(const std::string& dir, const std::string& directives = "", const std::string& modules = "") {
    const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -keyout " + dir + "/key.pem -out " + dir +
                             "/cert.pem -days 1 -subj /CN=localhost >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) return;
    process_ = startOnFreePort(port_, [&](int port) {
      writeFile(dir + "/nginx.conf",
                modules + "daemon off; master_process off; error_log " + dir + "/error.log; pid " + dir + "/nginx.pid;\n"
                "events { worker_connections 32; }\nhttp { access_log off; client_body_temp_path " + dir +
                    "; proxy_temp_path " + dir + "; fastcgi_temp_path " + dir + "; uwsgi_temp_path " + dir +
                    "; scgi_temp_path " + dir + "; gzip on; gzip_types text/plain; gzip_min_length 1;\n"
                    "types { text/plain txt; }\nserver { listen 127.0.0.1:" + std::to_string(port) +
                    " ssl; ssl_certificate " + dir + "/cert.pem; ssl_certificate_key " + dir + "/key.pem; root " + dir +
                    "; location = /port { return 200 $remote_port; } " + directives + " } }\n");
      return std::make_unique<Process>("nginx", std::vector<std::string>{"-p", dir, "-c", dir + "/nginx.conf"});
    });
  }
  // 0 when it did not start.
  int port() const { return port_; }

 private:
  std::unique_ptr<Process> process_;
  int port_ = 0;
};

// tinyproxy on a free port of 127.0.0.1, its configuration in `dir` under `name`; `more` goes into it
// (such as "BasicAuth pu pp\n").
class TinyProxy {
 public:
  TinyProxy(const std::string& dir, const std::string& name, const std::string& more = "") {
    process_ = startOnFreePort(port_, [&](int port) {
      const std::string conf = dir + "/" + name + ".conf";
      writeFile(conf, "Port " + std::to_string(port) +
                          "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nLogLevel Critical\n" + more);
      return std::make_unique<Process>("tinyproxy", std::vector<std::string>{"-d", "-c", conf});
    });
  }
  // 0 when it did not start.
  int port() const { return port_; }

 private:
  std::unique_ptr<Process> process_;
  int port_ = 0;
};

// The NTLM accounts of a test server started after it (NTLM_USER_FILE): TESTDOM\ann with the
// password "secret", PROXYDOM\pat with "proxypw".
class NTLMAccounts {
 public:
  NTLMAccounts() {
    writeFile(dir_.file("users"), "TESTDOM:ann:secret\nPROXYDOM:pat:proxypw\n");
    ::setenv("NTLM_USER_FILE", dir_.file("users").c_str(), 1);
  }

 private:
  ScratchDir dir_;
};

// Records every report of the requests it is the delegate (and progress delegate) of.
class RecordingDelegate : public ASIHTTPRequestDelegate, public ASIProgressDelegate {
 public:
  RecordingDelegate() {
    answer({ASISelector::requestStarted, ASISelector::requestDidReceiveResponseHeaders, ASISelector::requestFinished,
            ASISelector::requestFailed, ASISelector::setDoubleValue, ASISelector::setMaxValue,
            ASISelector::requestDidReceiveBytes, ASISelector::requestIncrementDownloadSizeBy});
  }
  void alsoAnswer(std::initializer_list<ASISelector> selectors) { answer(selectors); }

  void requestStarted(ASIHTTPRequest&) override { ++started; }
  void requestDidReceiveResponseHeaders(ASIHTTPRequest&, const HTTPHeaders& h) override { headers.push_back(h); }
  void requestFinished(ASIHTTPRequest&) override { ++finished; }
  void requestFailed(ASIHTTPRequest& r) override {
    ++failed;
    lastError = r.error();
  }
  void requestWillRedirectToURL(ASIHTTPRequest& r, const URL& u) override {
    redirectAsked.push_back(u);
    if (followRedirects) r.redirectToURL(u);
  }
  void requestDidReceiveData(ASIHTTPRequest&, const std::string& d) override { data += d; }
  void authenticationNeededForRequest(ASIHTTPRequest& r) override {
    ++credentialQuestions;
    if (answerCredentials) answerCredentials(r);
  }
  void setDoubleValue(double v) override { values.push_back(v); }
  void setMaxValue(double v) override { maxValues.push_back(v); }
  void requestDidReceiveBytes(ASIHTTPRequest&, std::int64_t n) override { receivedBytes += n; }
  void requestIncrementDownloadSizeBy(ASIHTTPRequest&, std::int64_t n) override { downloadSize += n; }

  bool done() const { return finished + failed > 0; }

  int started = 0, finished = 0, failed = 0, credentialQuestions = 0;
  HTTPErrorPtr lastError;
  std::vector<HTTPHeaders> headers;
  std::vector<URL> redirectAsked;
  bool followRedirects = true;
  std::string data;
  std::vector<double> values, maxValues;
  std::int64_t receivedBytes = 0, downloadSize = 0;
  std::function<void(ASIHTTPRequest&)> answerCredentials;
};

// A main queue pumped by the test, set as the process's main queue while it lives.
class MainQueueFixture {
 public:
  MainQueueFixture() { MainQueue::setInstance(&queue); }
  ~MainQueueFixture() {
    queue.runPending();
    MainQueue::setInstance(nullptr);
  }
  // Pumps reports until pred() holds (at most `within` of real time).
  bool pumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds within = 10000ms) {
    return queue.runUntil(pred, within);
  }
  // Starts the request asynchronously with `d` as its delegate and pumps until it reports.
  void run(const ASIHTTPRequest::Ptr& request, RecordingDelegate& d, std::chrono::milliseconds within = 10000ms) {
    request->setDelegate(&d);
    request->startAsynchronous();
    ASSERT_TRUE(pumpUntil([&] { return d.done(); }, within)) << "no report";
  }
  ManualMainQueue queue;
};

}  // namespace td::test
