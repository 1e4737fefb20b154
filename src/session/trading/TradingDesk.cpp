#include "session/trading/TradingDesk.h"

#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "session/trading/AccountSummary.h"
#include "session/trading/ProfitAndLoss.h"
#include "session/trading/Watchlist.h"

namespace td {

namespace {

SessionNotifications::Links notificationLinks(BusinessBase& session, const TradingDesk::Links& links) {
  SessionNotifications::Links out;
  out.center = links.center;
  out.mainQueue = links.mainQueue;
  out.alerts = links.alerts ? links.alerts : AppContext::current()->userAlerts();
  out.showBanner = links.showBanner;
  if (auto self = session.weak_from_this().lock()) out.sender = std::move(self);
  out.appName = links.appName;
  out.showConfirmationAlert = links.showConfirmationAlert;
  out.userName = [&session] { return session.logindata().userName(); };
  out.chatUserName = [weak = session.weak_from_this()] {
    const auto self = weak.lock();
    return self ? self->chatUserName : std::string();
  };
  return out;
}

}  // namespace

TradingDesk::TradingDesk(BusinessBase& session, Links links)
    : session_(session),
      links_(std::move(links)),
      notifications_(notificationLinks(session, links_)),
      events_(notifications_,
              SessionTradingEvents::Links{
                  [&session](const std::vector<std::string>& codes, bool subscribe) {
                    session.conn().ProcessSubscribeandUnSubscribeItems(codes, subscribe);
                  },
                  [&session](std::int32_t accountId) { session.requestEquityPriceinfo(accountId); },
                  [&session](const std::string& password) { session.logindata().setPassword(password); }}) {}

OrderBook TradingDesk::book() const { return session_.orderBook(); }

ReportContext TradingDesk::context() const { return ReportContext{session_.Requestid(), session_.ServerTime()}; }

ExecutionReports TradingDesk::reports() {
  return ExecutionReports(book(), session_.referenceData(), events_, links_.observer);
}

void TradingDesk::ProcessOrderReport(const ReceivedMessage& m) { reports().ProcessOrderReport(m, context()); }

void TradingDesk::FillOpenOrderCollection(const ReceivedMessage& m) { reports().FillOpenOrderCollection(m, context()); }

void TradingDesk::UpdateOpenOrderCollection(const ReceivedMessage& m) { reports().UpdateOpenOrderCollection(m); }

void TradingDesk::FillSettledOrderCollection(const ReceivedMessage& m) {
  reports().FillSettledOrderCollection(m, context());
}

void TradingDesk::UpdateAccountDetails(const ReceivedMessage& m) {
  const auto key = m.value(34);
  if (!key) return;
  AccountSummary::UpdateAccountDetails(m, *key, session_.referenceData(), events_,
                                       [this] { return read().getAllItems(); });
}

void TradingDesk::UpdateUserInfo(const ReceivedMessage& m) { AccountSummary::UpdateUserInfo(m, events_); }

void TradingDesk::DemoUserCreationResponse(const ReceivedMessage& m) { AccountSummary::DemoUserCreationResponse(m, events_); }

Watchlist::SaveResult TradingDesk::SaveItemstoWatchList(const std::vector<std::string>& codes) {
  const std::shared_ptr<Defaults> defaults = links_.defaults ? links_.defaults : AppContext::current()->defaults();
  std::vector<std::string> selected = session_.selectedSymbols();
  auto result = Watchlist::SaveItemstoWatchList(codes, book(), session_.referenceData(), selected, *defaults,
                                                session_.logindata().userName(), events_);
  session_.setSelectedSymbols(std::move(selected));
  return result;
}

ReadSide TradingDesk::read() const { return ReadSide(book(), session_.referenceData(), session_.selectedSymbols()); }

void TradingDesk::CalcPL(Order& order) const { ProfitAndLoss::CalcPL(order, session_.referenceData()); }

void TradingDesk::calcAccountDetails(std::int32_t accountId) const {
  ProfitAndLoss::calcAccountDetails(accountId, session_.referenceData(), session_.OpenOrderCollection);
}

void TradingDesk::refreshFloatingFigures() const {
  ProfitAndLoss::refreshFloatingFigures(session_.referenceData(), session_.OpenOrderCollection);
}

}  // namespace td
