#include "session/BusinessBase.h"

#include <cmath>
#include <set>

#include "model/Conversions.h"
#include "model/JournalData.h"
#include "model/XmlTables.h"
#include "platform/DateFormat.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "platform/NotificationCenter.h"
#include "session/PriceFeed.h"
#include "session/SessionObserver.h"
#include "session/ShellReactions.h"
#include "session/trading/ExecutionReports.h"
#include "session/trading/ReadSide.h"
#include "session/trading/TradingObserver.h"
#include "session/trading/Watchlist.h"
#include "transport/DeviceInfo.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/Formatter.h"
#include "wire/SessionKey.h"

namespace td {
namespace {

constexpr std::string_view kAmpType = "AMP";  // MESSAGE_AMP_TYPE

// The table-refresh notifications, posted in this order after every dispatched message but pings
// and envelopes.
constexpr const char* kTableNotifications[] = {
    "OpenPositionTableNotification",    "PieChartUpdateNotification",       "PendingOrderTableNotification",
    "SettledPositionTableNotification", "CancelledOrderTableNotification", "ExecutedPositionTableNotification",
    "JournalTableNotification"};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The reply catalogue: every message type the server sends, with its log line and its handler.
// Adding a type is one row.

const BusinessBase::ReplyKind* BusinessBase::replyKind(std::int32_t type) {
  using B = BusinessBase;
  static const ReplyKind kReplies[] = {
      {18, "login accepted", nullptr, &B::onLoginAccepted},
      {33, "login data", nullptr, &B::onLoginData},
      {38, "password-change reply", "PasswordChangeResponseMessage", &B::onPasswordChange},
      {44, "logged in at another place", nullptr, &B::onLoggedInElsewhere},
      {47, "login refused", nullptr, &B::onLoginRefused},
      {62, "execution report", nullptr, &B::onExecutionReport},
      {66, "settlement report", "OrderSettled", &B::onSettlement},
      {67, "execution report of a position", nullptr, &B::onPositionReport},
      {76, "encrypted envelope", nullptr, &B::onEnvelope},
      {105, "compressed message", "CompressedMessage", &B::onCompressed},
      {601, "room created by another user", "NewRoomCreationRequest", &B::onChatRoomCreation},
      {602, "room-creation reply", "NewRoomCreationResponse", &B::onChatRoomCreation},
      {603, "chat message", "NewChatMessage", &B::onChatMessage},
      {614, "offline messages", "GetOfflineMessageResponse", &B::onChatOffline},
      {616, "room messages", "GetRoomMessageResponse", &B::onChatRoomMessages},
      {618, "contact list", "GetContacListInfoResponse", &B::onChatContacts},
      {619, "user status change", "statusChange", &B::onChatUserStatus},
      {627, "recent conversations", "GetRecentConversationResponse", &B::onChatRecent},
      {643, "add-user reply", "AddUserResponse", &B::onNothingMore},
      {679, "support-queue reply", "ChatResponseFromQueue", &B::onChatQueueResponse},
      {680, "support-queue status", "ChatQueueStatus", &B::onChatQueueStatus},
      {1019, "ping reply", nullptr, &B::onPingReply},
      {1024, "data-set reply", "DSResponse", &B::onDataSetReply},
      {1027, "demo-user creation reply", "DemoUserCreationResponse", &B::onDemoUserReply},
      {1028, "relogin request from the server", "UserReloginRequest", &B::onReloginRequest},
      {1041, "chart-data reply", "ChartDataResponse", &B::onChartReply},
      {1045, "account summary", "AccountSummary", &B::onAccountSummary},
      {1049, "instrument status change", "InstrumentStatusChange", &B::onInstrumentStatus},
      {1052, "hedged positions closed", "CloseHedgedPositions", &B::onHedgedPositionsClosed},
  };
  for (const ReplyKind& kind : kReplies) {
    if (kind.type == type) return &kind;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Creation and lifetime

std::shared_ptr<BusinessBase> BusinessBase::create(Environment environment, Options options) {
  std::shared_ptr<BusinessBase> self(new BusinessBase(std::move(environment), std::move(options)));
  self->init();
  return self;
}

BusinessBase::BusinessBase(Environment environment, Options options)
    : env_(std::move(environment)),
      options_(std::move(options)),
      sessionReentry_([this](std::string_view frame) { reentered_.emplace_back(frame); }),
      requestReentry_([this](std::string_view frame) { reentered_.emplace_back(frame); }),
      feedReentry_([this](std::string_view frame) { reentered_.emplace_back(frame); }),
      statementWorker_(std::make_unique<DispatchQueue>("StatementReader")),
      datasets_(DataSetTargets{orderBook(), bankDetails, chartDataCollection},
                reference_, dataSetHooks(), statementWorker_.get(), env_.mainQueue) {
  if (!env_.notifications) {
    env_.notifications = std::shared_ptr<NotificationCenter>(&NotificationCenter::defaultCenter(),
                                                             [](NotificationCenter*) {});
  }
}

void BusinessBase::init() {
  SessionTransportFactory factory = options_.transportFactory;
  if (!factory) factory = ConnectionTransport::factory(*env_.logindata, *env_.mainQueue, options_.connection);
  conn_ = factory(*this);
  std::weak_ptr<BusinessBase> weak = weak_from_this();
  conn_->setSubscriptionsBlocked([weak] {
    auto self = weak.lock();
    if (!self) return false;
    const auto& accounts = self->AccountDetailCollection();
    return accounts.size() == 1 && accounts.begin()->second && accounts.begin()->second->tradingStatus == 3;
  });
  messageBase_ = std::make_unique<MessageBase>(*this, *env_.logindata);
  chatEvents_ = makeChatEvents();
  chat_ = std::make_unique<ChatDesk>(*chatEvents_, *env_.mainQueue, env_.chatObserver);
  reference_.setHooks({[weak] {
                         if (auto self = weak.lock()) self->LoadItemstoWatchlist();
                       },
                       [weak] {
                         if (auto self = weak.lock()) self->SetAllSymbolsSpread();
                       }});
}

BusinessBase::~BusinessBase() {
  pingTimer_.cancel();
  if (conn_) conn_->shutdown();
}

DataSetService::Hooks BusinessBase::dataSetHooks() {
  // The service belongs to this object and calls its hooks synchronously from its own handling.
  DataSetService::Hooks hooks;
  hooks.postOnMainThread = [this](std::string name, std::any object) {
    env_.notifications->postOnMainThread(std::move(name), std::move(object));
  };
  hooks.subscribeAllItems = [this] { conn_->ProcessSubscribeandUnSubscribeItems(getAllItems(), true); };
  hooks.dataSetLoaded = [this](std::string_view context, std::size_t rows) {
    if (env_.observer) env_.observer->sessionDataSet(std::string(context), rows);
  };
  hooks.requestBeingAnswered = [this] { return requestsFinished_; };
  hooks.initialCollectionsLoaded = [this](std::size_t open, std::size_t pending, std::size_t settled,
                                          std::size_t cancelled) {
    if (env_.observer) env_.observer->sessionCollections(open, pending, settled, cancelled);
  };
  return hooks;
}

BusinessBase::Date BusinessBase::now() const {
  return options_.wallClock ? options_.wallClock() : std::chrono::system_clock::now();
}

SessionValues BusinessBase::sessionValues() const {
  SessionValues values;
  values.userName = env_.logindata->userName();
  values.Referenceid = Referenceid_;
  values.Requestid = Requestid_;
  values.now = Formatter::setAmpFormat(now());
  return values;
}

void BusinessBase::appendJournal(std::string line) {
  if (!line.empty()) JournalDataCollection_.push_back(std::move(line));
}

void BusinessBase::postOnMain(std::string name) { env_.notifications->postOnMainThread(std::move(name)); }

void BusinessBase::ended(const std::string& reason) {
  stopPingTimer();
  if (ended_) return;
  ended_ = true;
  if (env_.observer) env_.observer->sessionEnded(reason);
}

// ---------------------------------------------------------------------------------------------
// Opening, sending, closing

void BusinessBase::StreamingConnection(bool, bool demoRegistration) {
  ended_ = false;
  reloginRequested_ = false;
  conn_->ConnectToServer(demoRegistration);
}

bool BusinessBase::SendMessage(std::string_view frame, bool toZMQ) {
  if (toZMQ) {
    conn_->SendZMQRequestMessagetoServer(std::string(frame));
    ++requestsSent_;
    return true;
  }
  return conn_->SendMessagetoServer(frame);
}

void BusinessBase::PingHandedToEnvelope() { pingTime_ = now(); }

void BusinessBase::disconnectServer() {
  conn_->DisconnectServer();
  ended("disconnected");
}

void BusinessBase::reconnectZMQandSubscribeAllItems() {
  if (!conn_->isConnected()) return;
  const std::string host = env_.logindata->IPAddress();
  const auto& user = userInfo();
  conn_->ConnectToZMQSubServer(host, user ? user->marketdepthPort : 0);
  conn_->ConnectToZMQReqServer(host, user ? user->hdServerPort : 0);
  conn_->ProcessSubscribeandUnSubscribeItems(getAllItems(), true);
  postOnMain(ChartRequests::kRequestChannelBack);
}

void BusinessBase::connectionDidConnect(bool demoRegistration) {
  LoginInputdata& login = *env_.logindata;
  if (env_.observer) env_.observer->sessionConnected();
  // Every connection starts from the initial pass phrase, never from an earlier session's key.
  login.setSecurityKey(login.presets().initialPassPhrase);
  if (demoRegistration) {
    env_.notifications->post("SendLoginRegistrationRequest", weak_from_this());
    return;
  }
  appendJournal(JournalData::getLoginJournalData(0, login.IPAddress(), login.PortNo(), login.userName(), now()));
  DeviceFields device{DeviceInfo::getHostIPAddress(), DeviceInfo::getDeviceNameandOSversion(),
                      DeviceInfo::getHostName()};
  const LoginRequestValues values =
      SessionRequests::loginValues(login, std::move(device), Formatter::setAmpFormat(now()));
  if (!SessionRequests::LoginRequest(*messageBase_, values)) TD_LOG_ERROR("login request not sent");
}

void BusinessBase::connectionDidReceiveFrame(std::string frame, FrameChannel channel) { NewMessage(frame, channel); }

void BusinessBase::connectionDidReceiveSubscriptionUpdate(std::string update) { ZMQNewMessage(update); }

void BusinessBase::connectionDidFinishRequest(bool) {
  ++requestsFinished_;
  datasets_.requestsFinished(requestsFinished_);
}

void BusinessBase::connectionDidFail(const std::optional<GCDAsyncSocketError>& error) {
  if (ended_) {
    // The session already ended on purpose (refused, logged in elsewhere, cancelled); the server
    // closing its end afterwards, before our own disconnect reached the socket, is no failure.
    TD_LOG_INFO("connection closed after the session ended");
    return;
  }
  ended("connection lost: " +
        (reloginRequested_ ? std::string("relogin requested") : error ? error->toString() : std::string("closed")));
  if (env_.shell) {
    env_.shell->ConnectionFailureNotification(weak_from_this());
  } else {
    TD_LOG_WARN("connection failure with no shell to tell");
  }
}

// ---------------------------------------------------------------------------------------------
// Intake

void BusinessBase::NewMessage(std::string_view frame, FrameChannel channel) {
  dispatch(frame, channel == FrameChannel::Requests ? FrameSource::Requests : FrameSource::Session);
}

void BusinessBase::dispatch(std::string_view frame, FrameSource source) {
  ReceivedMessage message;
  if (!message.parse(frame)) {
    ++stats_.framesDropped;
    TD_LOG_WARN("frame without fields dropped");
    return;
  }
  const std::int32_t type = message.type();
  const bool quiet = type == 1019 || type == 76;
  if (!quiet) TD_LOG_INFO("Received Message - " + message.describe());
  ++stats_.framesDispatched;
  const FrameSource outer = dispatchSource_;
  dispatchSource_ = source;
  ProcessNewMessage(message);
  dispatchSource_ = outer;
  if (!quiet) HistoryDataUpdateNotification();
}

void BusinessBase::reenter(std::string_view text, FrameSource source) {
  if (reentryDepth_ >= options_.maxReentryDepth) {
    TD_LOG_WARN("re-entered text nested too deeply; dropped");
    return;
  }
  // The frames are collected first and dispatched after the cut, so a frame that re-enters text of
  // its own never feeds the reassembler from inside its own cut.
  reentryOf(source).feed(text);
  std::vector<std::string> frames = std::move(reentered_);
  reentered_.clear();
  ++reentryDepth_;
  for (const std::string& frame : frames) dispatch(frame, source);
  --reentryDepth_;
}

FrameReassembler& BusinessBase::reentryOf(FrameSource source) {
  switch (source) {
    case FrameSource::Requests: return requestReentry_;
    case FrameSource::Feed: return feedReentry_;
    case FrameSource::Session: break;
  }
  return sessionReentry_;
}

void BusinessBase::ProcessMessage(std::string_view text) { reenter(text, dispatchSource_); }

void BusinessBase::ZMQNewMessage(std::string_view line) {
  switch (classifyFeedLine(line)) {
    case FeedLineKind::MarketDepth:
      MarketDepthDecode(line.substr(3));
      break;
    case FeedLineKind::InstrumentStatus:
      reenter(instrumentStatusPayload(line), FrameSource::Feed);
      break;
    case FeedLineKind::Ignored:
      break;
    case FeedLineKind::Price:
      PriceUpdateDecode(line);
      break;
  }
}

void BusinessBase::HistoryDataUpdateNotification() {
  for (const char* name : kTableNotifications) postOnMain(name);
}

// ---------------------------------------------------------------------------------------------
// Dispatcher

void BusinessBase::ProcessNewMessage(ReceivedMessage& message) {
  if (const auto id = message.requestId()) Requestid_ = *id;
  if (const auto time = message.value(21)) serverTime_ = std::string(*time);
  if (message.type() == 33) {
    if (const auto reference = message.value(19)) Referenceid_ = std::string(*reference);
  }
  const ReplyKind* kind = replyKind(message.type());
  if (!kind) {
    TD_LOG_DEBUG("message type " + std::to_string(message.type()) + " ignored");
    return;
  }
  if (kind->logLine) TD_LOG_INFO(kind->logLine);
  (this->*kind->handler)(message);
}

std::shared_ptr<LoginInfoMessage> BusinessBase::loginMessage() const { return reference_.lastLoginInfoMessage(); }

bool BusinessBase::loadLoginData(const ReceivedMessage& message, bool xmlToo) {
  const std::optional<std::string_view> payload = message.value(1050);
  if (!payload) {
    TD_LOG_WARN("login reply without a data set (tag 1050)");
    return false;
  }
  const std::optional<std::string> data = decompressData(*payload);
  if (!data) return false;  // decompressData wrote the reason
  if (message.value(160) == kAmpType) {
    reference_.FillAmpDetails(*data);
  } else if (xmlToo) {
    reference_.FillTableDetails(parseXml(*data));
  }
  return true;
}

void BusinessBase::onLoginData(ReceivedMessage& message) {
  LoginInputdata& login = *env_.logindata;
  appendJournal(JournalData::getLoginJournalData(1, login.IPAddress(), login.PortNo(), login.userName(), now()));
  if (!loadLoginData(message, true)) {
    TD_LOG_ERROR("login data set did not open; the session key stays as it was");
    return;
  }
  login.setSecurityKey(GenerateNewEncryptionKey());
  if (env_.observer) {
    env_.observer->sessionLoginDataLoaded(ItemCollection().size(), AccountDetailCollection().size(),
                                          reference_.GroupDetailCollection().size());
  }
}

void BusinessBase::onLoginAccepted(ReceivedMessage&) {
  const std::shared_ptr<LoginInfoMessage> info = loginMessage();
  const bool updateDue = info && info->ErrorCode == 15 && !info->Message.empty();
  LoginInputdata& login = *env_.logindata;
  appendJournal(JournalData::getLoginJournalData(2, login.IPAddress(), login.PortNo(), login.userName(), now()));
  conn_->setIsNetworkAvailable(true);
  startPingTimer();
  const std::string host = login.IPAddress();
  const auto& user = userInfo();
  conn_->ConnectToZMQSubServer(host, user ? user->marketdepthPort : 0);
  conn_->ConnectToZMQReqServer(host, user ? user->hdServerPort : 0);
  requestInitialDataSets();
  requestContactlist();
  requestRecentConversation();
  requestOfflineMessages();
  const std::vector<std::string> items = getAllItems();
  conn_->ProcessSubscribeandUnSubscribeItems(items, true);
  postOnMain("LoginSuccessNotification");
  if (env_.shell) env_.shell->playSound("welcome");
  if (updateDue && env_.shell) env_.shell->appUpdateNotification(info->Message);
  if (env_.observer) env_.observer->sessionOpened(items);
}

void BusinessBase::onLoginRefused(ReceivedMessage& message) {
  conn_->DisconnectServer();
  loadLoginData(message, false);
  const std::shared_ptr<LoginInfoMessage> info = loginMessage();
  const std::optional<std::int32_t> code = info ? std::optional<std::int32_t>(info->ErrorCode) : std::nullopt;
  const LoginMessageRecord record = LoginMessageRecord::forErrorCode(code, info ? info->Message : std::string());
  ended("refused " + std::to_string(code.value_or(0)));
  if (env_.shell) {
    env_.shell->showLoginMessages(record);
  } else {
    TD_LOG_WARN("login refused: " + record.Message);
  }
}

void BusinessBase::onLoggedInElsewhere(ReceivedMessage& message) {
  conn_->DisconnectServer();
  const std::string reason(message.value(105).value_or(std::string_view()));
  ended("logged in elsewhere");
  if (env_.shell) {
    env_.shell->LogininAnotherLocation(reason);
  } else {
    TD_LOG_WARN("logged in at another place: " + reason);
  }
}

void BusinessBase::onReloginRequest(ReceivedMessage&) {
  // The disconnect is not a planned one: the connection reports the failure path next.
  reloginRequested_ = true;
  stopPingTimer();
  conn_->ReloginRequestDisconnectServer();
}

void BusinessBase::onEnvelope(ReceivedMessage& message) {
  const std::optional<std::string_view> payload = message.value(27);
  if (!payload) {
    TD_LOG_WARN("envelope without payload dropped");
    return;
  }
  const std::optional<std::string> bytes = Base64::decodeBase64WithString(*payload);
  if (!bytes) {
    TD_LOG_WARN("envelope payload is not Base64; dropped");
    return;
  }
  const std::optional<std::string> plain =
      Crypto::transformData(*bytes, Crypto::kAlgorithmAES, Crypto::kDecrypt, env_.logindata->SecurityKey());
  if (!plain) {
    TD_LOG_WARN("envelope does not decrypt under the current pass phrase; dropped");
    return;
  }
  ProcessMessage(*plain);
}

void BusinessBase::onCompressed(ReceivedMessage& message) {
  const std::optional<std::string_view> payload = message.value(1050);
  if (!payload) {
    TD_LOG_WARN("compressed message without payload dropped");
    return;
  }
  if (const std::optional<std::string> text = decompressData(*payload)) ProcessMessage(*text);
}

void BusinessBase::onExecutionReport(ReceivedMessage& message) {
  if (env_.tradingObserver) env_.tradingObserver->tradingReport(message);
  const std::optional<std::int32_t> status = message.intValue(73);
  if (!status) return;
  const char* name = ExecutionReports::statusName(*status);
  if (!name) return;
  TD_LOG_INFO(name);
  handleExecutionReport(message);
}

void BusinessBase::onSettlement(ReceivedMessage& message) {
  if (env_.tradingObserver) env_.tradingObserver->tradingReport(message);
  handleSettlementReport(message);
}

void BusinessBase::onPositionReport(ReceivedMessage& message) {
  if (env_.tradingObserver) env_.tradingObserver->tradingReport(message);
  const std::optional<std::int32_t> status = message.intValue(73);
  if (status == 73) {
    TD_LOG_INFO("StatusUpdate");
    handlePositionStatusUpdate(message);
  } else if (status == 74) {
    TD_LOG_INFO("OrderExecuted");
    handlePositionExecuted(message);
  }
}

void BusinessBase::onPasswordChange(ReceivedMessage& message) { handlePasswordChangeReply(message); }
void BusinessBase::onChatRoomCreation(ReceivedMessage& message) { handleChatRoomCreation(message); }
void BusinessBase::onChatMessage(ReceivedMessage& message) { handleChatMessage(message); }
void BusinessBase::onChatOffline(ReceivedMessage& message) { handleChatOfflineMessages(message); }
void BusinessBase::onChatRoomMessages(ReceivedMessage& message) { handleChatRoomMessages(message); }
void BusinessBase::onChatContacts(ReceivedMessage& message) { handleChatContactList(message); }
void BusinessBase::onChatUserStatus(ReceivedMessage& message) { handleChatUserStatus(message); }
void BusinessBase::onChatRecent(ReceivedMessage& message) { handleChatRecentConversations(message); }
void BusinessBase::onNothingMore(ReceivedMessage&) {}
void BusinessBase::onChatQueueResponse(ReceivedMessage& message) { handleChatQueueResponse(message); }
void BusinessBase::onChatQueueStatus(ReceivedMessage& message) { handleChatQueueStatus(message); }
void BusinessBase::onDataSetReply(ReceivedMessage& message) { handleDataSetReply(message); }
void BusinessBase::onDemoUserReply(ReceivedMessage& message) { handleDemoUserCreationReply(message); }
void BusinessBase::onChartReply(ReceivedMessage& message) { handleChartDataReply(message); }
void BusinessBase::onAccountSummary(ReceivedMessage& message) {
  handleAccountSummary(message);
  if (!env_.observer) return;
  const std::optional<std::string_view> key = message.value(34);
  if (const std::shared_ptr<AccountDetails> account = key ? reference_.account(*key) : nullptr) {
    env_.observer->sessionAccountSummary(*account);
  }
}
void BusinessBase::onHedgedPositionsClosed(ReceivedMessage& message) { handleCloseHedgedPositions(message); }

void BusinessBase::onInstrumentStatus(ReceivedMessage& message) {
  messageCrackerOnInstrumentStatusChange(message);
  env_.notifications->post("WatchlistTableNotification");
}

// ---------------------------------------------------------------------------------------------
// Session key

std::string BusinessBase::GenerateNewEncryptionKey() const {
  const std::string user = env_.logindata->userName();
  const std::string password = env_.logindata->password();
  std::optional<std::string_view> reference;
  if (Referenceid_) reference = *Referenceid_;
  std::optional<std::string_view> time;
  if (serverTime_) time = *serverTime_;
  return td::GenerateNewEncryptionKey(user, password, reference, time);
}

// ---------------------------------------------------------------------------------------------
// Price feed

bool BusinessBase::PriceUpdateDecode(std::string_view line) {
  PriceUpdate tick;
  const PriceLineError error = decodePriceLine(line, tick);
  if (error != PriceLineError::None) {
    ++stats_.priceLinesDropped;
    const char* why = error == PriceLineError::TooFewFields     ? "too few fields"
                      : error == PriceLineError::BaseNotNumeric ? "base price is not a number"
                                                                : "a price is not finite";
    TD_LOG_WARN(std::string("PriceUpdateDecode ") + why + ": " + std::string(line.substr(0, 200)));
    return false;
  }
  UpdateItemCollection(tick);
  return true;
}

void BusinessBase::UpdateItemCollection(PriceUpdate& tick) {
  const std::shared_ptr<ItemDetails> item = reference_.item(tick.ItemCode);
  if (!item) return;
  if (tick.Bid != 0) item->FeedBid = tick.Bid;
  if (tick.Ask != 0) item->FeedAsk = tick.Ask;
  item->ApplySpread(tick);
  item->UpdateTime = tick.Time;
  if (tick.Bid != 0) item->Bid = tick.Bid;
  if (tick.Ask != 0) item->Ask = tick.Ask;
  if (tick.Last != 0) item->Last = tick.Last;
  if (tick.High != 0) item->High = tick.High;
  if (tick.Low != 0) item->Low = tick.Low;
  if (tick.Open != 0) item->Open = tick.Open;
  if (tick.PreviousClose != 0) item->PrevClose = tick.PreviousClose;
  item->isPriceUpdateReceived = true;
  ++stats_.priceLinesApplied;
  if (env_.observer) env_.observer->sessionTick(*item);
  env_.notifications->post("PriceUpdateNotification", item->Code);
}

void BusinessBase::MarketDepthDecode(std::string_view text) {
  std::optional<MarketDepth> depth = decodeMarketDepth(text);
  if (!depth) return;
  if (env_.observer) env_.observer->sessionDepth(depth->code, depth->buy, depth->sell);
  auto buy = buyMarketDepthDataCollection_.find(depth->code);
  if (buy == buyMarketDepthDataCollection_.end()) {
    buyMarketDepthDataCollection_.emplace(depth->code, std::move(depth->buy));
  } else {
    buy->second = std::move(depth->buy);
  }
  sellMarketDepthDataCollection_[depth->code] = std::move(depth->sell);
}

void BusinessBase::messageCrackerOnInstrumentStatusChange(const ReceivedMessage& message) {
  const std::optional<std::string_view> code = message.value(12);
  const std::optional<std::string_view> setting = message.value(574);
  if (!code || !setting) return;
  const std::shared_ptr<ItemDetails> item = reference_.item(*code);
  if (!item) return;
  const std::int32_t id = conv::toInt(*setting);
  if (id < 1) return;
  item->CurrentTradeSessionSettingId = id;
}

// ---------------------------------------------------------------------------------------------
// Keep-alive

void BusinessBase::startPingTimer() {
  std::weak_ptr<BusinessBase> weak = weak_from_this();
  pingTimer_ = env_.mainQueue->scheduleRepeating(options_.pingInterval, [weak] {
    if (auto self = weak.lock()) self->pingToserver();
  });
}

void BusinessBase::stopPingTimer() { pingTimer_.cancel(); }

void BusinessBase::pingToserver() {
  if (!SessionRequests::pingToserver(*messageBase_, Requestid_, Formatter::setAmpFormat(now()))) {
    TD_LOG_DEBUG("ping not sent");
  }
}

void BusinessBase::onPingReply(ReceivedMessage& message) {
  if (const auto value = message.value(21)) serverDate_ = DateFormat::cached(AMP_DATE_FORMAT)->parse(*value);
  calculateNetworkSpeed(pingTime_);
}

std::int32_t BusinessBase::rateNetworkSpeed(double seconds) {
  if (std::isnan(seconds) || seconds < 0) return 3;
  if (seconds < 1) return 0;
  if (seconds < 2) return 1;
  if (seconds <= 3) return 2;
  return 3;
}

void BusinessBase::calculateNetworkSpeed(std::optional<Date> date) {
  double seconds = std::nan("");
  if (date) seconds = std::chrono::duration<double>(now() - *date).count();
  ServerTime_ = serverDate_ ? std::optional<std::string>(Formatter::setAmpFormat(*serverDate_)) : std::nullopt;
  networkspeedStatus_ = rateNetworkSpeed(seconds);
  if (ServerTime_) {
    env_.notifications->postOnMainThread("NetworkSpeedNotification", *ServerTime_);
  }
  if (env_.observer) env_.observer->sessionPing(networkspeedStatus_, seconds, ServerTime_.value_or(std::string()));
}

// ---------------------------------------------------------------------------------------------
// Watchlist, spreads and the read side

bool BusinessBase::storeWatchlist(const std::vector<std::string>& codes) {
  if (!env_.defaults) return false;
  return Watchlist::store(*env_.defaults, env_.logindata->userName(), codes);
}

void BusinessBase::LoadItemstoWatchlist() {
  // Only a login data set with items makes a watchlist: the data set of a refused login has none,
  // and the list stored for the user stays as it is.
  if (ItemCollection().empty()) return;
  std::optional<std::vector<std::string>> stored;
  if (env_.defaults) stored = env_.defaults->stringArrayValue(env_.logindata->userName());
  if (stored && !stored->empty()) {
    selectedSymbols_ = UpdateItemonWatchList(*stored);
    storeWatchlist(selectedSymbols_);
    UpdateItemonAddRemoveList(selectedSymbols_);
    return;
  }
  const auto& types = reference_.symbolTypeEntries();
  if (types.empty()) return;
  std::vector<std::string> codes;
  for (const SymbolEntry& entry : types.begin()->second) codes.push_back(entry.Code);
  selectedSymbols_ = codes;
  UpdateItemonAddRemoveList(selectedSymbols_);
  storeWatchlist(selectedSymbols_);
}

std::vector<std::string> BusinessBase::UpdateItemonWatchList(const std::vector<std::string>& codes) const {
  std::vector<std::string> kept;
  for (const std::string& code : codes) {
    if (reference_.item(code)) kept.push_back(code);
  }
  return kept;
}

void BusinessBase::UpdateItemonAddRemoveList(const std::vector<std::string>& codes) {
  for (const std::string& code : codes) {
    if (const auto item = reference_.item(code)) {
      item->isWatchlistSymbol = true;
      item->isWatchlistSymbolTemp = true;
    }
  }
}

void BusinessBase::SetAllSymbolsSpread() {
  for (const auto& [code, item] : ItemCollection()) {
    if (!item) continue;
    item->FeedBid = item->Bid;
    item->FeedAsk = item->Ask;
    for (const auto& [key, account] : AccountDetailCollection()) {
      if (!account) continue;
      const std::shared_ptr<GroupInstruments> terms = reference_.groupInstruments(*account, item->InstrumentId);
      if (!terms || terms->SpreadTypeId == 0 || terms->SpreadTypeId == 4) continue;
      if (item->Spreadtype == SpreadTypeNone) {
        item->BidSpread = terms->SpreadBid;
        item->AskSpread = terms->SpreadAsk;
        item->Spreadtype = terms->SpreadTypeId;
      } else if (item->Spreadtype != terms->SpreadTypeId || item->BidSpread != terms->SpreadBid ||
                 item->AskSpread != terms->SpreadAsk) {
        item->BidSpread = 0;
        item->AskSpread = 0;
        item->Spreadtype = SpreadTypeConflicting;
      }
    }
    if (item->Spreadtype == SpreadTypeNone || item->Spreadtype == SpreadTypeConflicting) continue;
    PriceUpdate tick;
    tick.ItemCode = item->Code;
    tick.Ask = item->Ask;
    tick.Bid = item->Bid;
    tick.DotPosition = item->DecimalPlaces;
    tick.High = item->High;
    tick.Last = item->Last;
    tick.Low = item->Low;
    tick.Open = item->Open;
    tick.Time = item->UpdateTime;
    item->ApplySpread(tick);
    item->Bid = tick.Bid;
    item->Ask = tick.Ask;
    item->Last = tick.Last;
    item->High = tick.High;
    item->Low = tick.Low;
    item->Open = tick.Open;
  }
}

std::vector<std::pair<std::string, std::vector<std::string>>> BusinessBase::getSymbolTypes() const {
  std::vector<std::pair<std::string, std::vector<std::string>>> types;
  for (const auto& [name, entries] : reference_.symbolTypeEntries()) {
    std::vector<std::string> texts;
    texts.reserve(entries.size());
    for (const SymbolEntry& entry : entries) texts.push_back(entry.Code + ":" + entry.Name);
    types.emplace_back(name, std::move(texts));
  }
  return types;
}

std::vector<std::shared_ptr<Order>> BusinessBase::getOpenOrderCollection() const {
  return ReadSide::visibleOrders(OpenOrderCollection, reference_);
}

std::vector<std::shared_ptr<Order>> BusinessBase::getPendingOrderCollection() const {
  return ReadSide::visibleOrders(PendingOrderCollection, reference_);
}

std::vector<std::string> BusinessBase::getAllItems() const {
  std::vector<std::string> codes;
  std::set<std::string, std::less<>> seen;
  auto add = [&](const std::string& code) {
    if (seen.insert(code).second) codes.push_back(code);
  };
  for (const std::string& code : selectedSymbols_) add(code);
  for (const auto& order : getOpenOrderCollection()) add(order->ItemCode);
  for (const auto& order : getPendingOrderCollection()) add(order->ItemCode);
  return codes;
}

}  // namespace td
