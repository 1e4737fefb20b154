#include "http/RunLoop.h"

#include <algorithm>
#include <utility>

#include "http/HTTPReadStream.h"
#include "platform/Log.h"

namespace td {
namespace {

std::once_flag gCurlInit;
std::atomic<RunLoop::DestroyedHook> gDestroyedHook{nullptr};
std::atomic<Clock*> gNetworkClock{nullptr};
thread_local RunLoop* tLoop = nullptr;  // the loop this thread is running (the innermost)

// Makes `loop` the one this thread runs, until it goes out of scope.
class Running {
 public:
  explicit Running(RunLoop* loop) : outer_(std::exchange(tLoop, loop)) {}
  ~Running() { tLoop = outer_; }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  RunLoop* outer_;
};

void initCurl() {
  std::call_once(gCurlInit, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) TD_LOG_ERROR("http: the transport library did not start");
  });
}

}  // namespace

RunLoop::RunLoop(Clock& clock) : clock_(clock), thread_(std::thread::id()) {
  initCurl();
  multi_ = curl_multi_init();
  clockListener_ = clock_.addListener([this] { wake(); });
}

RunLoop::~RunLoop() {
  if (auto hook = gDestroyedHook.load()) hook(this);
  clock_.removeListener(clockListener_);
  for (auto& stream : std::vector<std::shared_ptr<HTTPReadStream>>(streams_)) stream->closeNow();
  streams_.clear();
  for (SpareTransfer& spare : spares_) freeTransfer(spare);
  spares_.clear();
  curl_multi_cleanup(multi_);
}

RunLoop::SpareTransfer RunLoop::takeTransfer(const HTTPStreamSettings* setup) {
  SpareTransfer taken;
  if (spares_.empty()) {
    taken.easy = curl_easy_init();
    return taken;
  }
  auto match = setup ? std::find_if(spares_.begin(), spares_.end(),
                                    [&](const auto& s) { return s.setUp && s.settings->makesSameOptionsAs(*setup); })
                     : spares_.end();
  const bool setUp = match != spares_.end();
  if (!setUp) match = spares_.end() - 1;
  taken = std::move(*match);
  spares_.erase(match);
  if (!setUp) resetTransfer(taken);
  return taken;
}

void RunLoop::giveBackTransfer(SpareTransfer spare) {
  // A few are kept: one per transfer that runs at the same time is plenty.
  constexpr std::size_t kSpareTransfers = 8;
  if (spares_.size() >= kSpareTransfers) {
    freeTransfer(spares_.front());
    spares_.erase(spares_.begin());
  }
  spares_.push_back(std::move(spare));
}

void RunLoop::resetTransfer(SpareTransfer& spare) {
  curl_easy_reset(spare.easy);  // every option back to its default, nothing of the last transfer kept
  curl_slist_free_all(spare.headers);
  curl_slist_free_all(spare.proxyHeaders);
  spare.headers = spare.proxyHeaders = nullptr;
  spare.setUp = false;
}

void RunLoop::freeTransfer(SpareTransfer& spare) {
  curl_easy_cleanup(spare.easy);
  curl_slist_free_all(spare.headers);
  curl_slist_free_all(spare.proxyHeaders);
  spare = SpareTransfer();
}

void RunLoop::wake() {
  // The loop's own thread is not waiting: it looks at its tasks, timers and transfers before it does.
  if (multi_ && !isCurrent()) curl_multi_wakeup(multi_);
}

void RunLoop::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    tasksPosted_.store(true);
  }
  wake();
}

void RunLoop::defer(Task task) { followUps_.push_back(std::move(task)); }

void RunLoop::deferHandoff(Task task) { handoffs_.push_back(std::move(task)); }

template <class Work>
void RunLoop::dispatch(Work&& work) {
  const std::size_t followUps = followUps_.size();
  const std::size_t handoffs = handoffs_.size();
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  } depth(dispatchDepth_);
  work();
  runDeferred(followUps, handoffs);
}

void RunLoop::runDeferred(std::size_t followUps, std::size_t handoffs) {
  // In the order deferred, follow-ups first; what they defer joins the end of the lists.
  while (true) {
    const bool followUp = followUps_.size() > followUps;
    if (!followUp && handoffs_.size() <= handoffs) return;
    std::vector<Task>& list = followUp ? followUps_ : handoffs_;
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(followUp ? followUps : handoffs);
    Task task = std::move(*at);
    list.erase(at);
    task();
  }
}

void RunLoop::armLocked(const Timer& timer) {
  const auto due = Clock::tickDue(timer.start, timer.repeats ? std::optional(timer.interval) : std::nullopt, timer.tick);
  deadlines_.push_back(Deadline{due, nextArming_++, timer.id});
  std::push_heap(deadlines_.begin(), deadlines_.end(), std::greater<>());
  noteFirstDueLocked();
}

void RunLoop::popDeadlineLocked() {
  std::pop_heap(deadlines_.begin(), deadlines_.end(), std::greater<>());
  deadlines_.pop_back();
  noteFirstDueLocked();
}

