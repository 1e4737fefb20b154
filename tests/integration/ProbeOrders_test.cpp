// Orders placed by the probe through the client's order desk against the simulated server, both
// as processes: the reports about the order, the trading state's lines, a server rejection and a
// refusal by the desk's own checks.

#include <gtest/gtest.h>

#include <regex>

#include "ProcessHelpers.h"

namespace td::testing {
namespace {

// The index of the first line matching the pattern, or -1.
int lineOf(const ProbeRun& run, const std::string& pattern, std::smatch* match = nullptr) {
  const std::regex form(pattern);
  for (std::size_t i = 0; i < run.lines.size(); ++i) {
    std::smatch m;
    if (std::regex_match(run.lines[i], m, form)) {
      if (match) *match = m;
      return static_cast<int>(i);
    }
  }
  return -1;
}

ProbeRun order(const ServerProcess& server, const std::string& spec, std::vector<std::string> extra = {}) {
  std::vector<std::string> args{"--ticks", "0", "--timeout", "6", "--order", spec};
  args.insert(args.end(), extra.begin(), extra.end());
  return runProbe(server.tcp, "demo", "demo", args);
}

TEST(ProbeOrders, MarketBuyIsPendingThenFilledThenOpensAPosition) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  ProbeRun run = order(server, "buy:EURUSD:1");
  const std::string all = joined(run);
  ASSERT_EQ(run.exitCode, 0) << all;
  EXPECT_EQ(run.last(), "RESULT ok") << all;

  std::smatch m;
  const int pending = lineOf(run, R"(ORDER 62/28 pending=(\d+) position=-)", &m);
  ASSERT_GE(pending, 0) << all;
  const std::string pendingId = m[1];
  const int filled = lineOf(run, "ORDER 62/23 pending=" + pendingId + " position=-");
  const int opened = lineOf(run, "ORDER 67/74 pending=" + pendingId + R"( position=(\d+))", &m);
  ASSERT_GE(opened, 0) << all;
  const std::string positionId = m[1];
  EXPECT_LT(pending, filled) << all;
  EXPECT_LT(filled, opened) << all;

  // The trading state's lines for the same reports: the position, and the journal lines.
  const int position = lineOf(run, "POSITION " + positionId + R"( EURUSD buy 1 1\.\d{5})");
  EXPECT_GT(position, opened) << all;
  EXPECT_GE(lineOf(run, "JOURNAL Order pending for EURUSD Pending id : " + pendingId + " Remaining Quantity : 1"), 0)
      << all;
  EXPECT_GT(lineOf(run, "JOURNAL Order confirmed for EURUSD #" + positionId + R"( @1\.\d{5})"), position) << all;
  // The seeded history arrives as data sets, not as reports: only the new position is printed.
  EXPECT_EQ(run.countPrefix("POSITION "), 1u) << all;
}

TEST(ProbeOrders, SellOnAChosenAccountOpensASellPosition) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  ProbeRun run = order(server, "sell:EURUSD:2", {"--account", "1002"});
  const std::string all = joined(run);
  ASSERT_EQ(run.exitCode, 0) << all;
  std::smatch m;
  ASSERT_GE(lineOf(run, R"(ORDER 67/74 pending=\d+ position=(\d+))", &m), 0) << all;
  EXPECT_GE(lineOf(run, "POSITION " + std::string(m[1]) + R"( EURUSD sell 2 1\.\d{5})"), 0) << all;
}

TEST(ProbeOrders, RejectionByTheServerIsTheOrdersFinalReport) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  // The scenario rejects 77 lots for want of free margin.
  ProbeRun run = order(server, "buy:EURUSD:77");
  const std::string all = joined(run);
  EXPECT_EQ(run.exitCode, 0) << all;
  const int rejected = lineOf(run, "ORDER 62/25 pending=- position=-");
  ASSERT_GE(rejected, 0) << all;
  EXPECT_GT(lineOf(run, "JOURNAL Order rejected for EURUSD"), rejected) << all;
  EXPECT_GE(lineOf(run, "ALERT Order Status : Rejected Reason : Not Enough Free Margin Unable To Trade"), 0) << all;
  EXPECT_EQ(run.countPrefix("ORDER "), 1u) << all;
  EXPECT_EQ(run.countPrefix("POSITION "), 0u) << all;
  EXPECT_EQ(run.last(), "RESULT ok") << all;
}

