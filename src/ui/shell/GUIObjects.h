#pragma once
// The objects the windows of one run share: how an execution confirmation is shown (a modal alert
// or a banner), and the one order ticket of the run. Made once at start-up and kept in the
// application context; main thread only, except showConfirmationAlert(), which the session reads
// when a confirmation comes in.

#include <atomic>
#include <functional>
#include <string>

namespace td {

class GUIObjects {
 public:
  // A modal alert (true, the default) or a banner (false).
  bool showConfirmationAlert() const { return showConfirmationAlert_.load(std::memory_order_relaxed); }
  void setShowConfirmationAlert(bool value) { showConfirmationAlert_.store(value, std::memory_order_relaxed); }

  // The order ticket: the ticket's family installs how it is opened (one ticket for the run);
  // every opener (the main window's button, a watchlist row, a menu) goes through
  // openTradeTicket. False when no ticket is installed.
  using TradeTicketOpener = std::function<void(const std::string& itemCode, bool fromWatchlist)>;
  void setTradeTicketOpener(TradeTicketOpener opener) { ticketOpener_ = std::move(opener); }
  bool openTradeTicket(const std::string& itemCode, bool fromWatchlist) const {
    if (!ticketOpener_) return false;
    ticketOpener_(itemCode, fromWatchlist);
    return true;
  }

 private:
  std::atomic<bool> showConfirmationAlert_{true};
  TradeTicketOpener ticketOpener_;
};

}  // namespace td
