#include "app/Panes.h"

#include "ui/MainWindow.h"
#include "ui/charts/ChartPanes.h"
#include "ui/chat/ChatWindows.h"
#include "ui/news/NewsView.h"
#include "ui/positions/PositionsPane.h"
#include "ui/reporting/ReportingPanes.h"
#include "ui/ticket/TradeTicket.h"
#include "ui/watchlist/WatchlistPanes.h"

namespace td {

void installPanes(MainWindow& window) {
  // One line per window family, in the order their toolbar buttons appear.
  installWatchlists(window);
  PositionsPane* lists = installPositionLists(window);
  // A position's delivery receipt comes from the watchlist family's details sheet.
  lists->setDeliveryReceiptOpener([&window](int detailViewType, const std::string& positionId) {
    openDeliveryReceipt(window, detailViewType, positionId);
  });
  installTradeTicket(window);
  installReporting(window);
  installChatWindows(window);
  installNews(window);
  installCharts(window);
}

}  // namespace td
