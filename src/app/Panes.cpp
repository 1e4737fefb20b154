#include "app/Panes.h"

#include "ui/MainWindow.h"
#include "ui/positions/PositionsPane.h"

namespace td {

void installPanes(MainWindow& window) {
  // One line per window family, in the order their toolbar buttons appear.
  installPositionLists(window);
}

}  // namespace td
