// The probe's following of one order: the reports found inside the session's frames (envelopes
// and compressed payloads opened) and their matching to the order by request, working-order and
// position id.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "../session/NullSessionTransport.h"
#include "OrderWatch.h"
#include "platform/LoginInputdata.h"
#include "session/ReceivedMessage.h"
#include "wire/Envelope.h"
#include "wire/MessageBase.h"
#include "wire/Separators.h"

namespace td::testing {
namespace {

using probe::OrderTrack;
using probe::ReportTap;

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

TEST(ProbeOrderTrack, CancelledAndExpiredWorkingOrdersAreFinalAPositionUpdateIsNot) {
  OrderTrack track(7);
  ASSERT_TRUE(track.take(report({{10, "62"}, {33, "7"}, {73, "28"}, {79, "9"}})->message));
  auto update = track.take(report({{10, "67"}, {73, "73"}, {79, "9"}, {80, "12"}})->message);
  ASSERT_TRUE(update);
  EXPECT_FALSE(update->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "24"}, {79, "9"}})->message)->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "26"}, {79, "9"}})->message)->final);
  EXPECT_TRUE(track.take(report({{10, "62"}, {73, "826"}, {79, "9"}})->message)->final);
  EXPECT_FALSE(track.take(report({{10, "62"}, {73, "75"}, {79, "9"}})->message)->final);
}

class RecordingEvents : public ConnectionEvents {
 public:
  void connectionDidConnect(bool) override { events.push_back("connect"); }
  void connectionDidReceiveFrame(std::string frame, FrameChannel) override { events.push_back("frame:" + frame); }
  void connectionDidReceiveSubscriptionUpdate(std::string update) override { events.push_back("update:" + update); }
  void connectionDidFail(const std::optional<GCDAsyncSocketError>&) override { events.push_back("fail"); }
  std::vector<std::string> events;
};

// A transport that only records the events it was given.
class NullTransport : public NullSessionTransport {
 public:
  explicit NullTransport(ConnectionEvents& events) : events(events) {}
  ConnectionEvents& events;
};

class ProbeReportTap : public ::testing::Test {
 protected:
  ProbeReportTap() {
    logindata.setSecurityKey("pass phrase of the session");
    auto factory = tap.wrap([this](ConnectionEvents& events) {
      auto transport = std::make_unique<NullTransport>(events);
      made = transport.get();
      return transport;
    });
    transport = factory(session);
  }

  // An envelope around a marked frame, under the session's pass phrase; without its markers.
  std::string envelope(const std::string& plainMarked) const {
    std::string body;
    EXPECT_TRUE(Envelope::writeBody(plainMarked, logindata.SecurityKey(), false, body));
    std::string out;
    MessageBase::writeFrame(body, out);
    return bare(out);
  }

  LoginInputdata logindata;
  std::vector<std::string> seen;
  int after = 0;
  RecordingEvents session;
  ReportTap tap{logindata,
                [this](const ReceivedMessage& r) {
                  seen.push_back(std::to_string(r.type()) + "/" + std::string(r.value(73).value_or("")));
                },
                [this] { ++after; }};
  NullTransport* made = nullptr;
  std::unique_ptr<SessionTransport> transport;
};

TEST_F(ProbeReportTap, OpensEnvelopesAndFindsEveryReportThenHandsTheFrameOnUnchanged) {
  ASSERT_NE(made, nullptr);
  const std::string two = marked({{10, "62"}, {33, "5"}, {73, "28"}}) + marked({{10, "67"}, {73, "74"}, {80, "1"}});
  const std::string frame = envelope(two);
  made->events.connectionDidReceiveFrame(frame, FrameChannel::Session);
  EXPECT_EQ(seen, (std::vector<std::string>{"62/28", "67/74"}));
  EXPECT_EQ(after, 1);
  ASSERT_EQ(session.events.size(), 1u);
  EXPECT_EQ(session.events[0], "frame:" + frame);

  // A plain report counts too; other messages and envelopes under another pass phrase do not.
  made->events.connectionDidReceiveFrame(bare(marked({{10, "66"}, {80, "1"}})), FrameChannel::Requests);
  made->events.connectionDidReceiveFrame(bare(marked({{10, "1045"}, {34, "1001"}})), FrameChannel::Session);
  const std::string foreign = envelope(marked({{10, "62"}, {73, "25"}}));
  logindata.setSecurityKey("another pass phrase");
  made->events.connectionDidReceiveFrame(foreign, FrameChannel::Session);
  EXPECT_EQ(seen, (std::vector<std::string>{"62/28", "67/74", "66/"}));
  EXPECT_EQ(after, 2);
  EXPECT_EQ(session.events.size(), 4u);
}

TEST_F(ProbeReportTap, OtherEventsReachTheSession) {
  made->events.connectionDidConnect(false);
  made->events.connectionDidReceiveSubscriptionUpdate("EURUSD|1.1|1.2");
  made->events.connectionDidFail(std::nullopt);
  EXPECT_EQ(session.events, (std::vector<std::string>{"connect", "update:EURUSD|1.1|1.2", "fail"}));
  EXPECT_TRUE(seen.empty());
}

TEST_F(ProbeReportTap, NestingPastTheLimitIsNotFollowed) {
  std::string frame = marked({{10, "62"}, {73, "23"}});
  for (int i = 0; i < 12; ++i) {
    std::string body;
    ASSERT_TRUE(Envelope::writeBody(frame, logindata.SecurityKey(), false, body));
    frame.clear();
    MessageBase::writeFrame(body, frame);
  }
  EXPECT_EQ(tap.inspect(bare(frame)), 0u);
  EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace td::testing
