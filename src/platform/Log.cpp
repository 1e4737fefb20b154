#include "platform/Log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>

namespace td::log {
namespace {

std::atomic<Level> gLevel{Level::Info};

struct State {
  std::mutex mutex;
  Sink sink;
  std::FILE* file = nullptr;
};

// Never destroyed, so that destructors of other statics can still log during shut-down.
State& state() {
  static State* s = new State;
  return *s;
}

const char* levelName(Level l) {
  switch (l) {
    case Level::Debug: return "DEBUG";
    case Level::Info: return "INFO";
    case Level::Warning: return "WARN";
    case Level::Error: return "ERROR";
    case Level::Off: break;
  }
  return "";
}

std::string timestamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  localtime_r(&secs, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(millis));
  return buf;
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
  const std::string line = timestamp() + " " + levelName(l) + " " + std::string(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  if (s.file) {
    std::fwrite(line.data(), 1, line.size(), s.file);
    std::fflush(s.file);
  }
}

void setSink(Sink sink) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.sink = std::move(sink);
}

bool openFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::FILE* f = std::fopen(path.c_str(), "a");
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!f) {
    std::fprintf(stderr, "cannot open log file %s\n", path.c_str());
    return false;
  }
  if (s.file) std::fclose(s.file);
  s.file = f;
  return true;
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
