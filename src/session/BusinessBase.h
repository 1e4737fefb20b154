#pragma once
// The session of one login: opens the TCP session, takes every frame and feed line of the session's
// channels, opens envelopes (76) and compressed payloads (105), dispatches every message type, loads
// the login data set, derives the session key, decodes prices, market depth and instrument status,
// subscribes the items and runs the keep-alive ping with its network-speed rating.
//
// The data-set channel's requests and replies (the initial collections, searches, bank account,
// statement, chart history, password change) go through the session's DataSetService; its handlers
// and request methods here are one-line calls.
//
// Threads: everything here runs on the main thread, except the reading of a statement document
// (on the session's statement worker). The transport cuts frames on its own threads (one
// reassembler per channel) and hands frames and feed lines over in arrival order, each frame with
// its channel; each is dispatched at once, so no message queue is shared between the channels.
// Re-entered text (the content of envelopes and compressed payloads, and the frames of "IS;" feed
// lines) is cut by one reassembler of the session per channel: the TCP session, the request
// channel and the feed.
//
// One object per login attempt. Replacing it (a new Login click) destroys the old one: its ping timer
// stops and its transport is closed with its threads joined.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chat/ChatDesk.h"
#include "model/BankDetails.h"
#include "model/Order.h"
#include "model/ReferenceData.h"
#include "platform/Clock.h"
#include "platform/DispatchQueue.h"
#include "platform/MainQueue.h"
#include "session/ReceivedMessage.h"
#include "session/SessionTransport.h"
#include "session/datasets/DataSetService.h"
#include "session/trading/OrderBook.h"
#include "session/trading/Watchlist.h"
#include "transport/FrameReassembler.h"
#include "wire/MessageBase.h"
#include "wire/SessionRequests.h"

