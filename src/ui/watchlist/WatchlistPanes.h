#pragma once
// How the watchlist family joins the main window: the column and the expanding watchlist in the
// watchlist host, the symbol manager behind a toolbar button, the instrument details and the
// delivery receipts as sheets on the main window.

#include <string>

namespace td {

class MainWindow;

// Once, when the main window is made.
void installWatchlists(MainWindow& window);

// The delivery receipt of a position as a sheet on the main window: `type` 1 for the open position
// `positionId`, 2 for that executed position. False when the family is not installed on the window
// or the type is neither.
bool openDeliveryReceipt(MainWindow& window, int type, const std::string& positionId);

}  // namespace td
