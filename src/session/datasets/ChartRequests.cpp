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
                                     std::string_view itemCode, std::string_view interval, std::int32_t noOfData) {
  if (!DataSetRequests::requestChartData(messageBase, session, itemCode, interval, noOfData)) return false;
  if (sent_.size() >= kMaxOutstanding) {
    TD_LOG_WARN("chart request " + std::to_string(sent_.front().requestId) + " forgotten without a reply");
    sent_.erase(sent_.begin());
  }
  sent_.push_back({session.Requestid, chartKey(itemCode, interval), true});
  return true;
}

std::vector<std::int32_t> ChartRequests::ChartDataReceived(std::string_view reply,
                                                           std::optional<std::int32_t> requestId) {
  const auto key = chartKeyOfReply(reply);
  const auto firstWhere = [this](auto&& matches) { return std::find_if(sent_.begin(), sent_.end(), matches); };
  auto own = sent_.end();
  if (requestId) own = firstWhere([&](const Sent& s) { return s.requestId == *requestId; });
  if (own == sent_.end() && key) own = firstWhere([&](const Sent& s) { return s.key == *key; });
  if (own == sent_.end()) own = sent_.begin();

  if (key) {
    cache_.try_emplace(*key, reply);
    if (own != sent_.end() && own->key != *key) cache_.try_emplace(own->key, reply);
  } else {
    TD_LOG_WARN("ChartDataReceivedNotification: a chart reply without a chart key is filed nowhere");
  }

  // Its own request and those sent before it are done; the others of its key wait no more.
  std::vector<std::int32_t> ended;
  const auto done = own == sent_.end() ? sent_.begin() : std::next(own);
  for (auto it = sent_.begin(); it != sent_.end(); ++it) {
    if (it < done || (key && it->key == *key)) {
      if (it->waiting) ended.push_back(it->requestId);
      it->waiting = false;
    }
  }
  sent_.erase(sent_.begin(), done);
  return ended;
}

std::size_t ChartRequests::unansweredRequests() const {
  return static_cast<std::size_t>(std::count_if(sent_.begin(), sent_.end(), [](const Sent& s) { return s.waiting; }));
}

const std::string* ChartRequests::chartData(std::string_view key) const {
  const auto it = cache_.find(key);
  return it == cache_.end() ? nullptr : &it->second;
}

}  // namespace td
