#pragma once
// Addresses the application opens on the user's behalf (the download address of an update offer)
// come from the server: only web addresses are opened.

#include <string_view>

namespace td {

// True when the address is an absolute http or https address with a host ("HTTPS://host/x" too);
// false for every other scheme, a relative address, or text with control characters or spaces.
bool isOpenableWebAddress(std::string_view address);

}  // namespace td
