// The session hands its trading events to the trading observer of its environment: the lines the
// probe prints for positions, settlements and journal entries, from reports fed to the session.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../session/NullSessionTransport.h"
#include "platform/LoginInputdata.h"
#include "platform/ManualMainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "session/SessionTransport.h"
#include "session/trading/TradingObserver.h"
#include "wire/MessageBase.h"

namespace td::testing {
namespace {

class LineRecorder : public TradingObserver {
 public:
  void tradingPosition(const Order& position) override { lines.push_back(positionLine(position)); }
  void tradingSettled(const Order& settled) override { lines.push_back(settledLine(settled)); }
  void tradingJournal(const std::string& line) override { lines.push_back(journalLine(line)); }
  std::vector<std::string> lines;
};

std::string frame(const std::vector<std::pair<int, std::string>>& fields) {
  std::string body;
  for (const auto& [tag, value] : fields) body += std::to_string(tag) + "=" + value + "\x03";
  return std::to_string(MessageBase::utf16Length(body)) + "\x03" + body;
}

class TradingLines : public ::testing::Test {
 protected:
  TradingLines() {
    queue.bindToCurrentThread();
    BusinessBase::Environment env;
    env.logindata = &logindata;
    env.mainQueue = &queue;
    env.notifications = notifications;
    env.tradingObserver = &recorder;
    BusinessBase::Options options;
    options.transportFactory = [](ConnectionEvents&) { return std::make_unique<NullSessionTransport>(); };
    session = BusinessBase::create(env, options);
  }

  bool has(const std::string& prefix) const {
    for (const auto& l : recorder.lines)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }

  ManualMainQueue queue;
  LoginInputdata logindata;
  std::shared_ptr<NotificationCenter> notifications = std::make_shared<NotificationCenter>(&queue);
  LineRecorder recorder;
  std::shared_ptr<BusinessBase> session;
};

TEST_F(TradingLines, APositionAndItsSettlementReachTheObserver) {
  session->NewMessage(frame({{10, "67"}, {73, "74"}, {34, "1001"}, {79, "7010"}, {80, "5019"}, {11, "0"},
                             {37, "2"}, {38, "2"}, {44, "1.08456"}}));
  ASSERT_TRUE(has("POSITION 5019 ")) << ::testing::PrintToString(recorder.lines);

  recorder.lines.clear();
  session->NewMessage(frame({{10, "66"}, {34, "1001"}, {80, "5019"}, {86, "9001"}, {87, "5019"}, {88, "-12.5"},
                             {89, "2"}}));
  EXPECT_TRUE(has("SETTLED 9001 pl=-12.50"))
      << ::testing::PrintToString(recorder.lines);
}

TEST_F(TradingLines, AWorkingOrdersReportWritesItsJournalLineOnly) {
  session->NewMessage(frame({{10, "62"}, {73, "28"}, {33, "5"}, {34, "1001"}, {79, "7011"}, {11, "0"}, {37, "1"},
                             {38, "1"}, {40, "1"}}));
  EXPECT_TRUE(has("JOURNAL Order pending for ")) << ::testing::PrintToString(recorder.lines);
  EXPECT_FALSE(has("POSITION ")) << ::testing::PrintToString(recorder.lines);
  EXPECT_FALSE(has("SETTLED ")) << ::testing::PrintToString(recorder.lines);
}

}  // namespace
}  // namespace td::testing
