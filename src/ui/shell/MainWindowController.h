#pragma once
// What the main window shows and does, without widgets: the account strip, the network strip with
// its speed rating and the server clock, the 1-second refresh (floating profit and loss, the
// account's figures, the idle check), the mini charts' symbols and drops, and the rules of its
// split views. The Qt main window (MainWindow) binds to it.
//
// Made once, at the first accepted login, and kept for the rest of the run. Main thread only.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

namespace td {

class BusinessBase;
class IdleTimeChecker;
struct AccountDetails;

// The five texts of the account summary strip.
struct AccountStrip {
  std::string accountId;
  std::string balance;
  std::string profitLoss;
  std::string usedMargin;
  std::string availableMargin;
};

// The three controls of the network strip for one speed rating.
struct NetworkStatus {
  const char* indicatorImage;   // "Network_Speed_Excellent.png" ...
  const char* connectionImage;  // "network-status-online.png" ...
  const char* textKey;          // "0051" or "1007"
};

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void showAccountStrip(const AccountStrip& strip) = 0;
  // The network strip; the clock text only when the rating came with a server time.
  virtual void showNetworkStatus(const NetworkStatus& status, const std::string& text,
                                 const std::optional<std::string>& serverClock) = 0;
  // Mini chart 1..4 shows `symbol` with key "<interval>#<type>" (the start), or keeps its interval
  // and type and changes only its symbol (a drop: key empty).
  virtual void setChartSymbol(int chart, const std::string& symbol, const std::string& key) = 0;
};

class MainWindowController {
 public:
  struct Services {
    NotificationCenter* notifications = nullptr;
    MainQueue* mainQueue = nullptr;
    std::function<std::shared_ptr<BusinessBase>()> session;
    std::function<int()> language;
    IdleTimeChecker* idle = nullptr;  // none: no idle quit
    Clock::Duration refreshInterval = std::chrono::seconds(1);
  };

  static constexpr const char* CHART_IDENTIFIERS[4] = {"Chart1", "Chart2", "Chart3", "Chart4"};
  static constexpr const char* WL_SPLIT_IDN = "1000";
  static constexpr const char* OPEN_SPLIT_IDN = "1001";

  explicit MainWindowController(Services services);
  ~MainWindowController();
  MainWindowController(const MainWindowController&) = delete;
  MainWindowController& operator=(const MainWindowController&) = delete;

  void setView(MainWindowView* view) { view_ = view; }

  // `windowDidLoad`: observes the network speed and the symbols dropped on the mini charts, takes the first account, starts the refresh timer
  // and gives the mini charts their symbol.
  void windowDidLoad();
  // A later login in the same run: the strip follows the first account of the new session (the
  // old record belongs to a session that is gone), and the mini charts its first symbol.
  void sessionOpened();

  // `RefreshValues`: CalcFloatingPL, loadAccountDetails, the idle check.
  void RefreshValues();
  void CalcFloatingPL();
  void loadAccountDetails();

  // `setAccount:` (the accounts table's click) and `account`.
  void setAccount(std::shared_ptr<AccountDetails> account);
  const std::shared_ptr<AccountDetails>& account() const { return account_; }

  // `changeNetworkStatusimage:`.
  void changeNetworkStatusimage(const Notification& notification);
  // `ReloadDataforChart:` of a symbol dropped on a mini chart's host.
  void ReloadDataforChart(const std::string& symbol, const std::string& identifier);

  // The ticket button acts only when the session has a selected symbol.
  bool canOpenTradeTicket() const;

  static AccountStrip accountStrip(const AccountDetails* account, int language);
  // "%.2f", regrouped as an en_US decimal with thousands separators ("12,345.60").
  static std::string formatFigure(double value);
  static std::optional<NetworkStatus> networkStatus(int rating);
  // "yyyyMMddHHmmss" to "MMM dd, yyyy HH:mm:ss"; empty when it does not read.
  static std::string serverClock(const std::string& serverTime);

  // The split views' rules by identifier ("1000" the watchlist split, "1001" the positions split).
  struct SplitRules {
    static double constrainMinCoordinate(const std::string& identifier, double leftFrameWidth);
    static double constrainMaxCoordinate(const std::string& identifier, double leftFrameWidth);
    static bool canCollapseSubview(const std::string& identifier, int subview);
    static bool shouldHideDivider(const std::string& identifier);
  };

 private:
  void getAccountDetails();
  void getChartSymbolDetails();
  int language() const { return services_.language ? services_.language() : 0; }

  Services services_;
  MainWindowView* view_ = nullptr;
  std::shared_ptr<AccountDetails> account_;
  ObserverToken speedToken_ = 0;
  ObserverToken dragToken_ = 0;
  TimerHandle refreshTimer_;
  bool loaded_ = false;
};

}  // namespace td
