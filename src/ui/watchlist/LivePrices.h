#pragma once
// The feed of a quote board: the session's "PriceUpdateNotification" collected per frame. Ticks of
// one frame are coalesced: however many prices of an item arrive, the board hears of the item once,
// at the end of the frame (one repaint per item per frame). A second, slower timer drives the
// board's once-a-second refresh. Both run on the main queue; nothing is scheduled while no price
// comes.
//
// Main thread only; the notifications are posted there by the session.

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

namespace td {

class LivePrices {
 public:
  struct Hooks {
    // The codes whose prices changed during the frame, each once, in the order of their first tick.
    std::function<void(const std::vector<std::string>& codes)> frame;
    // The once-a-second refresh.
    std::function<void()> second;
  };
  struct Timing {
    Clock::Duration frame = std::chrono::milliseconds(16);
    Clock::Duration second = std::chrono::seconds(1);
  };

  LivePrices(NotificationCenter& notifications, MainQueue& queue, Timing timing, Hooks hooks);
  ~LivePrices();
  LivePrices(const LivePrices&) = delete;
  LivePrices& operator=(const LivePrices&) = delete;

  // Hands the pending codes over now (tests, and a board that is about to reload anyway).
  void flush();
  std::size_t pending() const { return order_.size(); }

 private:
  void tick(const std::string& code);

  NotificationCenter& notifications_;
  MainQueue& queue_;
  Timing timing_;
  Hooks hooks_;
  ObserverToken token_ = 0;
  std::unordered_set<std::string> dirty_;
  std::vector<std::string> order_;
  TimerHandle frameTimer_;
  TimerHandle secondTimer_;
};

}  // namespace td
