#include "ProbeRunner.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>

#include "model/OrderInfo.h"
#include "model/ReferenceData.h"
#include "orders/BusinessBaseOrderSession.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/Defaults.h"
#include "session/BusinessBase.h"
#include "session/ReceivedMessage.h"
#include "session/ShellReactions.h"

namespace td::probe {
namespace {

std::string formatted(const char* format, auto... values) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, values...);
  return buf;
}

// The shortest text that reads back as the same number ("1", "0.5", "1.0825").
std::string decimal(double value) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc{} ? std::string(buf, end) : std::to_string(value);
}

std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// The alerts of the trading state and the order desk (an order's rejection with its reason, a
// working order's confirmation) as ALERT lines, on one line each; banners and sounds are left out.
class LineAlerts final : public UserAlerts {
 public:
  explicit LineAlerts(std::function<void(const std::string&)> print) : print_(std::move(print)) {}
  void showAlert(const std::string&, const std::string& message) override { print_("ALERT " + oneLine(message)); }
  void showBanner(const std::string&, const std::string&) override {}
  void playSound(const std::string&) override {}

 private:
  std::function<void(const std::string&)> print_;
};

}  // namespace

ProbeRunner::ProbeRunner(const ProbeOptions& options, std::FILE* out)
    : options_(options),
      out_(out),
      notifications_(std::make_shared<NotificationCenter>(&queue_)),
      defaultsFile_(std::filesystem::temp_directory_path() /
                    ("tarnwickdesk-probe-" + std::to_string(::getpid()) + ".json")) {
  logindata_.setIPAddress(options.host);
  logindata_.setPortNo(options.port);
  logindata_.setUserName(options.user);
  logindata_.setPassword(options.password);
  // The watchlist the session stores under the user name goes to a file of this run only.
  defaults_ = std::make_shared<Defaults>(defaultsFile_);
}

ProbeRunner::~ProbeRunner() {
  deadline_.cancel();
  if (orderNoticeToken_ != 0) notifications_->removeObserver(orderNoticeToken_);
  desk_.reset();
  session_.reset();  // closes the transport and joins its threads
  reactions_.reset();
  defaults_.reset();
  std::error_code ec;
  std::filesystem::remove(defaultsFile_, ec);
  if (MainQueue::instance() == &queue_) MainQueue::setInstance(nullptr);
  if (context_) AppContext::install(previousContext_);
}

std::string ProbeRunner::address() const { return options_.host + ":" + std::to_string(options_.port); }