void RunLoop::noteFirstDueLocked() {
  firstDue_.store(deadlines_.empty() ? Clock::TimePoint::max() : deadlines_.front().due);
}

std::vector<std::shared_ptr<RunLoop::Timer>>::iterator RunLoop::findTimerLocked(std::uint64_t id) {
  const auto it = std::lower_bound(timers_.begin(), timers_.end(), id,
                                   [](const std::shared_ptr<Timer>& timer, std::uint64_t wanted) { return timer->id < wanted; });
  return it != timers_.end() && (*it)->id == id ? it : timers_.end();
}

void RunLoop::dropRemovedDeadlinesLocked() {
  while (!deadlines_.empty() && findTimerLocked(deadlines_.front().timer) == timers_.end()) popDeadlineLocked();
}

std::shared_ptr<RunLoop::Timer> RunLoop::takeDueTimerLocked(Clock::TimePoint now) {
  dropRemovedDeadlinesLocked();
  if (deadlines_.empty() || deadlines_.front().due > now) return nullptr;
  const auto it = findTimerLocked(deadlines_.front().timer);
  popDeadlineLocked();
  std::shared_ptr<Timer> timer = *it;
  if (timer->repeats) {
    timer->tick = Clock::nextTick(timer->start, timer->interval, timer->tick, clock_.now());
    armLocked(*timer);
  } else {
    timers_.erase(it);
  }
  return timer;
}

std::uint64_t RunLoop::addTimer(Clock::Duration interval, bool repeats, Task task, std::shared_ptr<const void> owner) {
  if (repeats && interval <= Clock::Duration::zero()) interval = std::chrono::milliseconds(1);
  std::uint64_t id;
  {
    std::lock_guard lock(mutex_);
    id = nextTimer_++;
    const Timer& timer = *timers_.emplace_back(std::make_shared<Timer>(
        Timer{id, Clock::later(clock_.now(), interval), interval, repeats, 0, std::move(task), std::move(owner)}));
    armLocked(timer);
  }
  wake();
  return id;
}

void RunLoop::removeTimer(std::uint64_t id) {
  std::shared_ptr<Timer> dying;  // the task's captures die outside the lock, or after its run in progress
  std::lock_guard lock(mutex_);
  const auto it = findTimerLocked(id);
  if (it == timers_.end()) return;
  dying = std::move(*it);
  timers_.erase(it);
  // Its deadline goes when it comes to the top; a timer per request would otherwise leave the heap
  // full of dead ones.
  if (timers_.empty()) {
    deadlines_.clear();
  } else if (deadlines_.size() > 64 && deadlines_.size() > 2 * timers_.size()) {
    std::erase_if(deadlines_, [&](const Deadline& d) { return findTimerLocked(d.timer) == timers_.end(); });
    std::make_heap(deadlines_.begin(), deadlines_.end(), std::greater<>());
  }
  noteFirstDueLocked();
}

bool RunLoop::isCurrent() const { return thread_.load() == std::this_thread::get_id(); }

RunLoop* RunLoop::dispatchingHere() { return tLoop && tLoop->dispatchDepth_ > 0 ? tLoop : nullptr; }

void RunLoop::claimThread() { thread_.store(std::this_thread::get_id()); }

void RunLoop::attach(const std::shared_ptr<HTTPReadStream>& stream) {
  if (std::find(streams_.begin(), streams_.end(), stream) == streams_.end()) streams_.push_back(stream);
}

void RunLoop::detach(const HTTPReadStream* stream) {
  std::erase_if(streams_, [&](const std::shared_ptr<HTTPReadStream>& s) { return s.get() == stream; });
}

void RunLoop::runTasks() {
  if (!tasksPosted_.load()) return;
  std::vector<Task> tasks;
  {
    std::lock_guard lock(mutex_);
    tasks.swap(tasks_);
    tasksPosted_.store(false);
  }
  // Each task's captures go before its follow-ups run.
  for (Task& task : tasks)
    dispatch([&] {
      task();
      task = nullptr;
    });
}

void RunLoop::runTimers() {
  while (true) {
    const Clock::TimePoint now = clock_.now();
    if (now < firstDue_.load()) return;
    std::shared_ptr<Timer> timer;
    {
      std::lock_guard lock(mutex_);
      timer = takeDueTimerLocked(now);
    }
    if (!timer) return;
    dispatch([&] {
      timer->task();
      timer.reset();
    });
  }
}

void RunLoop::serviceStreams() {
  // Delivering events may open and close streams: work on a snapshot (when any has something to do).
  for (int round = 0; round < 4; ++round) {
    if (std::none_of(streams_.begin(), streams_.end(), [](const auto& s) { return s->needsService(); })) return;
    bool any = false;
    // In the storage of the last snapshot (one taken in a loop run nested in a dispatch has its own).
    std::vector<std::shared_ptr<HTTPReadStream>> snapshot = std::exchange(snapshotStorage_, {});
    snapshot.assign(streams_.begin(), streams_.end());
    for (const auto& stream : snapshot) dispatch([&] { any |= stream->service(); });
    snapshot.clear();
    snapshotStorage_ = std::move(snapshot);
    if (!any) break;
  }
}

