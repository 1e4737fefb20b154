#pragma once
// The ticket's tests: a session of its own (a BusinessBase over a recording transport, reference
// data made by hand), the real order desk over it, the GUI objects, all in an application context
// on a hand-pumped main queue; a recording window in place of the Qt one.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SessionContextFixture.h"
#include "TicketData.h"
#include "orders/OrderMananger.h"
#include "ui/shell/GUIObjects.h"
#include "ui/ticket/TradeTicketWindowController.h"

namespace td::testing {

class RecordingTicketView final : public TradeTicketView {
 public:
  explicit RecordingTicketView(TradeTicketWindowController& ticket) : ticket_(ticket) {}
  void ticketChanged() override { ++changes; }
  void showAlert(const std::string& title, const std::string& message) override {
    alerts.push_back(title + ": " + message);
  }
  void showConfirmationSheet(const std::string& text) override { sheets.push_back(text); }
  void showTicketWindow() override { ++shown; }
  void closeTicketWindow() override {
    ++closed;
    ticket_.windowWillClose();
  }
  void showChartSymbol(const std::string& code, const std::string& key) override { charts.push_back(code + " " + key); }
  void editQuantityHeader() override { ++headerEdits; }

  int changes = 0;
  int shown = 0;
  int closed = 0;
  int headerEdits = 0;
  std::vector<std::string> alerts;
  std::vector<std::string> sheets;
  std::vector<std::string> charts;

 private:
  TradeTicketWindowController& ticket_;
};

// The data of TicketData.h in a session of its own, in the test's application context.
class TicketTest : public test::SessionContextTest {
 protected:
  static constexpr const char* kKey = "ticket-test-key";

  TicketTest() {
    login().setUserName("demo");
    login().setSecurityKey(kKey);
    context().setGuiObjects(gui);
    openSession();
    ticket = std::make_unique<TradeTicketWindowController>(TradeTicketWindowController::Options{&queue});
    view = std::make_unique<RecordingTicketView>(*ticket);
    ticket->setView(view.get());
  }
  ~TicketTest() override {
    ticket.reset();
    context().setOrderMananger(nullptr);
  }

  // A new session with the data above, and its order desk.
  void openSession() {
    makeSession();
    installTicketSession(context(), session, queue, notifications);
  }

  // The openers: the main window's button, or a watch list's row.
  void open(const std::string& code = "", bool fromWatchlist = false) {
    ticket->setIsTradeTicketfromWatchlist(fromWatchlist);
    if (fromWatchlist) ticket->setValue(code, "ItemCode");
    ticket->windowDidAppear();
    ticket->runModalWindow();
  }

  const TicketState& state() const { return ticket->state(); }
  ReferenceData& data() { return session->referenceData(); }

  // The order frames the session sent, opened: "10=60\x03..." bodies.
  std::vector<std::string> sentOrders() const {
    std::vector<std::string> out;
    for (const std::string& frame : transport->tcp) {
      const std::string inner = openSent(frame, kKey);
      if (inner.find("\x03" "10=60\x03") != std::string::npos || inner.find("\x03" "10=77\x03") != std::string::npos)
        out.push_back(inner);
    }
    return out;
  }
  static std::string tag(const std::string& frame, const std::string& number) {
    const std::string key = "\x03" + number + "=";
    const std::size_t at = frame.find(key);
    if (at == std::string::npos) return "<none>";
    const std::size_t start = at + key.size();
    return frame.substr(start, frame.find('\x03', start) - start);
  }

  std::shared_ptr<NotificationCenter> notifications = context().notificationCenter();
  std::shared_ptr<GUIObjects> gui = std::make_shared<GUIObjects>();
  std::unique_ptr<TradeTicketWindowController> ticket;
  std::unique_ptr<RecordingTicketView> view;
};

}  // namespace td::testing
