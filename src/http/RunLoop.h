#pragma once
// The loop on which HTTP transfers run: posted tasks, timers on an injectable clock, descriptors it
// watches, and the transport's transfers (one libcurl multi handle). The engine's network thread runs one for ever;
// a synchronous request runs one of its own on the caller's thread. Transfers are only touched on
// the loop's thread; post() and the timer calls may come from any thread.

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"

namespace td {

class HTTPReadStream;
struct HTTPStreamSettings;

class RunLoop {
 public:
  using Task = std::function<void()>;

  explicit RunLoop(Clock& clock);
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Runs the task on the loop's thread after the current one. Safe from any thread.
  void post(Task task);
  // A follow-up of what the loop is running now (a task, a timer, a stream's events, a descriptor's
  // handler: a dispatch): `task` runs on the loop's thread once that has returned, so after it has
  // let go of the locks it held, and before the loop runs anything else or waits. Only while the
  // loop dispatches (see dispatchingHere()).
  void defer(Task task);
  // Like defer(), but after the dispatch's follow-ups as well: for handing work to another thread
  // once this one has done all it was going to do with what it hands over.
  void deferHandoff(Task task);
  // The loop whose dispatch this thread is in (the innermost when loops run nested), if any.
  static RunLoop* dispatchingHere();
  // A one-shot or repeating timer on the loop's clock (a repeating one ticks at start + n x interval
  // and runs once for ticks it missed). `owner`, if given, is held as long as the timer: what the
  // task needs alive, without a task of its own allocation for it. Safe from any thread; returns an
  // id for removeTimer().
  std::uint64_t addTimer(Clock::Duration interval, bool repeats, Task task, std::shared_ptr<const void> owner = nullptr);
  // Safe from any thread. Called on the loop's thread, the timer never runs afterwards.
  void removeTimer(std::uint64_t id);

  // Watches a descriptor for `events` (CURL_WAIT_POLLIN, CURL_WAIT_POLLOUT): `ready` runs on the
  // loop's thread with those of them that came, every turn they are there, until the source is
  // removed. An error or a hang-up shows as readiness (the read or write then says which). Loop
  // thread only.
  using FdHandler = std::function<void(short revents)>;
  std::uint64_t addFdSource(int fd, short events, FdHandler ready);
  void removeFdSource(std::uint64_t id);

  // True on the thread that runs the loop.
  bool isCurrent() const;
  Clock& clock() { return clock_; }

  // Runs until stop() (the network thread).
  void run();
  // Runs on the calling thread until done() holds after a turn (a synchronous request). Tasks posted
  // meanwhile are run before it returns.
  void runUntil(const std::function<bool()>& done);
  void stop();

  // For HTTPReadStream.
  CURLM* multi() const { return multi_; }
  void attach(const std::shared_ptr<HTTPReadStream>& stream);
  void detach(const HTTPReadStream* stream);
  bool insideTransport() const { return insideTransport_; }
  void wake();
  // A transfer handle of an ended stream, kept for the next ones with what it is still set up for.
  struct SpareTransfer {
    CURL* easy = nullptr;
    // The settings of the stream that had it last, if it kept them (HTTPReadStream says when): the
    // next stream keeps its own in their place.
    std::unique_ptr<HTTPStreamSettings> settings;
    bool setUp = false;  // its options are those the settings make; else they are the defaults
    curl_slist* headers = nullptr;  // the lists its options point to
    curl_slist* proxyHeaders = nullptr;
  };
  // A spare handle set up for settings that make the same options as `setup` (none matches none),
  // else a spare reset to the defaults, else a new handle. Loop thread only.
  SpareTransfer takeTransfer(const HTTPStreamSettings* setup);
  // Keeps an ended stream's handle (a few are kept; the others are freed). Loop thread only.
  void giveBackTransfer(SpareTransfer spare);

  // Called with a loop that is going away (the connections that belong to it are dropped).
  using DestroyedHook = void (*)(const RunLoop*);
  static void setDestroyedHook(DestroyedHook hook);
  // The loop of synchronous requests on the calling thread, made on first use; it lives as long as
  // the thread, so that its requests keep their connections from one to the next.
  static RunLoop& currentThreadLoop();

