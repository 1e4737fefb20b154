#pragma once
// Starting the simulated server and the probe as processes for the integration tests: a child
// with its stdout on a pipe, lines read with a deadline, and a stop that never hangs.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "../ChildProcessSpawn.h"

namespace td::testing {

class ChildProcess {
 public:
  // The child ends with the thread that starts it, however that ends (ChildProcessSpawn.h).
  ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = test::spawnChildProcess(program, args, -1, fds[1]);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The next line of the child's stdout, or nothing at the deadline or the end of its output.
  std::optional<std::string> readLine(std::chrono::milliseconds within) {
    auto deadline = std::chrono::steady_clock::now() + within;
    while (true) {
      auto nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || out_ < 0) return std::nullopt;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) {
        ::close(out_);
        out_ = -1;
        if (!buffer_.empty()) {
          std::string line;
          line.swap(buffer_);
          return line;
        }
        return std::nullopt;
      }
      buffer_.append(buf, static_cast<std::size_t>(n));
    }
  }

  // Every line until the output ends or the deadline passes.
  std::vector<std::string> readAll(std::chrono::milliseconds within) {
    auto deadline = std::chrono::steady_clock::now() + within;
    std::vector<std::string> lines;
    while (auto line = readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
               deadline - std::chrono::steady_clock::now())))
      lines.push_back(*line);
    return lines;
  }

  // The exit status once the child ends within the time, or nothing (then it is killed).
  std::optional<int> waitExit(std::chrono::milliseconds within) {
    auto deadline = std::chrono::steady_clock::now() + within;
    while (pid_ > 0) {
      int status = 0;
      pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return 128 + WTERMSIG(status);
      }
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      ::usleep(5000);
    }
    return std::nullopt;
  }

  void signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// The simulated server on free ports, started with the given options.
class ServerProcess {
 public:
  explicit ServerProcess(std::vector<std::string> args) : child_(TD_SIMSERVER_PATH, withPorts(std::move(args))) {
    auto line = child_.readLine(std::chrono::milliseconds(5000));
    std::smatch m;
    // The ports come first; fields added later follow them.
    static const std::regex form("LISTENING tcp=(\\d+) pub=(\\d+) rep=(\\d+)( news=(\\d+))?( .*)?");
    if (line && std::regex_match(*line, m, form)) {
      tcp = std::stoi(m[1]);
      pub = std::stoi(m[2]);
      rep = std::stoi(m[3]);
      if (m[5].matched) news = std::stoi(m[5]);
    }
  }
  bool listening() const { return tcp > 0 && pub > 0 && rep > 0; }
  ChildProcess& child() { return child_; }

  int tcp = 0, pub = 0, rep = 0, news = 0;

 private:
  static std::vector<std::string> withPorts(std::vector<std::string> args) {
    std::vector<std::string> all{"--port", "0", "--pub-port", "0", "--rep-port", "0", "--tick-ms", "20"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }
  ChildProcess child_;
};

struct ProbeRun {
  std::vector<std::string> lines;
  std::optional<int> exitCode;

  bool has(const std::string& line) const {
    for (const auto& l : lines)
      if (l == line) return true;
    return false;
  }
  std::size_t countPrefix(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& l : lines)
      if (l.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  std::string last() const { return lines.empty() ? std::string() : lines.back(); }
};

// Every line of a run, each ended by a line feed: the message of a failed expectation.
inline std::string joined(const ProbeRun& run) {
  std::string out;
  for (const auto& l : run.lines) out += l + "\n";
  return out;
}

// Writes a scenario text for the server's --scenario to a file of this process's own, named after
// `stem`, and gives its path; the caller removes it.
inline std::string scenarioFile(const std::string& text, const std::string& stem) {
  const auto path = std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(::getpid()) + ".json");
  std::ofstream(path) << text;
  return path.string();
}

inline ProbeRun runProbe(int port, const std::string& user, const std::string& password,
                         std::vector<std::string> extra = {}) {
  std::vector<std::string> args{"--host", "127.0.0.1", "--port", std::to_string(port), "--user", user,
                                "--password", password};
  args.insert(args.end(), extra.begin(), extra.end());
  ChildProcess probe(TD_PROBE_PATH, args);
  ProbeRun run;
  run.lines = probe.readAll(std::chrono::milliseconds(8000));
  run.exitCode = probe.waitExit(std::chrono::milliseconds(1000));
  return run;
}

}  // namespace td::testing
