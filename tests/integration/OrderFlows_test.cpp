// The simulated server's order flows at the byte level: a raw client logs in, writes each order
// kind with the client's own request writer and reads the exact reports and account summaries
// that come back over the session.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "OrderWire.h"
#include "ProcessHelpers.h"
#include "RawConnection.h"
#include "Scenario.h"
#include "ServerMessage.h"
#include "platform/LoginInputdata.h"
#include "wire/SessionKey.h"

namespace td::testing {
namespace {

using namespace std::chrono_literals;
using sim::ServerMessage;

class OrderClient : public RawConnection {
 public:
  explicit OrderClient(int port) : RawConnection(port, 50ms) {}

  // Logs in, switches to the session key and reads the acceptance and the first summaries; the
  // summaries are kept by account.
  bool login(const std::string& user, const std::string& password) {
    if (!connected()) return false;
    key = ServerPresets::load().initialPassPhrase;
    if (!SessionRequests::LoginRequest(writer, LoginRequestValues{user, password, "TarnwickDesk", "1.0.0",
                                                                  DeviceFields{"127.0.0.1", "Linux#6", "h"},
                                                                  sim::ampTime(sim::unixNow())}))
      return false;
    auto reply = next();
    if (!reply || reply->type != 33) return false;
    key = GenerateNewEncryptionKey(user, password, reply->get(19), reply->get(21));
    session = orderSession(user);
    session.Referenceid = std::string(*reply->get(19));
    auto accepted = next();
    if (!accepted || accepted->type != 18) return false;
    const std::size_t accounts = user == "demo" ? 2 : 1;
    while (summaries.size() < accounts) {
      auto m = next();
      if (!m || m->type != 1045) return false;
      summaries[std::string(*m->get(34))] = *m;
    }
    return true;
  }

  // The next message, or nothing within the time.
  std::optional<ServerMessage> next(std::chrono::milliseconds within = 3000ms) { return message(key, within); }

  // Messages up to and including the summary of `account` (order reports and summaries only; the
  // periodic summaries of a ticking server and those of other accounts are kept aside).
  std::vector<ServerMessage> untilSummary(int account, std::chrono::milliseconds within = 3000ms) {
    std::vector<ServerMessage> out;
    auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline) {
      auto m = next(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
      if (!m) break;
      if (m->type == 1045) {
        summaries[std::string(*m->get(34))] = *m;
        if (m->get(34) == std::string_view(std::to_string(account))) {
          out.push_back(*m);
          return out;
        }
        continue;
      }
      out.push_back(*m);
    }
    return out;
  }

  // The next `n` order reports, summaries skipped (for a ticking server).
  std::vector<ServerMessage> reports(std::size_t n, std::chrono::milliseconds within = 4000ms) {
    std::vector<ServerMessage> out;
    auto deadline = std::chrono::steady_clock::now() + within;
    while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
      auto m = next(100ms);
      if (m && m->type != 1045) out.push_back(*m);
    }
    return out;
  }

  double summary(int account, int tag) { return std::stod(field(summaries.at(std::to_string(account)), tag)); }

  SessionValues session;
  std::map<std::string, ServerMessage> summaries;
};

std::vector<std::string> kinds(const std::vector<ServerMessage>& ms) {
  std::vector<std::string> out;
  for (const auto& m : ms) out.push_back(kindOf(m));
  return out;
}

// Orders of the built-in EURUSD (5 decimals), priced near its start.
OrderTagValues eurusd(int account, int typeTag, bool buy, const std::string& qty, const std::string& price = "1.08452",
                      std::int32_t requestId = 41) {
  return orderValues(account, "EURUSD", typeTag, buy, qty, price, requestId);
}

TEST(OrderFlows, AMarketOrderIsAnsweredPendingFilledExecutedThenTheAccountSummary) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  OrderClient c(server.tcp);
  ASSERT_TRUE(c.login("demo", "demo"));
  double margin = c.summary(1001, 84), balance = c.summary(1001, 560);

