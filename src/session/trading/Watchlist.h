#pragma once
// Saving the watchlist: the list is stored per user in the user defaults (written to disk at once,
// atomically, so a crash never leaves a half-written or lost list), every listed instrument is
// subscribed, and the instruments that left the list and that no visible position or working order
// holds are unsubscribed.

#include <optional>
#include <string>
#include <vector>

#include "model/ReferenceData.h"
#include "platform/Defaults.h"
#include "session/trading/OrderBook.h"
#include "session/trading/TradingEvents.h"

namespace td {

class Watchlist {
 public:
  // The stored list of the user, or nothing.
  static std::optional<std::vector<std::string>> stored(const Defaults& defaults, const std::string& userName);
  // Stores the list under the user name and writes the store to disk now. False (with a log line)
  // when the user name is the key of another setting (such as "SoundKey"), which is left as it is,
  // or when the write failed: the previous file stays whole and the list stays in the store's
  // memory, to be written by its next successful write.
  static bool store(Defaults& defaults, const std::string& userName, const std::vector<std::string>& codes);

  struct SaveResult {
    bool stored = false;
    std::vector<std::string> subscribed;    // S: the new list, then the codes of visible positions and working orders
    std::vector<std::string> unsubscribed;  // U: what was in use before and is not in S
  };

  // `SaveItemstoWatchList:`: stores w, subscribes S, unsubscribes U (the request is made even when U
  // is empty), then selectedSymbols becomes w. Item flags are left to the window.
  static SaveResult SaveItemstoWatchList(const std::vector<std::string>& w, OrderBook book,
                                         const ReferenceData& reference, std::vector<std::string>& selectedSymbols,
                                         Defaults& defaults, const std::string& userName, TradingEvents& events);
};

}  // namespace td
