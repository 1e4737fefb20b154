#pragma once
// Where the window families join the main window: each family's install function puts its panes
// into the main window's hosts and its tabs and toolbar buttons into the window, once, when the
// main window is made. A family reaches the session of the moment through AppContext::current()
// (a new login replaces it; "LoginSuccessNotification" tells when).

namespace td {

class MainWindow;

void installPanes(MainWindow& window);

}  // namespace td
