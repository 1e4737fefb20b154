#include "session/datasets/ChartRequests.h"

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
  pending_.emplace_back(session.Requestid, chartKey(itemCode, interval));
  return true;
}

std::vector<std::int32_t> ChartRequests::ChartDataReceived(std::string_view reply) {
  std::vector<std::int32_t> answered;
  const auto key = chartKeyOfReply(reply);
  if (!key) {
    TD_LOG_WARN("ChartDataReceivedNotification: a chart reply without a chart key was dropped");
    return answered;
  }
  cache_.try_emplace(*key, reply);
  std::erase_if(pending_, [&](const auto& p) {
    if (p.second != *key) return false;
    answered.push_back(p.first);
    return true;
  });
  return answered;
}

const std::string* ChartRequests::chartData(std::string_view key) const {
  const auto it = cache_.find(key);
  return it == cache_.end() ? nullptr : &it->second;
}

}  // namespace td
