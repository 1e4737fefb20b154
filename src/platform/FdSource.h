#pragma once
// Read and write readiness sources on a file descriptor, delivered on a DispatchQueue.
//
// One process-wide poller thread (epoll) watches every source's descriptor; its events are handed
// to the source's target queue, where the event handler runs. Semantics are level-triggered: while
// the source is resumed and the descriptor stays readable (or writable), the handler keeps being
// called, once per pass of the queue, never twice at the same time. Readiness is checked again on
// the queue right before the handler runs, so a handler never runs for readiness that another task
// on the queue has meanwhile consumed.
//
// A new source starts suspended: call resume() once to start it. suspend()/resume() are counted;
// a suspended source delivers nothing (readiness that persists is delivered after the resume).
//
// cancel() stops the source: the descriptor leaves the poller before cancel() returns, no event
// handler starts after cancel() returns (when called on the target queue; from another thread a
// handler already running finishes first), and the cancel handler runs exactly once on the target
// queue after every event handler; it is the last task the source puts on the queue, so the queue
// may be destroyed once it has run. This is the place to close the descriptor. Unlike a suspended
// GCD source, a suspended source runs its cancel handler too, so a descriptor is never leaked;
// resume() after cancel() changes nothing. When the target queue has already been shut down, the
// cancel handler runs on the calling thread. Destroying an FdSource that was not cancelled cancels it.
//
// The target queue must be serial (not DispatchQueue::background()) and outlive the source's cancel
// handler. The descriptor must support epoll (sockets, pipes, eventfds; not regular files).

#include <cstddef>
#include <functional>
#include <memory>

#include "platform/DispatchQueue.h"

namespace td {

class FdSource {
 public:
  enum class Kind { Read, Write };
  using Handler = std::function<void()>;

  FdSource(Kind kind, int fd, DispatchQueue& queue);
  ~FdSource();

  FdSource(const FdSource&) = delete;
  FdSource& operator=(const FdSource&) = delete;

  static std::unique_ptr<FdSource> makeRead(int fd, DispatchQueue& queue);
  static std::unique_ptr<FdSource> makeWrite(int fd, DispatchQueue& queue);

  Kind kind() const;
  int fd() const;

  // Set before the first resume(); later changes are picked up by the next event.
  void setEventHandler(Handler handler);
  void setCancelHandler(Handler handler);

  void suspend();
  void resume();  // without a matching suspend(): ignored with a log line
  bool isSuspended() const;

  void cancel();
  bool isCancelled() const;

  // For the event handler running now. Read source: the bytes waiting in the kernel (FIONREAD);
  // 0 means end of stream (or an error that the next read() reports); a descriptor without a byte
  // count (a listening socket: at least one connection to accept; a netlink socket) reports 1.
  // Write source: 1.
  std::size_t data() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace td
