#include "session/datasets/ChartRequests.h"

#include <algorithm>
#include <iterator>

#include "platform/Log.h"
#include "wire/DataSetRequests.h"

namespace td {

std::string ChartRequests::chartKey(std::string_view itemCode, std::string_view interval) {
  std::string key;
  key.reserve(itemCode.size() + 1 + interval.size());
  key.append(itemCode).append("^").append(interval);
  return key;
}

std::optional<std::string> ChartRequests::chartKeyOfReply(std::string_view reply) {
  const std::size_t g = reply.find('>');
  if (g == std::string_view::npos || g < 1) return std::nullopt;
  const std::string_view header = reply.substr(1, g - 1);
  const std::size_t first = header.find('~');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = header.find('~', first + 1);
  const std::string_view field =
      header.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
  return std::string(field);
}

std::string ChartRequests::notificationName(std::int32_t requestId) {
  return "MainviewChartDataReceivedNotification" + std::to_string(requestId);
}

bool ChartRequests::requestChartData(MessageBase& messageBase, const SessionValues& session,
                                     std::string_view itemCode, std::string_view interval, std::int32_t noOfData,
                                     std::optional<std::uint64_t> number) {
  if (!DataSetRequests::requestChartData(messageBase, session, itemCode, interval, noOfData)) return false;
  if (sent_.size() >= kMaxOutstanding) {
    TD_LOG_WARN("chart request " + std::to_string(sent_.front().requestId) + " forgotten without a reply");
    sent_.erase(sent_.begin());
  }
  sent_.push_back({session.Requestid, chartKey(itemCode, interval), true, number});
  return true;
}

std::vector<std::string> ChartRequests::requestsFinished(std::uint64_t finished) {
  // A request still remembered has had no reply: those numbered from the last report on got none.
  // They stay remembered until a later reply, which tells their ids too.
  std::vector<std::string> unanswered;
  for (const Sent& s : sent_)
    if (s.waiting && s.number && *s.number >= finished_ && *s.number < finished &&
        std::find(unanswered.begin(), unanswered.end(), s.key) == unanswered.end())
      unanswered.push_back(s.key);
  finished_ = std::max(finished_, finished);
  return unanswered;
}

std::optional<std::int32_t> ChartRequests::requestInFlight(std::string_view key) const {
  // A request still remembered has had no reply; it is in flight until the channel reports its outcome.
  const auto it = std::find_if(sent_.rbegin(), sent_.rend(),
                               [&](const Sent& s) { return s.key == key && !(s.number && *s.number < finished_); });
  if (it == sent_.rend()) return std::nullopt;
  return it->requestId;
}

std::vector<std::int32_t> ChartRequests::ChartDataReceived(std::string_view reply,
                                                           std::optional<std::int32_t> requestId) {
  const auto key = chartKeyOfReply(reply);
  if (!key) {
    TD_LOG_WARN("ChartDataReceivedNotification: a chart reply without a chart key is filed nowhere");
    return {};
  }
  cache_.insert_or_assign(*key, std::string(reply));
  filedAt_.insert_or_assign(*key, clock_.now());

  // Its own request: the oldest of its key (with its id, when it carries one). Ids repeat, and
  // requests may have been forgotten, so no other request is taken for its own.
  const auto own = std::find_if(sent_.begin(), sent_.end(), [&](const Sent& s) {
    return s.key == *key && (!requestId || s.requestId == *requestId);
  });
  // Its own request and those sent before it are done; the others of its key wait no more.
  const auto done = own == sent_.end() ? sent_.begin() : std::next(own);
  std::vector<std::int32_t> ended;
  const auto tell = [&ended](std::int32_t id) {
    if (std::find(ended.begin(), ended.end(), id) == ended.end()) ended.push_back(id);
  };
  for (auto it = sent_.begin(); it != sent_.end(); ++it) {
    if (it < done || it->key == *key) {
      if (it->waiting) tell(it->requestId);
      it->waiting = false;
    }
  }
  sent_.erase(sent_.begin(), done);
  // The id it carries is told even when no remembered request holds it: the view of a request
  // forgotten beyond the cap still listens under it.
  if (requestId) tell(*requestId);
  return ended;
}

std::size_t ChartRequests::unansweredRequests() const {
  return static_cast<std::size_t>(std::count_if(sent_.begin(), sent_.end(), [](const Sent& s) { return s.waiting; }));
}

const std::string* ChartRequests::chartData(std::string_view key) const {
  const auto it = cache_.find(key);
  return it == cache_.end() ? nullptr : &it->second;
}

std::optional<Clock::Duration> ChartRequests::ageOf(std::string_view key) const {
  const auto it = filedAt_.find(key);
  if (it == filedAt_.end() || !cache_.contains(key)) return std::nullopt;
  return clock_.now() - it->second;
}

}  // namespace td