  ASSERT_TRUE(OrderRequests::NewOrder(c.writer, c.session, eurusd(1001, 29, true, "2")));
  auto got = c.untilSummary(1001);
  ASSERT_EQ(kinds(got), (std::vector<std::string>{"62/28", "62/23", "67/74", "1045"}));
  EXPECT_EQ(field(got[0], 33), "41");
  EXPECT_EQ(field(got[2], 79), field(got[0], 79));
  EXPECT_EQ(field(got[2], 37), "2");
  EXPECT_NEAR(c.summary(1001, 84), margin + 2000, 1e-6) << "used margin: 1000 per lot of the open positions";
  EXPECT_NEAR(c.summary(1001, 560), balance, 1e-6) << "an opening fill leaves the balance";
  EXPECT_NEAR(c.summary(1001, 85), c.summary(1001, 130) - c.summary(1001, 84), 0.011);

  // Closing it settles at the bid; the balance moves by the settled profit or loss less the
  // commission of the lots settled.
  std::string position = field(got[2], 80);
  ASSERT_TRUE(OrderRequests::ClosingOrder(c.writer, c.session, eurusd(1001, 29, false, "2"), position));
  auto closed = c.untilSummary(1001);
  ASSERT_EQ(kinds(closed), (std::vector<std::string>{"62/28", "62/23", "67/74", "67/73", "66", "1045"}));
  EXPECT_EQ(field(closed[3], 80), position);
  EXPECT_EQ(field(closed[3], 76), "0");
  EXPECT_EQ(field(closed[4], 87), field(closed[2], 80));
  EXPECT_NEAR(c.summary(1001, 560), balance + std::stod(field(closed[4], 88)) - std::stod(field(closed[4], 545)), 1e-6);
  EXPECT_NEAR(c.summary(1001, 84), margin, 1e-6);
}

TEST(OrderFlows, ARejectedOrderGetsItsReasonAndNoSummary) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  OrderClient c(server.tcp);
  ASSERT_TRUE(c.login("demo", "demo"));
  ASSERT_TRUE(OrderRequests::NewOrder(c.writer, c.session, eurusd(1001, 29, true, "77", "1.08452", 51)));
  auto rejected = c.next();
  ASSERT_TRUE(rejected);
  EXPECT_EQ(kindOf(*rejected), "62/25");
  EXPECT_EQ(field(*rejected, 74), "13");
  EXPECT_EQ(field(*rejected, 33), "51");
  EXPECT_FALSE(c.next(300ms)) << "nothing changed, so no summary follows";
}

// The built-in scenario with the demo user's group holding no trading terms: its limit orders may
// stand on either side of the market.
std::string termlessScenario() {
  std::string text(sim::Scenario::builtInJson());
  const auto from = text.find("\"terms\": [", text.find("\"Standard\""));
  const auto to = text.find("]}", from);
  text.replace(from, to + 1 - from, "\"terms\": []");
  return scenarioFile(text, "tarnwickdesk-termless");
}

TEST(OrderFlows, ALimitOrderWorksUntilTheFeedCrossesItAndACancelTakesAnotherOff) {
  const std::string scenario = termlessScenario();
  ServerProcess server({"--tick-ms", "5", "--scenario", scenario});
  std::filesystem::remove(scenario);
  ASSERT_TRUE(server.listening());
  OrderClient c(server.tcp);
  ASSERT_TRUE(c.login("demo", "demo"));
  // Far below the market: it stays working; far above: the next tick fills it at the ask.
  ASSERT_TRUE(OrderRequests::NewOrder(c.writer, c.session, eurusd(1001, 30, true, "1", "0.50000", 61)));
  auto low = c.reports(1);
  ASSERT_EQ(kinds(low), (std::vector<std::string>{"62/28"}));
  std::string lowId = field(low[0], 79);
  ASSERT_TRUE(OrderRequests::NewOrder(c.writer, c.session, eurusd(1001, 30, true, "1", "2.00000", 62)));
  auto reports = c.reports(3);
  ASSERT_EQ(kinds(reports), (std::vector<std::string>{"62/28", "62/23", "67/74"}));
  EXPECT_EQ(field(reports[0], 38), "2.00000");
  EXPECT_LT(std::stod(field(reports[2], 38)), 2.0) << "filled at the ask, below the limit";
  EXPECT_EQ(field(reports[2], 33), "62");
  for (auto& m : reports) EXPECT_NE(field(m, 79), lowId);

  ASSERT_TRUE(OrderRequests::EditWorkingOrder(c.writer, c.session, eurusd(1001, 29, true, "1", "0.50000", 63), lowId,
                                              1, std::string("0.50000"), false, false));
  auto cancel = c.reports(1);
  ASSERT_EQ(kinds(cancel), (std::vector<std::string>{"62/24"}));
  EXPECT_EQ(field(cancel[0], 79), lowId);
  EXPECT_EQ(field(cancel[0], 33), "63");
  EXPECT_TRUE(c.reports(1, 300ms).empty()) << "no report follows the cancel";
}

