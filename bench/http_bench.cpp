// The HTTP engine against plain libcurl on the same local nginx: 1,000 small GETs on one kept-alive
// connection (each alone, libcurl also with the engine's request head, and the three in turns), and
// a 100 MB download to a file.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "../tests/ChildProcessSpawn.h"
#include "http/ASIHTTPRequest.h"
#include "platform/RealtimeMainQueue.h"

namespace {

using namespace td;

constexpr std::int64_t kBigFileBytes = 100 << 20;

// nginx on a free loopback port, serving a small file and a 100 MB file from a scratch folder.
class Nginx {
 public:
  Nginx() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tdbench-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    std::ofstream(dir_ + "/small") << "small body";
    {
      std::ofstream big(dir_ + "/big", std::ios::binary);
      std::string block(1 << 20, 'b');
      for (int i = 0; i < 100; ++i) big << block;
    }
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) start();
  }
  ~Nginx() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string url(const char* path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  const std::string& dir() const { return dir_; }
  bool running() const { return pid_ > 0; }

 private:
  void start() {
    port_ = 20000 + static_cast<int>(::getpid() % 20000);
    port_ += static_cast<int>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000);
    std::ofstream(dir_ + "/nginx.conf")
        << "daemon off; master_process off; worker_processes 1; error_log " << dir_ << "/error.log; pid " << dir_
        << "/nginx.pid;\nevents { worker_connections 64; }\nhttp { access_log off; keepalive_requests 1000000; "
        << "client_body_temp_path " << dir_ << "; proxy_temp_path " << dir_ << "; fastcgi_temp_path " << dir_
        << "; uwsgi_temp_path " << dir_ << "; scgi_temp_path " << dir_ << ";\nserver { listen 127.0.0.1:" << port_
        << "; root " << dir_ << "; } }\n";
    // nginx ends with this program however it ends (its output may be a pipe that a reader waits
    // on to close), not only through the destructor of this static.
    pid_ = td::test::spawnChildProcess("nginx", {"-p", dir_, "-c", dir_ + "/nginx.conf"});
    if (pid_ <= 0) {
      pid_ = -1;
      return;
    }
    for (int i = 0; i < 200; ++i) {
      CURL* probe = curl_easy_init();
      curl_easy_setopt(probe, CURLOPT_URL, url("/small").c_str());
      curl_easy_setopt(probe, CURLOPT_NOBODY, 1L);
      curl_easy_setopt(probe, CURLOPT_PROXY, "");
      const bool ok = curl_easy_perform(probe) == CURLE_OK;
      curl_easy_cleanup(probe);
      if (ok) return;
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) break;  // the port was taken
      ::usleep(10000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  std::string dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// The benchmark's thread is the main thread: reports of synchronous requests are delivered at once.
RealtimeMainQueue& mainQueue() {
  static RealtimeMainQueue* queue = [] {
    auto* q = new RealtimeMainQueue();
    MainQueue::setInstance(q);
    return q;
  }();
  return *queue;
}

Nginx& server() {
  mainQueue();
  static Nginx nginx;
  return nginx;
}

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }
size_t toFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

// `count` kept-alive GETs of the small file: through libcurl alone on `easy`, through the engine
// synchronously on this thread, and through the engine asynchronously (each request started from
// the report that the one before it finished). False when one of them failed.
bool curlGets(CURL* easy, int count) {
  bool ok = true;
  for (int i = 0; i < count; ++i) ok &= curl_easy_perform(easy) == CURLE_OK;
  return ok;
}

bool engineGets(const URL& url, int count) {
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    auto request = ASIHTTPRequest::requestWithURL(url);
    request->startSynchronous();
    ok &= !request->error() && request->responseStatusCode() == 200;
  }
  return ok;
}

bool engineGetsAsynchronous(const URL& url, int count) {
  RealtimeMainQueue& queue = mainQueue();
  int left = count;
  bool ok = true;
  std::function<void()> next = [&] {
    auto request = ASIHTTPRequest::requestWithURL(url);
    request->setCompletionBlock([&] {
      if (--left == 0) queue.quit();
      else next();
    });
    request->setFailedBlock([&] {
      ok = false;
      queue.quit();
    });
    request->startAsynchronous();
  };
  next();
  queue.run();
  return ok;
}

CURL* curlForSmallFile() {
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, server().url("/small").c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &discard);
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  return easy;
}

