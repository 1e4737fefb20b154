#pragma once
// The order ticket's family in the main window: the one opener of the ticket (installed in the GUI
// objects, so the main window's button, a watchlist row or a menu all open the same ticket) and the
// main window's ticket button. The ticket's controller and window are made on first opening and
// kept for the rest of the run.

class QWidget;

namespace td {

class MainWindow;

void installTradeTicket(MainWindow& window);

// The ticket's window once it was first opened, else nullptr (the screen lock brings it back).
QWidget* tradeTicketWindow(const MainWindow& window);

}  // namespace td
