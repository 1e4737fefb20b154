#include "ui/charts/ChartSession.h"

#include <cstdint>

#include "platform/AppContext.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"

namespace td::charts {

CurrentChartSession& CurrentChartSession::shared() {
  static CurrentChartSession session;
  return session;
}

std::shared_ptr<const ItemDetails> CurrentChartSession::item(std::string_view code) {
  const auto session = AppContext::current()->businessbase();
  return session ? session->referenceData().item(code) : nullptr;
}

std::optional<CachedReply> CurrentChartSession::cachedReply(std::string_view chartKey) {
  const auto session = AppContext::current()->businessbase();
  if (!session) return std::nullopt;
  const auto it = session->chartDataCollection.find(chartKey);
  if (it == session->chartDataCollection.end()) return std::nullopt;
  return CachedReply{it->second, session->datasets().charts().ageOf(chartKey)};
}

std::optional<std::int32_t> CurrentChartSession::nextRequestId() {
  const auto session = AppContext::current()->businessbase();
  if (!session) return std::nullopt;
  const std::int32_t held = session->Requestid();
  session->setRequestid(held == INT32_MAX ? 1 : held + 1);
  return session->Requestid();
}

bool CurrentChartSession::requestChartData(std::string_view code, std::string_view interval, std::int32_t bars) {
  const auto session = AppContext::current()->businessbase();
  return session && session->requestChartData(code, interval, bars);
}

std::optional<std::int32_t> CurrentChartSession::requestInFlight(std::string_view chartKey) {
  const auto session = AppContext::current()->businessbase();
  return session ? session->datasets().charts().requestInFlight(chartKey) : std::nullopt;
}

std::vector<std::string> CurrentChartSession::selectedSymbols() {
  const auto session = AppContext::current()->businessbase();
  return session ? session->selectedSymbols() : std::vector<std::string>{};
}

NotificationCenter& CurrentChartSession::notifications() { return *AppContext::current()->notificationCenter(); }

MainQueue* CurrentChartSession::mainQueue() { return MainQueue::instance(); }

}  // namespace td::charts
