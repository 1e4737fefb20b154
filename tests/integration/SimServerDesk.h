#pragma once
// The client's own layers (the session over the real transport, the order desk) logged in as demo
// against the simulated server, which runs in process on a thread of its own with free loopback
// ports. For the tests that trade through the client and look at what the server answers.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "../session/SessionTestSupport.h"
#include "SimServer.h"
#include "model/JournalData.h"
#include "model/statement/AccountStatementInfo.h"
#include "orders/BusinessBaseOrderSession.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/DateFormat.h"
#include "wire/Formatter.h"

namespace td::testing {

// What the session and the desk show the user, in order.
class DeskAlerts : public UserAlerts {
 public:
  void showAlert(const std::string& title, const std::string& message) override { shown.push_back(title + ":" + message); }
  void showBanner(const std::string& title, const std::string& message) override { shown.push_back(title + ":" + message); }
  void playSound(const std::string& name) override { shown.push_back("sound:" + name); }
  std::vector<std::string> shown;
};

class SimServerDeskTest : public SessionTest {
 protected:
  // `tickMs`: the feed's tick period; one longer than the test keeps the quotes of the login.
  explicit SimServerDeskTest(int tickMs = 20, sim::Scenario scenario = sim::Scenario::builtIn())
      : context(std::make_shared<AppContext>()) {
    // The session's own alerts (a rejection) reach the user through the application context.
    context->setUserAlerts(alerts);
    // The server thread and the client share the C library's time-zone state, whose own lock the
    // sanitizer cannot see: have the client read the zone before the server thread starts.
    (void)JournalData::journalTime(std::chrono::system_clock::now());
    (void)Formatter::setAmpFormat(std::chrono::system_clock::now());
    (void)DateFormat::cached(AMP_DATE_FORMAT);
    sim::ServerOptions options;
    options.port = 0;
    options.pubPort = 0;
    options.repPort = 0;
    options.tickMs = tickMs;
    server = std::make_unique<sim::SimServer>(std::move(scenario), options);
    std::string error;
    EXPECT_TRUE(server->start(error)) << error;
    serverThread = std::thread([this] { server->run(); });
    logindata.setPortNo(server->tcpPort());
    logindata.setUserName("demo");
    logindata.setPassword("demo");

    session = BusinessBase::create(environment());
    session->StreamingConnection(true, false);

    OrderMananger::Services services;
    services.notifications = notifications;
    services.alerts = alerts;
    services.mainQueue = &queue;
    services.language = [] { return 0; };
    desk = std::make_unique<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session), services);
  }

  ~SimServerDeskTest() override {
    desk.reset();
    session.reset();
    server->stop();
    if (serverThread.joinable()) serverThread.join();
  }

  bool until(const std::function<bool()>& done) { return queue.runUntil(done, std::chrono::milliseconds(8000)); }

  // A market order of EURUSD as the ticket fills it (side 0 buy, 1 sell).
  OrderInfo eurusd(int account, int side, const std::string& lots) const {
    return marketOrder("EURUSD", account, side, lots);
  }
  OrderInfo marketOrder(const std::string& code, int account, int side, const std::string& lots) const {
    OrderInfo info;
    info.itemCode = code;
    info.accountNo = account;
    info.orderType = 1;
    info.tradingMode = side;
    info.deliveryMode = 1;
    info.timeinForce = 1;
    info.quantity = lots;
    info.deviation = -1;
    return info;
  }

  // A price on the instrument's grid, `ticks` below the bid.
  std::string belowBid(int ticks) const {
    const auto item = session->referenceData().item("EURUSD");
    return Formatter::formatDecimal(item->Bid - ticks * item->TickSize, item->DecimalPlaces);
  }

  std::shared_ptr<Order> position(const std::string& id) const {
    for (const auto& p : session->getOpenOrderCollection())
      if (p && p->OpenPositionId == id) return p;
    return nullptr;
  }
  std::set<std::string> positionIds() const {
    std::set<std::string> ids;
    for (const auto& p : session->getOpenOrderCollection()) ids.insert(p->OpenPositionId);
    return ids;
  }

  // The account's statement of its whole history up to now, once the client has read it; none when
  // it does not come.
  const AccountStatementInfo* wholeStatement(int account) {
    int* statements = count("AccountStatementNotification");
    const int before = *statements;
    const auto now = std::chrono::system_clock::now();
    if (!session->requestAccountStatement({std::to_string(account), now - std::chrono::hours(24 * 30),
                                           now + std::chrono::minutes(1)}) ||
        !until([&] { return *statements > before; }))
      return nullptr;
    return &session->accountStatementInfo();
  }

  std::shared_ptr<DeskAlerts> alerts = std::make_shared<DeskAlerts>();
  ScopedAppContext context;
  std::unique_ptr<sim::SimServer> server;
  std::thread serverThread;
  std::unique_ptr<OrderMananger> desk;
};

}  // namespace td::testing
