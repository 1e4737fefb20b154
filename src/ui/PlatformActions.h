#pragma once
// What the banners ask of the desktop: open a web address in the user's browser, bring the
// application to the front, end the application.

#include <string>

namespace td {

// Opens an http or https address; any other address is refused with a log line. Returns whether
// the address was handed to the desktop.
bool openWebAddress(const std::string& address);
// Brings the application to the front: its active window, else its first visible window that is
// not a tool window (a banner), is raised and activated. Nothing when it shows no such window.
void activateApplication();
// Ends the application's event loop.
void quitApplication();

}  // namespace td
