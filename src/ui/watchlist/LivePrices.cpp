#include "ui/watchlist/LivePrices.h"

namespace td {

LivePrices::LivePrices(NotificationCenter& notifications, MainQueue& queue, Timing timing, Hooks hooks)
    : notifications_(notifications), queue_(queue), timing_(timing), hooks_(std::move(hooks)) {
  token_ = notifications_.addObserver("PriceUpdateNotification", [this](const Notification& n) {
    if (const std::string* code = n.objectAs<std::string>()) tick(*code);
  });
  secondTimer_ = queue_.scheduleRepeating(timing_.second, [this] {
    if (hooks_.second) hooks_.second();
  });
}

LivePrices::~LivePrices() {
  notifications_.removeObserver(token_);
  frameTimer_.cancel();
  secondTimer_.cancel();
}

void LivePrices::tick(const std::string& code) {
  if (dirty_.insert(code).second) order_.push_back(code);
  if (!frameTimer_.active()) frameTimer_ = queue_.schedule(timing_.frame, [this] { flush(); });
}

void LivePrices::flush() {
  frameTimer_.cancel();
  if (order_.empty()) return;
  std::vector<std::string> codes;
  codes.swap(order_);
  dirty_.clear();
  if (hooks_.frame) hooks_.frame(codes);
}

}  // namespace td
