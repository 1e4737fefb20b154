#include "session/trading/Watchlist.h"

#include <unordered_set>

#include "platform/Log.h"
#include "session/trading/ReadSide.h"

namespace td {

namespace {

std::string joined(const std::vector<std::string>& codes) {
  std::string out = "(";
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i) out += ", ";
    out += codes[i];
  }
  return out + ")";
}

}  // namespace

std::optional<std::vector<std::string>> Watchlist::stored(const Defaults& defaults, const std::string& userName) {
  return defaults.stringArrayValue(userName);
}

bool Watchlist::store(Defaults& defaults, const std::string& userName, const std::vector<std::string>& codes) {
  const std::optional<Defaults::Value> stored = defaults.object(userName);
  if (stored && !std::holds_alternative<std::vector<std::string>>(*stored)) {
    TD_LOG_WARN("watchlist not stored: the defaults key of the user name holds another setting");
    return false;
  }
  defaults.setStringArray(userName, codes);
  if (const auto error = defaults.synchronize()) {
    TD_LOG_ERROR("Watchlist of " + userName + " not written: " + error->text);
    return false;
  }
  return true;
}

Watchlist::SaveResult Watchlist::SaveItemstoWatchList(const std::vector<std::string>& w, OrderBook book,
                                                      const ReferenceData& reference,
                                                      std::vector<std::string>& selectedSymbols, Defaults& defaults,
                                                      const std::string& userName, TradingEvents& events) {
  SaveResult result;
  result.stored = store(defaults, userName, w);

  const ReadSide read(book, reference, selectedSymbols);
  std::unordered_set<std::string> inS;
  auto addToS = [&](const std::string& code) {
    if (inS.insert(code).second) result.subscribed.push_back(code);
  };
  for (const std::string& code : w) addToS(code);
  for (const OrderPtr& order : read.getOpenOrderCollection()) addToS(order->ItemCode);
  for (const OrderPtr& order : read.getPendingOrderCollection()) addToS(order->ItemCode);
  events.subscribeItems(result.subscribed, true);
  TD_LOG_INFO("subscribeItems " + joined(result.subscribed));

  for (const std::string& code : read.getAllItems()) {
    if (!inS.count(code)) result.unsubscribed.push_back(code);
  }
  events.subscribeItems(result.unsubscribed, false);
  TD_LOG_INFO("unsubscribeItems " + joined(result.unsubscribed));

  selectedSymbols = w;
  return result;
}

}  // namespace td
