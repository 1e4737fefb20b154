#pragma once
// What the banners ask of the desktop: open a web address in the user's browser, end the
// application.

#include <string>

namespace td {

// Opens an http or https address; any other address is refused with a log line. Returns whether
// the address was handed to the desktop.
bool openWebAddress(const std::string& address);
// Ends the application's event loop.
void quitApplication();

}  // namespace td
