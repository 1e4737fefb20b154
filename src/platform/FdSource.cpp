#include "platform/FdSource.h"

#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/Log.h"

namespace td {

struct FdSource::State {
  State(Kind k, int f, DispatchQueue& q) : kind(k), fd(f), queue(q) {}

  const Kind kind;
  const int fd;
  DispatchQueue& queue;

  std::mutex mutex;
  std::shared_ptr<FdSource::Handler> handler;
  std::shared_ptr<Handler> cancelHandler;
  int suspendCount = 1;  // a new source starts suspended
  bool cancelled = false;
  bool inFlight = false;  // interest handed to the poller and its delivery not yet begun
  std::atomic<std::size_t> data{0};
};

namespace {

using StatePtr = std::shared_ptr<FdSource::State>;

// The one epoll thread of the process. It only watches and hands events to the sources' queues.
// Each descriptor is one epoll registration carrying the union of the armed sources' interests; a
// source is disarmed when its event is handed on and armed again by its delivery, so one event is
// in flight per source at most. Registrations carry a generation, so an event that was already
// collected for a descriptor that has since been removed (and perhaps reused) is ignored.
class Poller {
 public:
  static Poller& instance() {
    static Poller* poller = new Poller;  // never destroyed: its thread lives as long as the process
    return *poller;
  }

  void arm(const StatePtr& source) {
    std::lock_guard lock(mutex_);
    FdEntry& entry = entries_[source->fd];
    if (entry.generation == 0) entry.generation = nextGeneration_++;
    bool found = false;
    for (Registration& r : entry.sources) {
      if (r.source == source) {
        r.armed = true;
        found = true;
      }
    }
    if (!found) entry.sources.push_back(Registration{source, true});
    update(source->fd, entry);
  }

  void remove(const StatePtr& source) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(source->fd);
    if (it == entries_.end()) return;
    std::erase_if(it->second.sources, [&](const Registration& r) { return r.source == source; });
    update(source->fd, it->second);
    if (it->second.sources.empty()) entries_.erase(it);
  }

 private:
  struct Registration {
    StatePtr source;
    bool armed;
  };
  struct FdEntry {
    std::uint32_t generation = 0;
    std::vector<Registration> sources;
    std::uint32_t registeredMask = 0;  // 0: not in the epoll set
  };

  Poller() {
    epfd_ = epoll_create1(EPOLL_CLOEXEC);
    if (epfd_ < 0) TD_LOG_ERROR(std::string("fd sources: epoll_create1 failed: ") + std::strerror(errno));
    std::thread([this] { loop(); }).detach();
  }

  static std::uint32_t interest(FdSource::Kind kind) {
    return kind == FdSource::Kind::Read ? (EPOLLIN | EPOLLRDHUP) : EPOLLOUT;
  }

  // Brings the epoll registration of fd in line with its armed sources. Caller holds the mutex.
  void update(int fd, FdEntry& entry) {
    std::uint32_t mask = 0;
    for (const Registration& r : entry.sources) {
      if (r.armed) mask |= interest(r.source->kind);
    }
    if (mask == entry.registeredMask) return;
    if (mask == 0) {
      // Leaving the set entirely: a registration without interests still reports hang-ups.
      epoll_ctl(epfd_, EPOLL_CTL_DEL, fd, nullptr);  // fails harmlessly when fd is already closed
      entry.registeredMask = 0;
      return;
    }
    epoll_event ev{};
    ev.events = mask;
    ev.data.u64 = (static_cast<std::uint64_t>(entry.generation) << 32) | static_cast<std::uint32_t>(fd);
    const int op = entry.registeredMask == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
    if (epoll_ctl(epfd_, op, fd, &ev) != 0) {
      TD_LOG_ERROR("fd sources: cannot watch descriptor " + std::to_string(fd) + ": " + std::strerror(errno));
      entry.registeredMask = 0;
      return;
    }
    entry.registeredMask = mask;
  }

  void loop() {
    pthread_setname_np(pthread_self(), "td.fd-poller");
    epoll_event events[64];
    std::vector<StatePtr> ready;
    for (;;) {
      const int n = epoll_wait(epfd_, events, 64, -1);
      if (n < 0) {
        if (errno == EINTR) continue;
        TD_LOG_ERROR(std::string("fd sources: epoll_wait failed: ") + std::strerror(errno));
        return;
      }
      {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < n; ++i) {
          const int fd = static_cast<int>(events[i].data.u64 & 0xffffffffu);
          const auto generation = static_cast<std::uint32_t>(events[i].data.u64 >> 32);
          auto it = entries_.find(fd);
          if (it == entries_.end() || it->second.generation != generation) continue;
          const std::uint32_t got = events[i].events;
          for (Registration& r : it->second.sources) {
            if (!r.armed) continue;
            const bool hit = (got & (EPOLLERR | EPOLLHUP)) != 0 || (got & interest(r.source->kind)) != 0;
            if (!hit) continue;
            r.armed = false;
            ready.push_back(r.source);
          }
          update(fd, it->second);
        }
        // Handed on under the lock: once remove() has returned (cancel), nothing more reaches the
        // source's queue, which may then be destroyed.
        for (StatePtr& source : ready) {
          DispatchQueue& queue = source->queue;
          queue.async([source] { deliver(source); });
        }
      }
      ready.clear();
    }
  }