TEST(OrderFlows, BulkRowsAndAnOffsetOverTheWire) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  OrderClient c(server.tcp);
  ASSERT_TRUE(c.login("demo", "demo"));
  std::vector<BulkOrderEntry> rows{{1002, 2}, {1002, 1}};
  ASSERT_TRUE(OrderRequests::BulkOrder(c.writer, c.session, eurusd(0, 29, true, ""),
                                       OrderRequests::bulkOrderDetails(rows, c.session.Requestid)));
  auto bought = c.untilSummary(1002);
  ASSERT_EQ(kinds(bought), (std::vector<std::string>{"62/28", "62/23", "67/74", "62/28", "62/23", "67/74", "1045"}));
  EXPECT_EQ(field(bought[2], 37), "2");
  EXPECT_EQ(field(bought[5], 37), "1");
  EXPECT_EQ(field(bought[2], 33), std::to_string(c.session.Requestid + 1));
  ASSERT_TRUE(OrderRequests::NewOrder(c.writer, c.session, eurusd(1002, 29, false, "3")));
  auto sold = c.untilSummary(1002);
  ASSERT_EQ(kinds(sold), (std::vector<std::string>{"62/28", "62/23", "67/74", "1045"}));
  double balance = c.summary(1002, 560);

  std::string sell = field(sold[2], 80);
  std::vector<OffsetEntry> opposite{{field(bought[2], 80), "2"}, {field(bought[5], 80), "1"}};
  ASSERT_TRUE(OrderRequests::CloseHedgedPositions(c.writer, c.session, OrderRequests::offsetList({sell, "3"}, opposite),
                                                  "EURUSD", "1002", std::string("20260101120000")));
  auto offset = c.untilSummary(1002);
  ASSERT_EQ(kinds(offset), (std::vector<std::string>{"1052", "67/73", "67/73", "67/73", "66", "66", "1045"}));
  EXPECT_EQ(field(offset[0], 17), "Success");
  EXPECT_EQ(field(offset[4], 80), sell);
  double booked = 0;
  for (std::size_t i : {4u, 5u}) booked += std::stod(field(offset[i], 88)) - std::stod(field(offset[i], 545));
  EXPECT_NEAR(c.summary(1002, 560), balance + booked, 1e-6);
}

TEST(OrderFlows, ReportsReachEverySessionOfTheOwnerAndNoOtherUser) {
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  OrderClient a(server.tcp), b(server.tcp), alice(server.tcp);
  ASSERT_TRUE(a.login("demo", "demo"));
  ASSERT_TRUE(b.login("demo", "demo"));
  ASSERT_TRUE(alice.login("alice", "secret"));
  ASSERT_TRUE(OrderRequests::NewOrder(a.writer, a.session, eurusd(1001, 29, true, "1")));
  EXPECT_EQ(kinds(a.untilSummary(1001)), (std::vector<std::string>{"62/28", "62/23", "67/74", "1045"}));
  EXPECT_EQ(kinds(b.untilSummary(1001)), (std::vector<std::string>{"62/28", "62/23", "67/74", "1045"}));
  EXPECT_FALSE(alice.next(300ms));

  // An order on another user's account is refused to the sender alone.
  ASSERT_TRUE(OrderRequests::NewOrder(alice.writer, alice.session, eurusd(1001, 29, true, "1")));
  auto refused = alice.next();
  ASSERT_TRUE(refused);
  EXPECT_EQ(field(*refused, 74), "50");
  EXPECT_FALSE(a.next(300ms));
}

}  // namespace
}  // namespace td::testing