std::uint64_t RunLoop::addFdSource(int fd, short events, FdHandler ready) {
  const std::uint64_t id = nextFdSource_++;
  fdSources_.emplace(id, FdSource{fd, events, std::make_shared<FdHandler>(std::move(ready))});
  return id;
}

void RunLoop::removeFdSource(std::uint64_t id) { fdSources_.erase(id); }

void RunLoop::serviceFdSources(const std::vector<curl_waitfd>& polled) {
  std::size_t i = 0;
  // A handler may add and remove sources: each polled one is looked up again by its id.
  std::vector<std::uint64_t> ids;
  for (const auto& [id, source] : fdSources_) ids.push_back(id);
  for (std::uint64_t id : ids) {
    const short revents = i < polled.size() ? polled[i++].revents : 0;
    auto it = fdSources_.find(id);
    if (revents == 0 || it == fdSources_.end()) continue;
    auto ready = it->second.ready;  // alive while it runs, even if it removes its source
    dispatch([&] { (*ready)(revents); });
  }
}

void RunLoop::turn(bool mayWait, const std::function<bool()>& done) {
  runTasks();
  runTimers();
  serviceStreams();
  dispatch([&] {
    int running = 0;
    insideTransport_ = true;
    curl_multi_perform(multi_, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      for (const auto& stream : streams_) {
        if (stream->easy() == message->easy_handle) {
          stream->transportFinished(message->data.result);
          break;
        }
      }
    }
    insideTransport_ = false;
  });
  serviceStreams();
  // Descriptors are looked at even when the loop may not wait: a turn with none ends here.
  const bool watching = !fdSources_.empty();
  const bool ending = !mayWait || (done && done());
  if (ending && !watching) return;

  long waitMs = ending ? 0 : 1000;
  {
    std::lock_guard lock(mutex_);
    if (!tasks_.empty()) waitMs = 0;
    dropRemovedDeadlinesLocked();
    if (!deadlines_.empty()) {
      const auto realDue = clock_.realWakeTime(deadlines_.front().due);
      if (realDue != Clock::TimePoint::max()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(realDue - std::chrono::steady_clock::now());
        waitMs = std::min<long>(waitMs, std::max<long>(0, left.count() + (left.count() >= 0 ? 1 : 0)));
      }
    }
  }
  long curlMs = -1;
  curl_multi_timeout(multi_, &curlMs);
  if (curlMs >= 0) waitMs = std::min(waitMs, curlMs);
  for (const auto& stream : streams_)
    if (stream->wantsService()) waitMs = 0;
  if (!watching) {
    if (waitMs > 0) curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMs), nullptr);
    return;
  }
  std::vector<curl_waitfd> polled;
  polled.reserve(fdSources_.size());
  for (const auto& [id, source] : fdSources_)
    polled.push_back(curl_waitfd{source.fd, static_cast<short>(source.events), 0});
  curl_multi_poll(multi_, polled.data(), static_cast<unsigned>(polled.size()), static_cast<int>(waitMs), nullptr);
  serviceFdSources(polled);
}

void RunLoop::run() {
  claimThread();
  Running running(this);
  while (!stop_.load()) turn(true, nullptr);
}

void RunLoop::runUntil(const std::function<bool()>& done) {
  claimThread();
  Running running(this);
  while (!done()) turn(true, done);
  // Tasks posted while the request ran (its last reports included) still run here.
  turn(false, nullptr);
}

void RunLoop::stop() {
  stop_.store(true);
  wake();
}

void RunLoop::setDestroyedHook(DestroyedHook hook) { gDestroyedHook.store(hook); }

RunLoop& RunLoop::currentThreadLoop() {
  thread_local std::unique_ptr<RunLoop> loop;
  if (!loop) {
    loop = std::make_unique<RunLoop>(networkClock());
    loop->claimThread();
  }
  return *loop;
}

void RunLoop::setNetworkClock(Clock& clock) { gNetworkClock.store(&clock); }

Clock& RunLoop::networkClock() {
  Clock* clock = gNetworkClock.load();
  if (clock) return *clock;
  // The network thread outlives static destruction: its default clock is never destroyed.
  static Clock* steady = new SteadyClock();
  return *steady;
}

RunLoop& RunLoop::networkThread() {
  // Made once and never destroyed: its thread runs for the life of the process.
  static RunLoop* loop = [] {
    auto* l = new RunLoop(networkClock());
    std::thread([l] { l->run(); }).detach();
    // Wait until the thread has claimed the loop, so isCurrent() is right from the start.
    while (l->thread_.load() == std::thread::id()) std::this_thread::yield();
    return l;
  }();
  return *loop;
}

}  // namespace td
