#pragma once
// The trading state of one session object, for its dispatcher and its windows: execution reports,
// settlements, account summaries, password and demo replies, the watchlist save, the read-side
// getters and the floating figures, all over the session object's own collections and records.
//
// A TradingDesk is a light view made for the call at hand, so each handler of BusinessBase is one
// line, with trading() standing for TradingDesk(*this, links) (the links name the session's
// notification centre, main queue, alerts, banner centre and user defaults):
//   handleExecutionReport        (62)          trading().ProcessOrderReport(m)
//   handlePositionExecuted       (67, 74)      trading().FillOpenOrderCollection(m)
//   handlePositionStatusUpdate   (67, 73)      trading().UpdateOpenOrderCollection(m)
//   handleSettlementReport       (66)          trading().FillSettledOrderCollection(m)
//   handleAccountSummary         (1045)        trading().UpdateAccountDetails(m)
//   handlePasswordChangeReply    (38)          trading().UpdateUserInfo(m)
//   handleDemoUserCreationReply  (1027)        trading().DemoUserCreationResponse(m)
//   handleCloseHedgedPositions   (1052)        trading().notifications().CloseHedgedPositionsNotification()
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppContext.h"
#include "platform/Defaults.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "session/ReceivedMessage.h"
#include "session/trading/ExecutionReports.h"
#include "session/trading/ReadSide.h"
#include "session/trading/SessionNotifications.h"
#include "session/trading/TradingObserver.h"
#include "session/trading/Watchlist.h"

namespace td {

class BusinessBase;

class TradingDesk {
 public:
  struct Links {
    NotificationCenter* center = nullptr;
    MainQueue* mainQueue = nullptr;
    std::shared_ptr<UserAlerts> alerts;                       // none: the application context's
    std::function<void(const SessionBanner&)> showBanner;     // the banner centre
    std::shared_ptr<Defaults> defaults;                       // none: the application context's
    std::function<bool()> showConfirmationAlert;              // `showConfirmationAlert` of the GUI objects
    TradingObserver* observer = nullptr;
    std::string appName = "TarnwickDesk";
  };

  TradingDesk(BusinessBase& session, Links links);
  TradingDesk(const TradingDesk&) = delete;
  TradingDesk& operator=(const TradingDesk&) = delete;

  // ---- the dispatcher's handlers ----
  void ProcessOrderReport(const ReceivedMessage& message);          // 62
  void FillOpenOrderCollection(const ReceivedMessage& message);     // 67, status 74
  void UpdateOpenOrderCollection(const ReceivedMessage& message);   // 67, status 73
  void FillSettledOrderCollection(const ReceivedMessage& message);  // 66
  void UpdateAccountDetails(const ReceivedMessage& message);        // 1045
  void UpdateUserInfo(const ReceivedMessage& message);              // 38
  void DemoUserCreationResponse(const ReceivedMessage& message);    // 1027

  // ---- the windows ----
  Watchlist::SaveResult SaveItemstoWatchList(const std::vector<std::string>& codes);
  ReadSide read() const;
  void CalcPL(Order& order) const;
  void calcAccountDetails(std::int32_t accountId) const;
  void refreshFloatingFigures() const;

  const SessionNotifications& notifications() const { return notifications_; }
  OrderBook book() const;
  ReportContext context() const;

 private:
  ExecutionReports reports();

  BusinessBase& session_;
  Links links_;
  SessionNotifications notifications_;
  SessionTradingEvents events_;
};

}  // namespace td
