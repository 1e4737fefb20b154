#pragma once
// The links of a session object's trading desk (notification centre, main queue, banner centre,
// user defaults, trading observer), for the handlers of its message families that tell the windows
// and the user through the desk's notifications.

#include "session/BusinessBase.h"
#include "session/trading/TradingDesk.h"

namespace td {

TradingDesk::Links tradingLinks(const BusinessBase::Environment& env);

}  // namespace td