// libcurl alone sending the request head the engine sends (its User-Agent and Accept-Encoding, no
// Accept): the engine's own cost apart from what libcurl spends on those fields.
struct SameHead {
  CURL* easy = curlForSmallFile();
  curl_slist* fields = nullptr;
  SameHead() {
    const std::string agent = "User-Agent: " + ASIHTTPRequest::defaultUserAgentString().value_or("");
    fields = curl_slist_append(fields, "Accept-Encoding: gzip");
    fields = curl_slist_append(fields, agent.c_str());
    fields = curl_slist_append(fields, "Accept:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, fields);
  }
  ~SameHead() {
    curl_easy_cleanup(easy);
    curl_slist_free_all(fields);
  }
  SameHead(const SameHead&) = delete;
  SameHead& operator=(const SameHead&) = delete;
};

// Rates go in the columns every reporter has (items: requests; bytes: downloaded bytes), since the
// CSV reporter takes its counter columns from the first benchmark it reports and refuses any other
// counter afterwards.
void countRequests(benchmark::State& state, int perIteration) {
  state.SetItemsProcessed(perIteration * state.iterations());
}

void countDownloads(benchmark::State& state) { state.SetBytesProcessed(kBigFileBytes * state.iterations()); }

void BM_CurlAloneKeepAliveGets(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  for (auto _ : state) {
    CURL* easy = curlForSmallFile();
    if (!curlGets(easy, 1000)) state.SkipWithError("request failed");
    curl_easy_cleanup(easy);
  }
  countRequests(state, 1000);
}

void BM_CurlAloneSameHeadKeepAliveGets(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  for (auto _ : state) {
    SameHead curl;
    if (!curlGets(curl.easy, 1000)) state.SkipWithError("request failed");
  }
  countRequests(state, 1000);
}

void BM_EngineKeepAliveGets(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  const URL url = URL::URLWithString(server().url("/small"));
  for (auto _ : state)
    if (!engineGets(url, 1000)) state.SkipWithError("request failed");
  countRequests(state, 1000);
}

void BM_EngineKeepAliveGetsAsynchronous(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  const URL url = URL::URLWithString(server().url("/small"));
  for (auto _ : state)
    if (!engineGetsAsynchronous(url, 1000)) state.SkipWithError("request failed");
  countRequests(state, 1000);
}

// The three in turns of 100 GETs each, so that other work on the machine weighs on all three alike:
// the counters give each one's microseconds a request and the engine's speed as a share of
// libcurl's (100 = as fast). Its counters are the only ones of this program, and it is registered
// first, so that the CSV reporter's columns are its counters.
void BM_KeepAliveGetsSideBySide(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  constexpr int kTurn = 100;
  using Clock = std::chrono::steady_clock;
  const URL url = URL::URLWithString(server().url("/small"));
  CURL* easy = curlForSmallFile();
  Clock::duration curl{}, engine{}, asynchronous{};
  for (auto _ : state) {
    const auto start = Clock::now();
    bool ok = curlGets(easy, kTurn);
    const auto curlDone = Clock::now();
    ok &= engineGets(url, kTurn);
    const auto engineDone = Clock::now();
    ok &= engineGetsAsynchronous(url, kTurn);
    asynchronous += Clock::now() - engineDone;
    engine += engineDone - curlDone;
    curl += curlDone - start;
    if (!ok) state.SkipWithError("request failed");
  }
  curl_easy_cleanup(easy);
  const double requests = kTurn * static_cast<double>(state.iterations());
  auto perRequest = [&](Clock::duration total) {
    return std::chrono::duration<double, std::micro>(total).count() / requests;
  };
  state.counters["curl_us"] = perRequest(curl);
  state.counters["sync_us"] = perRequest(engine);
  state.counters["async_us"] = perRequest(asynchronous);
  state.counters["sync_pct"] = 100.0 * perRequest(curl) / perRequest(engine);
  state.counters["async_pct"] = 100.0 * perRequest(curl) / perRequest(asynchronous);
}

void BM_CurlAloneDownload100MB(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  const std::string url = server().url("/big");
  const std::string path = server().dir() + "/curl-download";
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &toFile);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    if (curl_easy_perform(easy) != CURLE_OK) state.SkipWithError("download failed");
    curl_easy_cleanup(easy);
    std::fclose(file);
  }
  countDownloads(state);
}

void BM_EngineDownload100MB(benchmark::State& state) {
  if (!server().running()) return state.SkipWithError("nginx did not start");
  const URL url = URL::URLWithString(server().url("/big"));
  const std::string path = server().dir() + "/engine-download";
  for (auto _ : state) {
    auto request = ASIHTTPRequest::requestWithURL(url);
    request->setDownloadDestinationPath(path);
    request->startSynchronous();
    if (request->error()) state.SkipWithError(request->error()->toString().c_str());
  }
  countDownloads(state);
}

BENCHMARK(BM_KeepAliveGetsSideBySide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlAloneKeepAliveGets)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlAloneSameHeadKeepAliveGets)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EngineKeepAliveGets)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EngineKeepAliveGetsAsynchronous)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlAloneDownload100MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EngineDownload100MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
