#include "app/Panes.h"

#include "ui/MainWindow.h"
#include "ui/watchlist/WatchlistPanes.h"

namespace td {

void installPanes(MainWindow& window) {
  // One line per window family, in the order their toolbar buttons appear.
  installWatchlists(window);
}

}  // namespace td
