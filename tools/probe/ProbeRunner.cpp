#include "ProbeRunner.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "model/ReferenceData.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "session/BusinessBase.h"
#include "session/ShellReactions.h"

namespace td::probe {
namespace {

std::string formatted(const char* format, auto... values) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, values...);
  return buf;
}

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
  session_.reset();  // closes the transport and joins its threads
  reactions_.reset();
  defaults_.reset();
  std::error_code ec;
  std::filesystem::remove(defaultsFile_, ec);
  if (MainQueue::instance() == &queue_) MainQueue::setInstance(nullptr);
}

std::string ProbeRunner::address() const { return options_.host + ":" + std::to_string(options_.port); }

void ProbeRunner::print(const std::string& line) {
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

int ProbeRunner::run() {
  MainQueue::setInstance(&queue_);
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
    finish(false, "placing orders is not available in this build", "");
  } else if (options_.ticks <= 0) {
    finish(true, "", "");
  }
}

void ProbeRunner::sessionTick(const ItemDetails& item) {
  if (done_ || !sessionOpen_ || ticks_ >= options_.ticks) return;
  const int decimals = item.DecimalPlaces > 0 ? item.DecimalPlaces : 2;
  print(formatted("TICK %s %.*f %.*f", item.Code.c_str(), decimals, item.Bid, decimals, item.Ask));
  if (++ticks_ >= options_.ticks) finish(true, "", "");
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

// ---- SessionShell ----

void ProbeRunner::showAlert(const SessionAlert& alert) {
  if (done_) return;
  print("ALERT " + alert.message);
}

}  // namespace td::probe