  // The process's network thread, started on first use. It never ends.
  static RunLoop& networkThread();
  // The clock the network thread was made with: set before the first request (tests).
  static void setNetworkClock(Clock& clock);
  static Clock& networkClock();

 private:
  struct Timer {
    std::uint64_t id;
    Clock::TimePoint start;
    Clock::Duration interval;
    bool repeats;
    std::int64_t tick = 0;
    Task task;
    std::shared_ptr<const void> owner;
  };
  // When a timer falls due next: the earliest first, and of those due at once the one armed first.
  struct Deadline {
    Clock::TimePoint due;
    std::uint64_t armed;
    std::uint64_t timer;
    bool operator>(const Deadline& o) const { return due != o.due ? due > o.due : armed > o.armed; }
  };

  // One round of tasks, timers and transfers; then, unless done() holds, waits for more.
  void turn(bool mayWait, const std::function<bool()>& done);
  // Runs `work` as one dispatch, then the follow-ups and hand-offs it deferred.
  template <class Work>
  void dispatch(Work&& work);
  // Runs the follow-ups, then the hand-offs, deferred past the given counts.
  void runDeferred(std::size_t followUps, std::size_t handoffs);
  void claimThread();
  void runTasks();
  void runTimers();
  void armLocked(const Timer& timer);
  // The timer, if it has not been removed.
  std::vector<std::shared_ptr<Timer>>::iterator findTimerLocked(std::uint64_t id);
  // Drops the deadlines of removed timers from the top of deadlines_.
  void dropRemovedDeadlinesLocked();
  void popDeadlineLocked();
  // Publishes the earliest deadline in firstDue_, after each change of deadlines_.
  void noteFirstDueLocked();
  // The earliest timer due at `now`, taken off for a run: a repeating one armed for its next tick.
  std::shared_ptr<Timer> takeDueTimerLocked(Clock::TimePoint now);
  void serviceStreams();
  void serviceFdSources(const std::vector<curl_waitfd>& polled);
  static void resetTransfer(SpareTransfer& spare);
  static void freeTransfer(SpareTransfer& spare);

  Clock& clock_;
  std::uint64_t clockListener_ = 0;
  CURLM* multi_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<Task> tasks_;
  // Deferred work (loop thread only), and how deep the loop is in dispatches (a loop run nested in
  // a dispatch runs only what is deferred inside it).
  std::vector<Task> followUps_;
  std::vector<Task> handoffs_;
  int dispatchDepth_ = 0;
  // Timers by id (ids only grow), each shared with a run of its task in progress; their deadlines
  // as a min-heap, where those of removed timers stay until they come to the top.
  std::vector<std::shared_ptr<Timer>> timers_;
  std::vector<Deadline> deadlines_;
  std::uint64_t nextTimer_ = 1;
  std::uint64_t nextArming_ = 1;
  // Whether there may be work, for a turn to pass by without the lock: a task is posted, and the
  // earliest deadline (perhaps a removed timer's). Written under the lock; work added from another
  // thread after a turn looked wakes the loop for the next.
  std::atomic<bool> tasksPosted_{false};
  std::atomic<Clock::TimePoint> firstDue_{Clock::TimePoint::max()};
  std::atomic<bool> stop_{false};
  std::atomic<std::thread::id> thread_;
  std::vector<std::shared_ptr<HTTPReadStream>> streams_;
  std::vector<std::shared_ptr<HTTPReadStream>> snapshotStorage_;  // empty; serviceStreams() reuses it
  std::vector<SpareTransfer> spares_;  // oldest first
  struct FdSource {
    int fd;
    short events;
    std::shared_ptr<FdHandler> ready;
  };
  std::map<std::uint64_t, FdSource> fdSources_;  // loop thread only
  std::uint64_t nextFdSource_ = 1;
  bool insideTransport_ = false;
};

}  // namespace td