TEST(ProbeOrders, EachRejectingQuantityEndsWithTheRejectionAndItsReason) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  for (const char* quantity : {"71", "74", "80", "85"}) {
    ProbeRun run = order(server, std::string("buy:EURUSD:") + quantity);
    const std::string all = joined(run);
    EXPECT_EQ(run.exitCode, 0) << quantity << "\n" << all;
    EXPECT_EQ(run.countPrefix("ORDER "), 1u) << quantity << "\n" << all;
    EXPECT_TRUE(run.has("ORDER 62/25 pending=- position=-")) << quantity << "\n" << all;
    EXPECT_EQ(run.countPrefix("ALERT Order Status : Rejected Reason : "), 1u) << quantity << "\n" << all;
    EXPECT_EQ(run.countPrefix("POSITION "), 0u) << quantity << "\n" << all;
    EXPECT_EQ(run.last(), "RESULT ok") << quantity << "\n" << all;
  }
}

TEST(ProbeOrders, RefusalByTheDesksChecksSendsNothingAndFails) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  struct Case {
    std::string spec;
    std::string refused;
  };
  for (const Case& c : {Case{"buy:NOSUCH:1", "REFUSED Symbol cannot be empty"},
                        Case{"sell:EURUSD:0.5", "REFUSED Quantity is less than minimum order quantity (1.00)"}}) {
    ProbeRun run = order(server, c.spec);
    const std::string all = joined(run);
    EXPECT_EQ(run.exitCode, 1) << c.spec << "\n" << all;
    EXPECT_TRUE(run.has(c.refused)) << c.spec << "\n" << all;
    EXPECT_EQ(run.countPrefix("ORDER "), 0u) << c.spec << "\n" << all;
    EXPECT_EQ(run.last(), "RESULT fail: refused") << c.spec << "\n" << all;
  }
}

TEST(ProbeOrders, MarketOrdersWithTheProposedBracketsOpenPositionsWhoseBracketsStand) {
  // A quote that stays as the login gave it: the brackets are proposed at the very quote the server
  // checks them by.
  ServerProcess server({"--tick-ms", "60000"});
  ASSERT_TRUE(server.listening());
  // The lists as the login of a run finds them, before its order: open positions, working orders.
  auto counts = [](const ProbeRun& run) {
    std::smatch open, pending;
    if (lineOf(run, R"(COLLECTION open (\d+))", &open) < 0 || lineOf(run, R"(COLLECTION pending (\d+))", &pending) < 0)
      return std::pair{-1, -1};
    return std::pair{std::stoi(open[1]), std::stoi(pending[1])};
  };
  std::pair<int, int> expected{-1, -1};
  for (const char* spec : {"buy:EURUSD:1", "sell:XAUUSD:1"}) {
    ProbeRun run = order(server, spec, {"--brackets", "proposed"});
    const std::string all = joined(run);
    EXPECT_EQ(run.exitCode, 0) << spec << "\n" << all;
    EXPECT_GE(lineOf(run, R"(ORDER 67/74 pending=\d+ position=\d+)"), 0) << spec << "\n" << all;
    if (expected.first >= 0) {
      EXPECT_EQ(counts(run), expected) << spec << "\n" << all;
    }
    expected = counts(run);
    ASSERT_GE(expected.first, 0) << all;
    // The position, with its take-profit and stop-loss among the working orders.
    expected.first += 1;
    expected.second += 2;
  }
  const ProbeRun last = order(server, "buy:EURUSD:1");
  EXPECT_EQ(counts(last), expected) << joined(last);
}

TEST(ProbeOrders, ALimitOrderIsPlacedOnceItWorks) {
  ServerProcess server({});
  ASSERT_TRUE(server.listening());
  ProbeRun run =
      runProbe(server.tcp, "demo", "demo", {"--ticks", "0", "--timeout", "6", "--order", "buy:EURUSD:1:limit:1.0"});
  const std::string all = joined(run);
  EXPECT_EQ(run.exitCode, 0) << all;
  EXPECT_GE(lineOf(run, R"(ORDER 62/28 pending=\d+ position=-)"), 0) << all;
  EXPECT_EQ(run.countPrefix("ORDER "), 1u) << all;
  EXPECT_EQ(run.last(), "RESULT ok") << all;
}

}  // namespace
}  // namespace td::testing
