#pragma once
// Starting the servers (and other programs) that tests and benchmarks run beside them, so that each
// ends with the process that started it however that ends: returning, crashing, aborting or killed
// with SIGKILL. The kernel sends the child SIGKILL when the thread that started it ends, so a server
// is started from a thread that outlives it (a test's or a benchmark's main thread). Without this, a
// server of a test that aborted would live on, holding its port and the pipe of whoever reads the
// test's output.

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace td::test {

// The file exec runs for `program`: the program itself when its name holds a slash, else the first
// executable of that name in PATH; empty when there is none.
inline std::string executablePath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* path = std::getenv("PATH");
  const std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end == start ? "." : folders.substr(start, end - start);
    const std::string candidate = folder + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Closes the descriptors from `first` to `last` (a child's, after fork: no allocation).
inline void closeDescriptors(unsigned first, unsigned last) {
  if (first > last || ::close_range(first, last, 0) == 0) return;
  for (unsigned fd = first; fd <= last; ++fd) ::close(static_cast<int>(fd));
}

// Starts `program` (looked up in PATH) with `args`, its standard input and output on `in` and `out`
// when they are given (else this process's own), as a child that ends with the calling thread. It
// inherits no descriptor beyond its standard input, output and error, so that it holds open no
// other pipe of the caller's (a test framework's, another server's). The child's pid, or -1 when it
// could not be started.
inline pid_t spawnChildProcess(const std::string& program, const std::vector<std::string>& args, int in = -1,
                               int out = -1) {
  const std::string path = executablePath(program);
  if (path.empty()) return -1;
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // The child writes why it could not start on this pipe; a successful exec closes it unwritten.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return -1;
  const long openMax = ::sysconf(_SC_OPEN_MAX);
  const unsigned lastDescriptor = openMax > 0 ? static_cast<unsigned>(openMax - 1) : 1023u;
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only calls that are safe after a fork from here: another thread may have held a lock.
    int error = 0;
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) error = errno;
    else if (::getppid() != parent) error = ESRCH;  // the parent ended before the signal was set
    else if ((in >= 0 && ::dup2(in, STDIN_FILENO) < 0) || (out >= 0 && ::dup2(out, STDOUT_FILENO) < 0)) error = errno;
    else {
      const unsigned keep = static_cast<unsigned>(report[1]);
      if (keep > 3) closeDescriptors(3, keep - 1);
      closeDescriptors(keep < 3 ? 3 : keep + 1, lastDescriptor);
      ::execve(path.c_str(), argv.data(), environ);
      error = errno;
    }
    [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    return -1;
  }
  int error = 0;
  ssize_t n;
  do n = ::read(report[0], &error, sizeof error);
  while (n < 0 && errno == EINTR);
  ::close(report[0]);
  if (n != 0) {
    ::waitpid(pid, nullptr, 0);
    return -1;
  }
  return pid;
}

}  // namespace td::test
