// The probe's following of one order: the matching of the reports the session receives to the
// order by request, working-order and position id, and which report ends the order.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "OrderWatch.h"
#include "session/ReceivedMessage.h"
#include "wire/MessageBase.h"
#include "wire/Separators.h"

namespace td::testing {
namespace {

using probe::OrderTrack;

// A frame with its markers, as the server writes it.
std::string marked(const std::vector<std::pair<int, std::string>>& fields) {
  std::string body;
  for (const auto& [tag, value] : fields) body += std::to_string(tag) + "=" + value + MessageTagSeperator;
  std::string out;
  MessageBase::writeFrame(body, out);
  return out;
}

// The same frame as the transport hands it on: without 0x01 and 0x02.
std::string bare(const std::string& markedFrame) { return markedFrame.substr(1, markedFrame.size() - 2); }

struct Report {
  ReceivedMessage message;
  std::string frame;
};

// A report to feed the tracker (the message views its own copy of the frame).
std::unique_ptr<Report> report(const std::vector<std::pair<int, std::string>>& fields) {
  auto r = std::make_unique<Report>();
  r->frame = bare(marked(fields));
  r->message.parse(r->frame);
  return r;
}

TEST(ProbeOrderTrack, FollowsTheOrderByRequestThenWorkingOrderThenPositionId) {
  OrderTrack track(41);
  auto pending = track.take(report({{10, "62"}, {33, "41"}, {73, "28"}, {79, "7010"}})->message);
  ASSERT_TRUE(pending);
  EXPECT_EQ(pending->line, "ORDER 62/28 pending=7010 position=-");
  EXPECT_FALSE(pending->final);

  // The fill names the working order only; the position report adds the position id.
  auto filled = track.take(report({{10, "62"}, {73, "23"}, {79, "7010"}})->message);
  ASSERT_TRUE(filled);
  EXPECT_EQ(filled->line, "ORDER 62/23 pending=7010 position=-");
  EXPECT_FALSE(filled->final);
  auto opened = track.take(report({{10, "67"}, {73, "74"}, {79, "7010"}, {80, "5019"}})->message);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->line, "ORDER 67/74 pending=7010 position=5019");
  EXPECT_TRUE(opened->final);

  // Later reports of the position alone still belong to the order; a settlement has no status.
  auto settled = track.take(report({{10, "66"}, {80, "5019"}})->message);
  ASSERT_TRUE(settled);
  EXPECT_EQ(settled->line, "ORDER 66/- pending=- position=5019");
  EXPECT_EQ(track.pendingId(), "7010");
  EXPECT_EQ(track.positionId(), "5019");
}

TEST(ProbeOrderTrack, ReportsOfOtherOrdersAndEmptyIdsAreNotTheOrders) {
  OrderTrack track(41);
  EXPECT_FALSE(track.take(report({{10, "62"}, {33, "40"}, {73, "28"}, {79, "7001"}})->message));
  EXPECT_FALSE(track.take(report({{10, "67"}, {73, "74"}, {79, "0"}, {80, "5001"}})->message));
  // An order with no request id yet matches nothing by an absent or zero id.
  OrderTrack none(0);
  EXPECT_FALSE(none.take(report({{10, "62"}, {73, "25"}})->message));
  EXPECT_FALSE(none.take(report({{10, "62"}, {33, "0"}, {73, "25"}})->message));

  // The rejection of this request is final; "0" ids are printed as absent and not learnt.
  auto rejected = track.take(report({{10, "62"}, {33, "41"}, {73, "25"}, {79, "0"}})->message);
  ASSERT_TRUE(rejected);
  EXPECT_EQ(rejected->line, "ORDER 62/25 pending=- position=-");
  EXPECT_TRUE(rejected->final);
  EXPECT_EQ(track.pendingId(), "");
  EXPECT_FALSE(track.take(report({{10, "62"}, {73, "24"}, {79, "0"}})->message));
}

TEST(ProbeOrderTrack, WorkingCancelledAndExpiredOrdersAreFinalAPositionUpdateIsNot) {
  OrderTrack track(7);
  ASSERT_TRUE(track.take(report({{10, "62"}, {33, "7"}, {73, "28"}, {79, "9"}})->message));
  auto update = track.take(report({{10, "67"}, {73, "73"}, {79, "9"}, {80, "12"}})->message);
  ASSERT_TRUE(update);
  EXPECT_FALSE(update->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "24"}, {79, "9"}})->message)->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "26"}, {79, "9"}})->message)->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "826"}, {79, "9"}})->message)->final);
  EXPECT_FALSE(track.take(report({{10, "62"}, {73, "75"}, {79, "9"}})->message)->final);
  // A limit or stop order reported working is placed; a market order's working report is not final.
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "28"}, {32, "30"}, {79, "9"}})->message)->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "28"}, {32, "31"}, {79, "9"}})->message)->final);
  EXPECT_FALSE(track.take(report({{10, "62"}, {73, "28"}, {32, "29"}, {79, "9"}})->message)->final);
}

}  // namespace
}  // namespace td::testing
