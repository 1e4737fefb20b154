#pragma once
// The account summary (message type 1045) with its trading-status and margin-status reactions, the
// password-change reply (38) and the demo-registration reply (1027).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ReferenceData.h"
#include "session/ReceivedMessage.h"
#include "session/trading/TradingEvents.h"

namespace td {

class AccountSummary {
 public:
  // `getAllItems` of the session, read when a status change (re)subscribes or unsubscribes.
  using AllItems = std::function<std::vector<std::string>()>;

  // The client's trading status for a server code of tag 24: 814 Normal 1, 815 View Only 2,
  // 816 Suspended 3, 817 Close Position Only 4, 819 Closed 6, 825 Equity Hit 5; anything else 0.
  static std::int32_t tradingStatusForServerCode(std::int32_t serverCode);

  // `UpdateAccountDetails::`. A summary for an unknown account is ignored. A change of trading
  // status acts once: 1, 2, 4 subscribe every item in use; 3 and 6 unsubscribe them when the user
  // has this one account only; 5 asks for the equity-hit prices. A margin status that changes to 2
  // raises the margin-call banner (again only after it has left 2).
  static void UpdateAccountDetails(const ReceivedMessage& report, std::string_view accountKey, const ReferenceData& reference,
                                   TradingEvents& events, const AllItems& allItems);

  // `UpdateUserInfo:`: only a reply whose result (tag 17) is "success" in any case replaces the
  // stored password with tag 103 and posts "PasswordChangeNotification"; any other result changes
  // nothing, so a failed change never leaves the client with a password the server refused; it
  // tells the change-password sheet of the refusal ("PasswordChangeRefusedNotification").
  static void UpdateUserInfo(const ReceivedMessage& report, TradingEvents& events);

  // `DemoUserCreationResponse:`: with both the user name (23) and its password (18) the
  // registration window gets "<user>/<password>"; otherwise the failure alert.
  static void DemoUserCreationResponse(const ReceivedMessage& report, TradingEvents& events);
};

}  // namespace td
