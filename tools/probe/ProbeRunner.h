#pragma once
// Runs one probe over the client's own session object (BusinessBase) on a real-time main queue: the
// session connects the TCP session and the ZeroMQ channels itself, runs the login sequence, the
// keep-alive and the data sets, and the probe prints what it observes as event lines (each flushed
// at once) until the result is known or the time-out passes. The probe is the session's observer
// and, through the shell reactions, its headless shell: every alert becomes an `ALERT` line.
//
// Lines: CONNECTED, LOGIN, SESSION open, TICK (the first N price updates, with the item's spreads
// applied), DEPTH, PING, DATASET, COLLECTION (once the four initial data sets are loaded), ACCOUNT,
// ALERT, DISCONNECTED <closed|timeout|refused:<code>|elsewhere|relogin|connect-failed>, and RESULT last.
// The trading state adds, for whatever reports arrive: POSITION <id> <code> <buy|sell> <qty> <price>,
// SETTLED <id> pl=<profit and loss> and JOURNAL <text>.
//
// With --order the probe places one order through the order desk once the session is open, the
// initial collections are loaded and the instrument (when known) has a quote, and prints
// `ORDER <type>/<status> pending=<id> position=<id>` for each report about it, as the session
// receives it. The run ends with RESULT ok when the order's final report came (a position opened, a
// limit or stop order working, or the server cancelled, rejected or expired it: the server's answer
// is the probe's result, not a failure of the probe);
// the alerts of the trading state and the desk (a rejection's reason, a working order's
// confirmation) come as ALERT lines; a refusal by the desk's checks prints `REFUSED <text>` and ends `RESULT fail: refused`.
//
// The chat adds, for whatever the server sends: CONTACTS groups=<n> users=<n> when the contact list
// comes, NOTICE <subject> for each notice, and CHAT <room> <sender>: <text> for each chat line. With
// --chat the probe sends its text to the first online contact (by user name) once the contact list
// has come, and the run ends with RESULT ok once a line from another sender arrives in that room,
// whatever --ticks says; a text the chat refuses ends `RESULT fail: chat refused: <reason>`.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "OrderWatch.h"
#include "ProbeOptions.h"
#include "platform/LoginInputdata.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/RealtimeMainQueue.h"
#include "session/SessionObserver.h"
#include "session/SessionShell.h"
#include "chat/ChatEvents.h"
#include "session/trading/TradingObserver.h"

namespace td {
class BusinessBase;
class Defaults;
class AppContext;
class NotificationCenter;
class UserAlerts;
class OrderMananger;
class ReceivedMessage;
class ShellReactions;
}  // namespace td

namespace td::probe {

class ProbeRunner final : public SessionObserver, public SessionShell, public TradingObserver, public ChatObserver {
 public:
  ProbeRunner(const ProbeOptions& options, std::FILE* out);
  ~ProbeRunner() override;
  ProbeRunner(const ProbeRunner&) = delete;
  ProbeRunner& operator=(const ProbeRunner&) = delete;

  // 0 when the result is ok, 1 otherwise.
  int run();

  // The DISCONNECTED reason and the RESULT text for a session end as the session words it, given
  // whether the TCP session ever stood and whether the session was open.
  struct Ending {
    std::string disconnect;
    std::string result;
  };
  static Ending ending(const std::string& sessionReason, bool connected, bool sessionOpen, const std::string& address);

  // SessionObserver
  void sessionConnected() override;
  void sessionLoginDataLoaded(std::size_t items, std::size_t accounts, std::size_t groups) override;
  void sessionOpened(const std::vector<std::string>& subscribedItems) override;
  void sessionTick(const ItemDetails& item) override;
  void sessionDepth(const std::string& code, const std::vector<std::string>& buy,
                    const std::vector<std::string>& sell) override;
  void sessionPing(std::int32_t networkspeedStatus, double seconds, const std::string& serverTime) override;
  void sessionAccountSummary(const AccountDetails& account) override;
  void sessionDataSet(const std::string& context, std::size_t rows) override;
  void sessionCollections(std::size_t open, std::size_t pending, std::size_t settled, std::size_t cancelled) override;
  void sessionEnded(const std::string& reason) override;

  // SessionShell (headless)
  void playSound(const std::string&) override {}
  void showAlert(const SessionAlert& alert) override;
  void showBanner(const SessionBanner&) override {}
  void SetEnableUIObjects() override {}
  void shakeWindow() override {}

  // TradingObserver
  void tradingPosition(const Order& position) override;
  void tradingSettled(const Order& settled) override;
  void tradingJournal(const std::string& line) override;
  void tradingReport(const ReceivedMessage& report) override;

  // ChatObserver
  void chatLine(const ChatRoom& room, const ChatMessageEntry& line) override;
  void chatNotice(const ChatRoom& notice) override;
  void chatContacts(std::size_t groups, std::size_t users) override;

 private:
  void print(const std::string& line);
  // Prints the result (with a DISCONNECTED line first when one is due and not yet printed) and
  // stops the main queue.
  void finish(bool ok, const std::string& reason, const std::string& disconnectReason);
  std::string address() const;
  // Places the order of --order once the session is ready for it (see above); at most once.
  void considerOrder();
  void placeOrderWhenReady();
  void orderNotice(const std::string& text);
  // Ends the run after the tasks already queued (the alerts of the last report) have run.
  void finishSoon(bool ok, const std::string& reason);
  // Sends the text of --chat to the first online contact; at most once.
  void sendChat();

  const ProbeOptions& options_;
  std::FILE* out_;
  RealtimeMainQueue queue_;
  LoginInputdata logindata_;
  std::shared_ptr<NotificationCenter> notifications_;
  std::filesystem::path defaultsFile_;
  std::shared_ptr<Defaults> defaults_;
  std::shared_ptr<ShellReactions> reactions_;
  std::shared_ptr<BusinessBase> session_;
  TimerHandle deadline_;
  std::shared_ptr<OrderMananger> desk_;
  std::shared_ptr<UserAlerts> alerts_;
  std::shared_ptr<AppContext> context_;
  std::shared_ptr<AppContext> previousContext_;
  ObserverToken orderNoticeToken_ = 0;
  std::optional<OrderTrack> track_;

  bool connected_ = false;
  bool sessionOpen_ = false;
  bool disconnectPrinted_ = false;
  bool done_ = false;
  bool ok_ = false;
  int ticks_ = 0;
  bool collectionsLoaded_ = false;
  bool orderPlaced_ = false;
  bool placementQueued_ = false;
  bool chatSent_ = false;
  std::string chatRoomKey_;  // the conversation the text of --chat went into
};

}  // namespace td::probe
