// Costs of the dispatch layer: a post and its run, a delayed task, timer re-arming, an fd event.

#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/DispatchQueue.h"
#include "platform/FdSource.h"
#include "platform/ManualMainQueue.h"
#include "platform/Timer.h"
#include "platform/TimerHeap.h"

namespace td {
namespace {

using namespace std::chrono_literals;

// One post to the queue's thread and the wait for its completion.
void BM_SyncRoundTrip(benchmark::State& state) {
  DispatchQueue queue("bench.sync");
  for (auto _ : state) queue.sync([] {});
}
BENCHMARK(BM_SyncRoundTrip)->UseRealTime();

// Throughput of async posts: a batch of posts, then one sync to wait for the batch.
void BM_AsyncBatch(benchmark::State& state) {
  DispatchQueue queue("bench.async");
  std::uint64_t ran = 0;
  const auto batch = state.range(0);
  for (auto _ : state) {
    for (int64_t i = 0; i < batch; ++i) queue.async([&ran] { ++ran; });
    queue.sync([] {});
  }
  state.SetItemsProcessed(state.iterations() * batch);
  benchmark::DoNotOptimize(ran);
}
BENCHMARK(BM_AsyncBatch)->Arg(1000)->UseRealTime();

// after(0) from the bench thread until it has run on the queue.
void BM_AfterZeroRoundTrip(benchmark::State& state) {
  DispatchQueue queue("bench.after");
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  for (auto _ : state) {
    done = false;
    queue.after(0ns, [&] {
      std::lock_guard lock(m);
      done = true;
      cv.notify_one();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
  }
}
BENCHMARK(BM_AfterZeroRoundTrip)->UseRealTime();

// Re-arming a 30 s time-out, as a socket does for every read request.
void BM_TimerRearm(benchmark::State& state) {
  DispatchQueue queue("bench.timer");
  Timer timer(queue, [] {});
  for (auto _ : state) timer.start(30s);
  timer.cancel();
}
BENCHMARK(BM_TimerRearm);

// A 1 ms repeating timer: how many firings per second of wall time it delivers (ideal: 1000).
void BM_RepeatingTimerTicks(benchmark::State& state) {
  DispatchQueue queue("bench.repeat");
  std::atomic<int> ticks{0};
  Timer timer(queue, [&] { ++ticks; });
  for (auto _ : state) {
    ticks = 0;
    timer.start(1ms, 1ms);
    while (ticks < 100) std::this_thread::sleep_for(100us);
    timer.cancel();
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_RepeatingTimerTicks)->UseRealTime()->Iterations(5);

// One byte written to a socket pair until the read source's handler on the queue has read it.
void BM_ReadSourceEvent(benchmark::State& state) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds) != 0) {
    state.SkipWithError("socketpair");
    return;
  }
  DispatchQueue queue("bench.fd");
  std::mutex m;
  std::condition_variable cv;
  int received = 0;
  auto source = FdSource::makeRead(fds[0], queue);
  source->setEventHandler([&] {
    char buf[64];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    std::lock_guard lock(m);
    if (n > 0) received += static_cast<int>(n);
    cv.notify_one();
  });
  source->resume();
  int expected = 0;
  for (auto _ : state) {
    ++expected;
    if (::write(fds[1], "x", 1) != 1) state.SkipWithError("write");
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return received >= expected; });
  }
  source->cancel();
  queue.sync([] {});
  ::close(fds[0]);
  ::close(fds[1]);
}
BENCHMARK(BM_ReadSourceEvent)->UseRealTime();

// The hand-pumped main queue: a post and its run.
void BM_ManualMainQueuePostRun(benchmark::State& state) {
  ManualMainQueue main;
  int ran = 0;
  for (auto _ : state) {
    main.post([&] { ++ran; });
    main.runPending();
  }
  benchmark::DoNotOptimize(ran);
}
BENCHMARK(BM_ManualMainQueuePostRun);

// Scheduling in the timer heap: add n deadlines in shuffled order, then pop them all.
void BM_TimerHeapAddPop(benchmark::State& state) {
  const auto n = state.range(0);
  const Clock::TimePoint base{};
  for (auto _ : state) {
    TimerHeap heap;
    for (int64_t i = 0; i < n; ++i) heap.add(base + std::chrono::microseconds((i * 7919) % n), [] {});
    while (heap.popDue(base + std::chrono::microseconds(n))) {
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_TimerHeapAddPop)->Arg(1000);

}  // namespace
}  // namespace td