 public:
  static void armLocked(const StatePtr& source) {
    // Caller holds source->mutex.
    if (source->cancelled || source->suspendCount > 0 || source->inFlight) return;
    source->inFlight = true;
    instance().arm(source);
  }

  // Runs on the source's queue for each event handed on by the poller.
  static void deliver(const StatePtr& source) {
    {
      std::lock_guard lock(source->mutex);
      source->inFlight = false;
      if (source->cancelled || source->suspendCount > 0) return;  // resume() arms again
    }
    // Readiness may have been consumed since the event (by another task on this queue): look again.
    const short want = source->kind == FdSource::Kind::Read ? POLLIN : POLLOUT;
    pollfd p{source->fd, want, 0};
    const bool isReady = ::poll(&p, 1, 0) > 0 && (p.revents & (want | POLLHUP | POLLERR | POLLRDHUP)) != 0;
    std::shared_ptr<FdSource::Handler> handler;
    {
      std::lock_guard lock(source->mutex);
      if (source->cancelled || source->suspendCount > 0) return;
      if (!isReady) {
        armLocked(source);
        return;
      }
      handler = source->handler;
    }
    if (source->kind == FdSource::Kind::Read) {
      int available = 0;
      if (::ioctl(source->fd, FIONREAD, &available) != 0) {
        // No byte count here (a listening socket, a netlink socket): something is readable, and
        // read() or accept() tells how much.
        available = 1;
      }
      source->data = static_cast<std::size_t>(available < 0 ? 0 : available);
    } else {
      source->data = 1;
    }
    if (handler && *handler) (*handler)();
    std::lock_guard lock(source->mutex);
    armLocked(source);
  }

 private:
  int epfd_ = -1;
  std::mutex mutex_;
  std::unordered_map<int, FdEntry> entries_;
  std::uint32_t nextGeneration_ = 1;
};

}  // namespace

FdSource::FdSource(Kind kind, int fd, DispatchQueue& queue) : state_(std::make_shared<State>(kind, fd, queue)) {}

FdSource::~FdSource() { cancel(); }

std::unique_ptr<FdSource> FdSource::makeRead(int fd, DispatchQueue& queue) {
  return std::make_unique<FdSource>(Kind::Read, fd, queue);
}

std::unique_ptr<FdSource> FdSource::makeWrite(int fd, DispatchQueue& queue) {
  return std::make_unique<FdSource>(Kind::Write, fd, queue);
}

FdSource::Kind FdSource::kind() const { return state_->kind; }
int FdSource::fd() const { return state_->fd; }

void FdSource::setEventHandler(Handler handler) {
  auto h = std::make_shared<Handler>(std::move(handler));
  std::lock_guard lock(state_->mutex);
  if (!state_->cancelled) state_->handler.swap(h);
}

void FdSource::setCancelHandler(Handler handler) {
  auto h = std::make_shared<Handler>(std::move(handler));
  std::lock_guard lock(state_->mutex);
  if (!state_->cancelled) state_->cancelHandler.swap(h);
}

void FdSource::suspend() {
  std::lock_guard lock(state_->mutex);
  if (!state_->cancelled) ++state_->suspendCount;
}

void FdSource::resume() {
  std::lock_guard lock(state_->mutex);
  if (state_->cancelled) return;
  if (state_->suspendCount == 0) {
    TD_LOG_WARN("fd source " + std::to_string(state_->fd) + ": resume() without suspend() ignored");
    return;
  }
  if (--state_->suspendCount == 0) Poller::armLocked(state_);
}

bool FdSource::isSuspended() const {
  std::lock_guard lock(state_->mutex);
  return state_->suspendCount > 0;
}

void FdSource::cancel() {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->cancelled) return;
    state_->cancelled = true;
  }
  Poller::instance().remove(state_);
  // Queued behind any delivery already on the queue; deliveries see the flag and run nothing.
  auto finish = [state = state_] {
    std::shared_ptr<FdSource::Handler> handler;
    std::shared_ptr<Handler> cancelHandler;
    {
      std::lock_guard lock(state->mutex);
      handler.swap(state->handler);
      cancelHandler.swap(state->cancelHandler);
    }
    if (cancelHandler && *cancelHandler) (*cancelHandler)();
  };
  if (!state_->queue.async(finish)) {
    TD_LOG_WARN("fd source " + std::to_string(state_->fd) + ": queue shut down, cancel handler runs here");
    finish();
  }
}

bool FdSource::isCancelled() const {
  std::lock_guard lock(state_->mutex);
  return state_->cancelled;
}

std::size_t FdSource::data() const { return state_->data.load(); }

}  // namespace td
