#include "platform/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>

namespace td::log {
namespace {

std::atomic<Level> gLevel{Level::Info};

// The local time of one second, "yyyy-MM-dd HH:mm:ss", worked out once per second.
struct SecondText {
  std::time_t second = -1;
  char text[64] = {};
};

struct State {
  std::mutex mutex;
  Sink sink;
  int fd = -1;  // the log file, or -1
  std::string path;
  Rotation rotation;
  std::uint64_t size = 0;  // bytes in the log file
  bool rotating = true;    // false once a rotation failed: the file is kept as it is
  SecondText second;
};

// Never destroyed, so that destructors of other statics can still log during shut-down.
State& state() {
  static State* s = new State;
  return *s;
}

std::string_view levelName(Level l) {
  switch (l) {
    case Level::Debug: return "DEBUG";
    case Level::Info: return "INFO";
    case Level::Warning: return "WARN";
    case Level::Error: return "ERROR";
    case Level::Off: break;
  }
  return "";
}

// "yyyy-MM-dd HH:mm:ss.SSS LEVEL " into `out`; returns its length.
std::size_t linePrefix(SecondText& cache, Level l, char (&out)[96]) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  if (secs != cache.second) {
    std::tm tm{};
    localtime_r(&secs, &tm);
    std::snprintf(cache.text, sizeof cache.text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    cache.second = secs;
  }
  const int n = std::snprintf(out, sizeof out, "%s.%03d %.*s ", cache.text, millis,
                              static_cast<int>(levelName(l).size()), levelName(l).data());
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Writes the pieces whole (a short write goes on where it stopped); false on an error.
bool writeAll(int fd, iovec* pieces, int count) {
  while (count > 0) {
    const ssize_t n = ::writev(fd, pieces, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    auto left = static_cast<std::size_t>(n);
    while (count > 0 && left >= pieces->iov_len) {
      left -= pieces->iov_len;
      ++pieces;
      --count;
    }
    if (count > 0) {
      pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
      pieces->iov_len -= left;
    }
  }
  return true;
}

// Opens the file for appending and tells its size; fd -1 when it cannot be opened.
struct AppendTo {
  int fd = -1;
  std::uint64_t size = 0;
};
AppendTo openForAppending(const std::string& path) {
  AppendTo file;
  file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  struct stat st {};
  if (file.fd >= 0 && ::fstat(file.fd, &st) == 0) file.size = static_cast<std::uint64_t>(st.st_size);
  return file;
}

// <name> becomes <name>.1 (the older ones move up one, the oldest goes) and a new file is begun.
// A rename that fails keeps the file as it is, without further rotations.
void rotate(State& s) {
  ::close(s.fd);
  s.fd = -1;
  // A file that is not there (yet, or any more) needs no moving.
  const auto moveAside = [](const std::string& from, const std::string& to) {
    return (to.empty() ? ::unlink(from.c_str()) : ::rename(from.c_str(), to.c_str())) == 0 || errno == ENOENT;
  };
  const auto old = [&s](int i) { return s.path + "." + std::to_string(i); };
  bool moved = true;
  for (int i = s.rotation.keep - 1; i >= 1; --i) moved = moveAside(old(i), old(i + 1)) && moved;
  // The file itself moves only when the older ones made room for it.
  moved = moved && moveAside(s.path, s.rotation.keep > 0 ? old(1) : std::string());
  if (!moved) {
    s.rotating = false;
    std::fprintf(stderr, "cannot rotate log file %s; it grows on\n", s.path.c_str());
  }
  const AppendTo file = openForAppending(s.path);
  s.fd = file.fd;
  s.size = file.size;
  if (s.fd < 0) std::fprintf(stderr, "cannot open log file %s\n", s.path.c_str());
}

bool isSecretTag(std::string_view tag) { return tag == "18" || tag == "103" || tag == "104"; }

}  // namespace

void setLevel(Level l) { gLevel.store(l, std::memory_order_relaxed); }
Level level() { return gLevel.load(std::memory_order_relaxed); }

void write(Level l, std::string_view text) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.sink) {
    s.sink(l, text);
    return;
  }
  char prefix[96];
  const std::size_t prefixLength = linePrefix(s.second, l, prefix);
  char newline = '\n';
  const std::size_t length = prefixLength + text.size() + 1;
  // The prefix, the text and the line feed in one write, to stderr and to the file.
  const auto writeLine = [&](int fd) {
    iovec pieces[3] = {{prefix, prefixLength}, {const_cast<char*>(text.data()), text.size()}, {&newline, 1}};
    return writeAll(fd, pieces, 3);
  };
  // Rotate first: a new file that cannot be opened sends this line to stderr as well.
  if (s.fd >= 0 && s.rotating && s.size > 0 && s.size + length > s.rotation.maxBytes) rotate(s);
  if (s.fd < 0 || l >= Level::Warning) writeLine(STDERR_FILENO);
  if (s.fd >= 0 && writeLine(s.fd)) s.size += length;
}

void setSink(Sink sink) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.sink = std::move(sink);
}

bool openFile(const std::string& path, Rotation rotation) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  const AppendTo file = openForAppending(path);
  if (file.fd < 0) {
    std::fprintf(stderr, "cannot open log file %s\n", path.c_str());
    return false;
  }
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.fd >= 0) ::close(s.fd);
  s.fd = file.fd;
  s.path = path;
  s.rotation = rotation;
  s.size = file.size;
  s.rotating = true;
  return true;
}

void closeFile() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.fd >= 0) ::close(s.fd);
  s.fd = -1;
}

std::string defaultFilePath() {
  std::string base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    base = state;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/state";
  } else {
    base = "/tmp";
  }
  return base + "/tarnwickdesk/tarnwickdesk.log";
}

std::string maskSecrets(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  size_t pos = 0;
  while (pos < body.size()) {
    size_t end = body.find('\x03', pos);
    if (end == std::string_view::npos) end = body.size();
    std::string_view field = body.substr(pos, end - pos);
    const size_t eq = field.find('=');
    if (eq != std::string_view::npos && isSecretTag(field.substr(0, eq))) {
      out.append(field.substr(0, eq + 1));
      out.append("******");
    } else {
      out.append(field);
    }
    if (end < body.size()) out.push_back('\x03');
    pos = end + 1;
  }
  return out;
}

}  // namespace td::log
