// The trading-state message families of the dispatcher: execution reports, settlements, position
// reports, account summaries, password and demo-user replies, hedge closes. Each is one call into the
// trading state, over this session's own collections.

#include "session/BusinessBase.h"
#include "session/SessionLinks.h"
#include "session/ShellReactions.h"
#include "session/trading/TradingDesk.h"

namespace td {

TradingDesk::Links tradingLinks(const BusinessBase::Environment& env) {
  TradingDesk::Links links;
  links.center = env.notifications.get();
  links.mainQueue = env.mainQueue;
  links.defaults = env.defaults;
  links.observer = env.tradingObserver;
  links.showConfirmationAlert = env.showConfirmationAlert;
  if (env.shell) {
    std::weak_ptr<ShellReactions> shell = env.shell;
    links.showBanner = [shell](const SessionBanner& banner) {
      if (auto reactions = shell.lock()) reactions->showBanner(banner);
    };
  }
  return links;
}

void BusinessBase::handleExecutionReport(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).ProcessOrderReport(message);
}
void BusinessBase::handleSettlementReport(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).FillSettledOrderCollection(message);
}
void BusinessBase::handlePositionStatusUpdate(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).UpdateOpenOrderCollection(message);
}
void BusinessBase::handlePositionExecuted(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).FillOpenOrderCollection(message);
}
void BusinessBase::handlePasswordChangeReply(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).UpdateUserInfo(message);
}
void BusinessBase::handleAccountSummary(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).UpdateAccountDetails(message);
}
void BusinessBase::handleDemoUserCreationReply(const ReceivedMessage& message) {
  TradingDesk(*this, tradingLinks(env_)).DemoUserCreationResponse(message);
}
Watchlist::SaveResult BusinessBase::SaveItemstoWatchList(const std::vector<std::string>& codes) {
  return TradingDesk(*this, tradingLinks(env_)).SaveItemstoWatchList(codes);
}
void BusinessBase::handleCloseHedgedPositions(const ReceivedMessage&) {
  TradingDesk(*this, tradingLinks(env_)).notifications().CloseHedgedPositionsNotification();
}

}  // namespace td
