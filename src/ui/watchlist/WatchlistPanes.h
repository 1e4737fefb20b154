#pragma once
// How the watchlist family joins the main window: the column and the expanding watchlist in the
// watchlist host, the symbol manager behind a toolbar button, the instrument details and the
// delivery receipts as sheets on the main window.

#include <cstddef>

namespace td {

class MainWindow;

// Once, when the main window is made.
void installWatchlists(MainWindow& window);

// The delivery receipt of a position as a sheet on the main window: `type` 1 for row `row` of the
// open-position list, 2 for row `row` of the executed-position list. False when the family is not
// installed on the window or the type is neither.
bool openDeliveryReceipt(MainWindow& window, int type, std::size_t row);

}  // namespace td
