// One log line's cost: written to the log file (a received message's line, from one thread and from
// four at once), a warning (which stderr gets as well), and a line below the level (dropped before
// it is formatted). stderr goes to /dev/null while a benchmark runs.

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/Log.h"

namespace td {
namespace {

// A log file in a directory of its own, and stderr quiet, for the benchmark's lifetime.
class LogFile {
 public:
  LogFile() : dir_(std::filesystem::temp_directory_path() / ("td-log-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    savedStderr_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
    log::setLevel(log::Level::Info);
    log::openFile((dir_ / "tarnwickdesk.log").string());
  }
  ~LogFile() {
    log::closeFile();
    ::dup2(savedStderr_, STDERR_FILENO);
    ::close(savedStderr_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

 private:
  std::filesystem::path dir_;
  int savedStderr_ = -1;
};

// A received message as the session logs it (about 200 characters).
const std::string& receivedLine() {
  static const std::string line =
      "Received Message - [10=62, 20=1841, 34=1001, 35=EURUSD, 36=1.08452, 37=100000, 38=1, 39=2, "
      "40=20240302130509, 41=5002, 42=0, 43=1.08552, 44=1.08352, 45=0, 46=, 47=Market, 48=filled, 49=]";
  return line;
}

void BM_LogLineToFile(benchmark::State& state) {
  static LogFile* file = nullptr;
  if (state.thread_index() == 0) file = new LogFile;
  for (auto _ : state) TD_LOG_INFO(receivedLine());
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    delete file;
    file = nullptr;
  }
}
BENCHMARK(BM_LogLineToFile)->UseRealTime();
BENCHMARK(BM_LogLineToFile)->Threads(4)->UseRealTime();

void BM_LogWarningToFileAndStderr(benchmark::State& state) {
  LogFile file;
  for (auto _ : state) TD_LOG_WARN(receivedLine());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogWarningToFileAndStderr)->UseRealTime();

void BM_LogLineBelowTheLevel(benchmark::State& state) {
  LogFile file;
  for (auto _ : state) TD_LOG_DEBUG(receivedLine());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLineBelowTheLevel);

}  // namespace
}  // namespace td