void ProbeRunner::print(const std::string& line) {
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

int ProbeRunner::run() {
  MainQueue::setInstance(&queue_);
  alerts_ = std::make_shared<LineAlerts>([this](const std::string& line) {
    if (!done_) print(line);
  });
  context_ = std::make_shared<AppContext>(std::make_shared<LoginInputdata>());
  context_->setUserAlerts(alerts_);
  previousContext_ = AppContext::install(context_);
  ShellReactions::Options shellOptions;
  shellOptions.language = [] { return 0; };
  reactions_ = ShellReactions::create(*this, queue_, *notifications_, shellOptions);

  BusinessBase::Environment env;
  env.logindata = &logindata_;
  env.mainQueue = &queue_;
  env.notifications = notifications_;
  env.defaults = defaults_;
  env.shell = reactions_;
  env.observer = this;
  env.tradingObserver = this;
  env.chatObserver = this;
  BusinessBase::Options sessionOptions;
  const auto bound = std::chrono::milliseconds(static_cast<long long>(std::min(options_.timeoutSeconds, 5.0) * 1000));
  sessionOptions.connection.replyTimeout = bound;
  session_ = BusinessBase::create(env, sessionOptions);

  deadline_ = queue_.schedule(std::chrono::duration_cast<Clock::Duration>(
                                  std::chrono::duration<double>(std::max(options_.timeoutSeconds, 0.0))),
                              [this] { finish(false, "timeout", "timeout"); });
  session_->StreamingConnection(true, false);
  queue_.run();
  deadline_.cancel();
  desk_.reset();
  session_.reset();
  return ok_ ? 0 : 1;
}

void ProbeRunner::finish(bool ok, const std::string& reason, const std::string& disconnectReason) {
  if (done_) return;
  done_ = true;
  ok_ = ok;
  if (!disconnectReason.empty() && !disconnectPrinted_) {
    disconnectPrinted_ = true;
    print("DISCONNECTED " + disconnectReason);
  }
  print(ok ? std::string("RESULT ok") : "RESULT fail: " + reason);
  queue_.quit();
}

ProbeRunner::Ending ProbeRunner::ending(const std::string& sessionReason, bool connected, bool sessionOpen,
                                        const std::string& address) {
  constexpr std::string_view kRefused = "refused ";
  if (sessionReason.rfind(kRefused, 0) == 0) {
    return {"refused:" + sessionReason.substr(kRefused.size()), "login refused"};
  }
  if (sessionReason == "logged in elsewhere") return {"elsewhere", "logged in at another location"};
  if (sessionReason == "connection lost: relogin requested") return {"relogin", "the server asked for a new login"};
  if (!connected) return {"connect-failed", "cannot connect to " + address};
  return {"closed", sessionOpen ? "the connection closed before the ticks arrived" : "the connection closed"};
}

// ---- SessionObserver ----

void ProbeRunner::sessionConnected() {
  connected_ = true;
  if (!done_) print("CONNECTED " + address());
}

void ProbeRunner::sessionLoginDataLoaded(std::size_t items, std::size_t accounts, std::size_t groups) {
  if (done_) return;
  print("LOGIN items=" + std::to_string(items) + " accounts=" + std::to_string(accounts) +
        " groups=" + std::to_string(groups));
}

void ProbeRunner::sessionOpened(const std::vector<std::string>&) {
  if (done_ || sessionOpen_) return;
  sessionOpen_ = true;
  print("SESSION open");
  if (options_.order) {
    considerOrder();
  } else if (options_.ticks <= 0 && !options_.chat) {
    finish(true, "", "");
  }
}

void ProbeRunner::sessionTick(const ItemDetails& item) {
  if (done_ || !sessionOpen_) return;
  if (options_.order) considerOrder();
  if (done_ || ticks_ >= options_.ticks) return;
  const int decimals = item.DecimalPlaces > 0 ? item.DecimalPlaces : 2;
  print(formatted("TICK %s %.*f %.*f", item.Code.c_str(), decimals, item.Bid, decimals, item.Ask));
  // With an order or a chat line the run ends with its answer, not with the ticks.
  if (++ticks_ >= options_.ticks && !options_.order && !options_.chat) finish(true, "", "");
}

void ProbeRunner::sessionDepth(const std::string& code, const std::vector<std::string>& buy,
                               const std::vector<std::string>& sell) {
  if (done_) return;
  print("DEPTH " + code + " buy=" + std::to_string(buy.size()) + " sell=" + std::to_string(sell.size()));
}

void ProbeRunner::sessionPing(std::int32_t networkspeedStatus, double seconds, const std::string&) {
  // A rating without a measured time (no ping went out) is no ping reply.
  if (done_ || std::isnan(seconds)) return;
  print(formatted("PING %.3f rating=%d", seconds, static_cast<int>(networkspeedStatus)));
}

void ProbeRunner::sessionAccountSummary(const AccountDetails& account) {
  if (done_) return;
  print(formatted("ACCOUNT %d balance=%.2f equity=%.2f", static_cast<int>(account.AccountId), account.Balance,
                  account.Equity));
}

void ProbeRunner::sessionDataSet(const std::string& context, std::size_t rows) {
  if (done_) return;
  print("DATASET " + context + " rows=" + std::to_string(rows));
}

void ProbeRunner::sessionCollections(std::size_t open, std::size_t pending, std::size_t settled,
                                     std::size_t cancelled) {
  if (done_) return;
  print("COLLECTION open " + std::to_string(open));
  print("COLLECTION pending " + std::to_string(pending));
  print("COLLECTION settled " + std::to_string(settled));
  print("COLLECTION cancelled " + std::to_string(cancelled));
  collectionsLoaded_ = true;
  considerOrder();
}

void ProbeRunner::sessionEnded(const std::string& reason) {
  if (done_ || disconnectPrinted_) return;
  const Ending end = ending(reason, connected_, sessionOpen_, address());
  disconnectPrinted_ = true;
  print("DISCONNECTED " + end.disconnect);
  // The session tells the shell after this call, and the shell posts each alert as a main-queue
  // task of its own; the result follows those tasks, so the ALERT lines come before it.
  queue_.post([this, end] { queue_.post([this, end] { finish(false, end.result, ""); }); });
}

// ---- the order ----

void ProbeRunner::considerOrder() {
  // The session calls its observer from inside its own handling; the order goes out from a task of
  // its own, once the handling is done.
  if (done_ || orderPlaced_ || placementQueued_ || !options_.order) return;
  placementQueued_ = true;
  queue_.post([this] {
    placementQueued_ = false;
    placeOrderWhenReady();
  });
}

void ProbeRunner::placeOrderWhenReady() {
  if (done_ || orderPlaced_ || !options_.order || !sessionOpen_ || !collectionsLoaded_ || !session_) return;
  const OrderSpec& spec = *options_.order;
  // A known instrument is ordered once it has a quote; an unknown one goes to the checks at once.
  const auto item = session_->referenceData().item(spec.code);
  if (item && !(item->Bid > 0 && item->Ask > 0)) return;

  int account = options_.account.value_or(0);
  if (!options_.account) {
    int lowest = INT_MAX;
    for (const auto& [key, details] : session_->AccountDetailCollection())
      if (details && details->AccountId > 0) lowest = std::min(lowest, static_cast<int>(details->AccountId));
    if (lowest == INT_MAX) {
      finish(false, "the user has no account to order for", "");
      return;
    }
    account = lowest;
  }

  OrderInfo info;
  info.itemCode = spec.code;
  info.accountNo = account;
  info.orderType = spec.orderType;
  info.tradingMode = spec.buy ? 0 : 1;
  info.deliveryMode = 1;
  info.timeinForce = 1;
  info.quantity = decimal(spec.quantity);
  if (spec.orderType != 1) info.price = decimal(spec.price);
  info.deviation = -1;

  orderPlaced_ = true;
  OrderMananger::Services services;
  services.notifications = notifications_;
  services.alerts = alerts_;
  services.mainQueue = &queue_;
  services.language = [] { return 0; };
  desk_ = std::make_shared<OrderMananger>(std::make_shared<BusinessBaseOrderSession>(session_), services);
  if (options_.proposedBrackets) {
    // The side of the position's take-profit and stop-loss: 1 protects a buy, 0 a sell.
    const int protecting = spec.buy ? 1 : 0;
    info.TakeProfitEnabled = info.StopLossEnabled = true;
    const auto proposed = [&](bool takeProfit) {
      return desk_->UpdateTakeProfitandStopLoss(protecting, spec.code, takeProfit, account, spec.orderType, info.price,
                                                PriceBounds::kPrefill);
    };
    info.limitPrice = proposed(true);
    info.stopPrice = proposed(false);
  }
  orderNoticeToken_ = notifications_->addObserver(OrderMananger::kPlaceOrderNotification, [this](const Notification& n) {
    if (const auto* text = n.objectAs<std::string>()) orderNotice(*text);
  });
  // The desk files the order record among the working orders before it sends it; the request id
  // it went out with (tag 33) comes back in the server's reports.
  const std::size_t filed = session_->PendingOrderCollection.size();
  const bool sent = desk_->PlaceOrder(info);
  if (!sent) {
    if (!done_) finish(false, "the order was not sent", "");
    return;
  }
  if (session_->PendingOrderCollection.size() <= filed || !session_->PendingOrderCollection.back()) {
    finish(false, "the order record was not filed", "");
    return;
  }
  track_.emplace(session_->PendingOrderCollection.back()->RequestId);
}

void ProbeRunner::orderNotice(const std::string& text) {
  if (done_ || text == OrderMananger::kAbortModal) return;
  print("REFUSED " + oneLine(text));
  finish(false, "refused", "");
}

void ProbeRunner::finishSoon(bool ok, const std::string& reason) {
  // The session goes on handling the report (its POSITION and JOURNAL lines), and an alert of it is
  // posted by the shell as a task of its own; the result follows them.
  queue_.post([this, ok, reason] { queue_.post([this, ok, reason] { finish(ok, reason, ""); }); });
}

// ---- TradingObserver ----

void ProbeRunner::tradingPosition(const Order& position) {
  if (!done_) print(positionLine(position));
}

void ProbeRunner::tradingSettled(const Order& settled) {
  if (!done_) print(settledLine(settled));
}

void ProbeRunner::tradingJournal(const std::string& line) {
  if (!done_) print(oneLine(journalLine(line)));
}

void ProbeRunner::tradingReport(const ReceivedMessage& report) {
  if (done_ || !track_) return;
  const auto outcome = track_->take(report);
  if (!outcome) return;
  print(outcome->line);
  if (outcome->final) finishSoon(true, "");
}

// ---- ChatObserver ----

void ProbeRunner::chatContacts(std::size_t groups, std::size_t users) {
  if (done_) return;
  print(contactsLine(groups, users));
  if (!options_.chat || chatSent_) return;
  chatSent_ = true;
  // The session calls its observer from inside its own handling; the line goes out from a task of
  // its own.
  queue_.post([this] { sendChat(); });
}

void ProbeRunner::sendChat() {
  if (done_ || !session_) return;
  const ChatModel& chat = session_->chat().model();
  for (const auto& [name, user] : chat.UserChatCollection()) {
    if (user && user->IsUserOnline && name != options_.user) {
      chatRoomKey_ = name;
      break;
    }
  }
  if (chatRoomKey_.empty()) {
    finish(false, "no online contact to chat with", "");
    return;
  }
  const ChatDesk::SendResult result = session_->chat().SendChat(chatRoomKey_, *options_.chat);
  if (result != ChatDesk::SendResult::Sent && result != ChatDesk::SendResult::Waiting) {
    finish(false, "chat refused: " + std::string(ChatDesk::describe(result)), "");
  }
}

void ProbeRunner::chatLine(const ChatRoom& room, const ChatMessageEntry& line) {
  if (done_) return;
  print(chatLineText(room, line));
  if (chatRoomKey_.empty() || line.sender == options_.user || !session_) return;
  if (session_->chat().model().room(chatRoomKey_).get() == &room) finishSoon(true, "");
}

void ProbeRunner::chatNotice(const ChatRoom& notice) {
  if (!done_) print(noticeLine(notice));
}

// ---- SessionShell ----

void ProbeRunner::showAlert(const SessionAlert& alert) {
  if (done_) return;
  print("ALERT " + alert.message);
}

}  // namespace td::probe