namespace td {

class Defaults;
class LoginInputdata;
class NotificationCenter;
class SessionObserver;
class ShellReactions;
class TradingObserver;
struct LoginInfoMessage;

class BusinessBase final : public ConnectionEvents,
                           public MessageSink,
                           public std::enable_shared_from_this<BusinessBase> {
 public:
  using Date = std::chrono::system_clock::time_point;

  // What the session works with; everything must outlive it (the shared objects are kept alive).
  struct Environment {
    LoginInputdata* logindata = nullptr;
    MainQueue* mainQueue = nullptr;
    std::shared_ptr<NotificationCenter> notifications;
    std::shared_ptr<Defaults> defaults;  // the watchlist, under the user name
    std::shared_ptr<ShellReactions> shell;  // none: the shell's reactions are only logged
    SessionObserver* observer = nullptr;
    TradingObserver* tradingObserver = nullptr;  // hears of positions, settlements and journal lines
    ChatObserver* chatObserver = nullptr;        // hears of chat lines, notices and contact lists
    // The user's choice (`showConfirmationAlert` of the GUI objects), read at each execution
    // confirmation: true shows it as a modal alert, false as a banner; empty: a banner.
    std::function<bool()> showConfirmationAlert;
  };

  struct Options {
    ConnectionBase::Options connection;
    Clock::Duration pingInterval = std::chrono::seconds(1);
    // Wall-clock time (ping time, server date, request time stamps); empty: the system clock.
    std::function<Date()> wallClock;
    // Empty: the real transport (ConnectionBase) over the login data's host and port.
    SessionTransportFactory transportFactory;
    // Envelopes and compressed payloads may hold further envelopes; deeper nesting is dropped.
    int maxReentryDepth = 8;
  };

  static std::shared_ptr<BusinessBase> create(Environment environment, Options options);
  static std::shared_ptr<BusinessBase> create(Environment environment) { return create(std::move(environment), {}); }
  ~BusinessBase() override;
  BusinessBase(const BusinessBase&) = delete;
  BusinessBase& operator=(const BusinessBase&) = delete;

  // ---- opening, sending, closing ----
  // `StreamingConnection:Demoregistration:`: connects the TCP session (the first flag is not used).
  void StreamingConnection(bool streaming, bool demoRegistration);
  // `SendMessage:toZMQ:` for the request writer.
  bool SendMessage(std::string_view frame, bool toZMQ) override;
  void PingHandedToEnvelope() override;
  // The user's Cancel, and types 44 and 47: a planned disconnect; the ping stops.
  void disconnectServer();
  // The network came back after a login: reopens both ZeroMQ channels and subscribes every item
  // again, when the TCP session still stands, and then tells the charts (ChartRequests::kRequestChannelBack).
  void reconnectZMQandSubscribeAllItems();

  // ---- intake (main thread) ----
  // One frame of the TCP session or of the request channel (without 0x01 and 0x02).
  void NewMessage(std::string_view frame, FrameChannel channel = FrameChannel::Session);
  // One line of the subscription feed.
  void ZMQNewMessage(std::string_view line);
  // Re-entered text of the channel whose frame is being dispatched: cut into frames by that
  // channel's re-entry reassembler, each dispatched.
  void ProcessMessage(std::string_view text);

  // ---- ConnectionEvents (main thread) ----
  void connectionDidConnect(bool demoRegistration) override;
  void connectionDidReceiveFrame(std::string frame, FrameChannel channel) override;
  void connectionDidReceiveSubscriptionUpdate(std::string update) override;
  void connectionDidFail(const std::optional<GCDAsyncSocketError>& error) override;
  void connectionDidFinishRequest(bool answered) override;

  // ---- dispatcher ----
  void ProcessNewMessage(ReceivedMessage& message);

  // ---- price feed ----
  // Each price applied to an item posts "PriceUpdateNotification" (object: the item code as
  // std::string) synchronously on the main thread, for the windows that show live prices.
  // Decodes and applies a price line; false when it was dropped (one log line).
  bool PriceUpdateDecode(std::string_view line);
  void MarketDepthDecode(std::string_view text);
  void UpdateItemCollection(PriceUpdate& tick);
  void messageCrackerOnInstrumentStatusChange(const ReceivedMessage& message);

  // ---- keep-alive ----
  void startPingTimer();
  void stopPingTimer();
  bool isPingTimerRunning() const { return pingTimer_.active(); }
  void pingToserver();
  // Rates the time from `date` to now and publishes the server time.
  void calculateNetworkSpeed(std::optional<Date> date);
  // 0 below 1 s, 1 below 2 s, 2 up to 3 s, 3 beyond, when negative or not a number.
  static std::int32_t rateNetworkSpeed(double seconds);

  // ---- session key and payloads ----
  std::string GenerateNewEncryptionKey() const;

  // ---- watchlist, spreads, read-side ----
  void LoadItemstoWatchlist();
  // `SaveItemstoWatchList:`: stores the list for the user, moves the price subscriptions to it and
  // makes it the watchlist (selectedSymbols).
  Watchlist::SaveResult SaveItemstoWatchList(const std::vector<std::string>& codes);
  std::vector<std::string> UpdateItemonWatchList(const std::vector<std::string>& codes) const;
  void UpdateItemonAddRemoveList(const std::vector<std::string>& codes);
  void SetAllSymbolsSpread();
  // Instrument type name with its "code:name" entries, in the collection's order.
  std::vector<std::pair<std::string, std::vector<std::string>>> getSymbolTypes() const;
  // Codes of the watchlist, then of the visible open positions and working orders, each once.
  std::vector<std::string> getAllItems() const;
  // The open positions and working orders of the visible accounts (ReadSide's rule).
  std::vector<std::shared_ptr<Order>> getOpenOrderCollection() const;
  std::vector<std::shared_ptr<Order>> getPendingOrderCollection() const;

  // `setMessageProperties:` values and the request time stamp.
  SessionValues sessionValues() const;
  Date now() const;

  // ---- fields ----
  SessionTransport& conn() { return *conn_; }
  MessageBase& messageBase() { return *messageBase_; }
  ReferenceData& referenceData() { return reference_; }
  const ReferenceData& referenceData() const { return reference_; }
  const std::shared_ptr<UserInfo>& userInfo() const { return reference_.userInfo(); }
  const RecordCollection<ItemDetails>& ItemCollection() const { return reference_.ItemCollection(); }
  const RecordCollection<AccountDetails>& AccountDetailCollection() const { return reference_.AccountDetailCollection(); }
  const RecordCollection<ItemType>& ItemTypeCollection() const { return reference_.ItemTypeCollection(); }
  const RecordCollection<GroupDetails>& GroupDetailCollection() const { return reference_.GroupDetailCollection(); }
  const RecordCollection<SessionSetting>& SessionSettingCollection() const {
    return reference_.SessionSettingCollection();
  }
  const RecordCollection<LoginInfoMessage>& loginInfoMessageCollection() const {
    return reference_.loginInfoMessageCollection();
  }
  const std::map<std::string, std::string, std::less<>>& symbolTypeCollection() const {
    return reference_.symbolTypeCollection();
  }
  LoginInputdata& logindata() const { return *env_.logindata; }

  const std::optional<std::string>& Referenceid() const { return Referenceid_; }
  std::int32_t Requestid() const { return Requestid_; }
  void setRequestid(std::int32_t value) { Requestid_ = value; }
  const std::optional<std::string>& serverTime() const { return serverTime_; }
  const std::optional<std::string>& ServerTime() const { return ServerTime_; }
  const std::optional<Date>& serverDate() const { return serverDate_; }
  const std::optional<Date>& pingTime() const { return pingTime_; }
  std::int32_t networkspeedStatus() const { return networkspeedStatus_; }
  const std::vector<std::string>& selectedSymbols() const { return selectedSymbols_; }
  void setSelectedSymbols(std::vector<std::string> codes) { selectedSymbols_ = std::move(codes); }
  std::vector<std::string>& JournalDataCollection() { return JournalDataCollection_; }
  const std::map<std::string, std::vector<std::string>, std::less<>>& buyMarketDepthDataCollection() const {
    return buyMarketDepthDataCollection_;
  }
  const std::map<std::string, std::vector<std::string>, std::less<>>& sellMarketDepthDataCollection() const {
    return sellMarketDepthDataCollection_;
  }
  std::int32_t currentAccountSelected() const { return currentAccountSelected_; }
  void setCurrentAccountSelected(std::int32_t value) { currentAccountSelected_ = value; }

  // The order collections below (with the journal lines) as the trading and data-set code sees them.
  OrderBook orderBook() {
    return OrderBook{PendingOrderCollection,        PendingOrderCollectionCopy, CancelledOrderCollection,
                     OpenOrderCollection,           OpenOrderCollectionCopy,    SettledOrderCollection,
                     ExecutedOrderSearchCollection, isExecutedPositionSearch,   JournalDataCollection_};
  }
  // Order collections (filled by the execution reports and the initial data sets).
  std::vector<std::shared_ptr<Order>> PendingOrderCollection;
  std::vector<std::shared_ptr<Order>> PendingOrderCollectionCopy;
  std::vector<std::shared_ptr<Order>> CancelledOrderCollection;
  std::vector<std::shared_ptr<Order>> OpenOrderCollection;
  std::vector<std::shared_ptr<Order>> OpenOrderCollectionCopy;
  std::vector<std::shared_ptr<Order>> SettledOrderCollection;
  std::vector<std::shared_ptr<Order>> ExecutedOrderSearchCollection;
  bool isExecutedPositionSearch = false;
  std::string chatUserName;
  std::map<std::string, std::string, std::less<>> chartDataCollection;  // chart key -> reply text
  std::map<std::string, double, std::less<>> HedgeMarginCollection;
  std::shared_ptr<BankDetails> bankDetails;

  // Counters for diagnostics and tests.
  struct Stats {
    std::uint64_t framesDispatched = 0;
    std::uint64_t framesDropped = 0;
    std::uint64_t priceLinesApplied = 0;
    std::uint64_t priceLinesDropped = 0;
  };
  const Stats& stats() const { return stats_; }
  void setObserver(SessionObserver* observer) { env_.observer = observer; }

  // ---- handlers of the later message families ----
  // Trading state: execution reports, settlements, account summaries, password and demo-user
  // replies, hedge closes.
  void handleExecutionReport(const ReceivedMessage& message);
  void handleSettlementReport(const ReceivedMessage& message);
  void handlePositionStatusUpdate(const ReceivedMessage& message);
  void handlePositionExecuted(const ReceivedMessage& message);
  void handlePasswordChangeReply(const ReceivedMessage& message);
  void handleAccountSummary(const ReceivedMessage& message);
  void handleDemoUserCreationReply(const ReceivedMessage& message);
  void handleCloseHedgedPositions(const ReceivedMessage& message);
  // Data sets and charts over the request channel (each false, or 0, when nothing reached the
  // transport).
  void handleDataSetReply(const ReceivedMessage& message);
  void handleChartDataReply(const ReceivedMessage& message);
  // After the login is accepted: open positions, working orders, settled positions, cancelled
  // orders, then the equity-hit prices of every account in trading status 5.
  std::size_t requestInitialDataSets();
  bool requestEquityPriceinfo(std::int32_t accountId);
  bool requestExecutedPosition(const SearchInfo& search);
  bool requestFinancialTransactions(const SearchInfo& search);
  // The number of the request that went out (the "BankDetailsNotification" of its reply carries it
  // in a BankDetailsReply), or none when nothing reached the transport.
  std::optional<std::uint64_t> requestBankDetails(const AccountDetails& account);
  bool requestAccountStatement(const AccountStatementRequest& parameters);
  bool requestChartData(std::string_view itemCode, std::string_view interval, std::int32_t noOfData);
  bool changeMyPassword(std::string_view oldPassword, std::string_view newPassword);
  const std::vector<FinancialTransactionDetails>& FinancialTransactionCollection() const {
    return datasets_.FinancialTransactionCollection();
  }
  const AccountStatementInfo& accountStatementInfo() const { return datasets_.accountStatementInfo(); }
  DataSetService& datasets() { return datasets_; }
  const DataSetService& datasets() const { return datasets_; }
  // Chat: the chat state and its senders (the windows' side), and the handlers of the dispatcher.
  ChatDesk& chat() { return *chat_; }
  const ChatDesk& chat() const { return *chat_; }
  void handleChatRoomCreation(const ReceivedMessage& message);
  void handleChatMessage(const ReceivedMessage& message);
  void handleChatOfflineMessages(const ReceivedMessage& message);
  void handleChatRoomMessages(const ReceivedMessage& message);
  void handleChatContactList(const ReceivedMessage& message);
  void handleChatUserStatus(const ReceivedMessage& message);
  void handleChatRecentConversations(const ReceivedMessage& message);
  void handleChatQueueResponse(const ReceivedMessage& message);
  void handleChatQueueStatus(const ReceivedMessage& message);
  void requestContactlist();
  void requestRecentConversation();
  void requestOfflineMessages();

  // The row of the reply catalogue for a message type, or none for a type nobody handles.
  struct ReplyKind {
    std::int32_t type;
    const char* meaning;
    const char* logLine;  // written before the action; nullptr for none
    void (BusinessBase::*handler)(ReceivedMessage& message);
  };
  static const ReplyKind* replyKind(std::int32_t type);

 private:
  BusinessBase(Environment environment, Options options);
  void init();

  // The login sequence and the other handlers of the catalogue.
  void onLoginAccepted(ReceivedMessage& message);       // 18
  void onLoginData(ReceivedMessage& message);           // 33
  void onPasswordChange(ReceivedMessage& message);      // 38
  void onLoggedInElsewhere(ReceivedMessage& message);   // 44
  void onLoginRefused(ReceivedMessage& message);        // 47
  void onExecutionReport(ReceivedMessage& message);     // 62
  void onSettlement(ReceivedMessage& message);          // 66
  void onPositionReport(ReceivedMessage& message);      // 67
  void onEnvelope(ReceivedMessage& message);            // 76
  void onCompressed(ReceivedMessage& message);          // 105
  void onChatRoomCreation(ReceivedMessage& message);    // 601, 602
  void onChatMessage(ReceivedMessage& message);         // 603
  void onChatOffline(ReceivedMessage& message);         // 614
  void onChatRoomMessages(ReceivedMessage& message);    // 616
  void onChatContacts(ReceivedMessage& message);        // 618
  void onChatUserStatus(ReceivedMessage& message);      // 619
  void onChatRecent(ReceivedMessage& message);          // 627
  void onNothingMore(ReceivedMessage& message);         // 643
  void onChatQueueResponse(ReceivedMessage& message);   // 679
  void onChatQueueStatus(ReceivedMessage& message);     // 680
  void onPingReply(ReceivedMessage& message);           // 1019
  void onDataSetReply(ReceivedMessage& message);        // 1024
  void onDemoUserReply(ReceivedMessage& message);       // 1027
  void onReloginRequest(ReceivedMessage& message);      // 1028
  void onChartReply(ReceivedMessage& message);          // 1041
  void onAccountSummary(ReceivedMessage& message);      // 1045
  void onInstrumentStatus(ReceivedMessage& message);    // 1049
  void onHedgedPositionsClosed(ReceivedMessage& message);  // 1052

  // The login message the refusal and the acceptance read (the one the server sent last).
  std::shared_ptr<LoginInfoMessage> loginMessage() const;
  // Loads the data set of a login reply; false when the payload does not open.
  bool loadLoginData(const ReceivedMessage& message, bool xmlToo);
  // Where a frame being dispatched came from: each source re-enters its envelopes and compressed
  // payloads through a reassembler of its own.
  enum class FrameSource { Session, Requests, Feed };
  void dispatch(std::string_view frame, FrameSource source);
  void reenter(std::string_view text, FrameSource source);
  FrameReassembler& reentryOf(FrameSource source);
  DataSetService::Hooks dataSetHooks();
  void HistoryDataUpdateNotification();
  void postOnMain(std::string name);
  void appendJournal(std::string line);
  // What the chat desk asks of this session (its notifications, banners and request writer).
  std::unique_ptr<ChatEvents> makeChatEvents();
  void ended(const std::string& reason);
  bool storeWatchlist(const std::vector<std::string>& codes);

  Environment env_;
  Options options_;
  std::unique_ptr<SessionTransport> conn_;
  std::unique_ptr<MessageBase> messageBase_;
  ReferenceData reference_;
  std::unique_ptr<ChatEvents> chatEvents_;
  std::unique_ptr<ChatDesk> chat_;

  // Re-entered text: envelopes and compressed payloads of the TCP session, of the request channel
  // and of the frames of "IS;" feed lines, each cut apart from the others'.
  FrameReassembler sessionReentry_;
  FrameReassembler requestReentry_;
  FrameReassembler feedReentry_;
  FrameSource dispatchSource_ = FrameSource::Session;  // source of the frame being dispatched
  std::vector<std::string> reentered_;  // frames cut by a re-entry, dispatched after the cut
  int reentryDepth_ = 0;

  std::optional<std::string> Referenceid_;
  std::int32_t Requestid_ = 0;
  std::optional<std::string> serverTime_;
  std::optional<std::string> ServerTime_;
  std::optional<Date> serverDate_;
  std::optional<Date> pingTime_;
  std::int32_t networkspeedStatus_ = 0;
  std::vector<std::string> selectedSymbols_;
  std::vector<std::string> JournalDataCollection_;
  std::map<std::string, std::vector<std::string>, std::less<>> buyMarketDepthDataCollection_;
  std::map<std::string, std::vector<std::string>, std::less<>> sellMarketDepthDataCollection_;
  std::int32_t currentAccountSelected_ = 0;
  // Requests of the request channel: how many went to the transport, and how many have ended
  // (answered or not); the reply being handled answers request number requestsFinished_.
  std::uint64_t requestsSent_ = 0;
  std::uint64_t requestsFinished_ = 0;

  TimerHandle pingTimer_;
  bool ended_ = false;
  bool reloginRequested_ = false;
  Stats stats_;

  // The statement worker outlives the service: a document still being read when the session goes
  // is applied to nothing (the service's statement state is gone by then).
  std::unique_ptr<DispatchQueue> statementWorker_;
  DataSetService datasets_;
};

}  // namespace td
