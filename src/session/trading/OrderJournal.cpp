#include "session/trading/OrderJournal.h"

#include "model/JournalData.h"
#include "wire/Formatter.h"

namespace td {

std::string OrderJournal::journalTime(const std::optional<std::string>& serverTime) {
  if (!serverTime) return {};
  return Formatter::formatDateandTimeFromString(*serverTime, AMP_DATE_FORMAT, "MMM dd, yyyy HH:mm:ss")
      .value_or(std::string());
}

std::string OrderJournal::getOrderJournalData(int code, const Order& o, const std::optional<std::string>& serverTime) {
  std::string text;
  switch (code) {
    case 3: text = "Order is under processing " + o.ItemCode + " Request id : " + std::to_string(o.RequestId); break;
    case 4:
      text = "Order pending for " + o.ItemCode + " Pending id : " + o.PendingOrderId +
             " Remaining Quantity : " + o.RemainingQty;
      break;
    case 5: text = o.ItemCode + " Pending id : " + o.PendingOrderId; break;
    case 6: text = "Order confirmed for " + o.ItemCode + " #" + o.OpenPositionId + " @" + o.OrderPrice; break;
    case 7: text = "Order settled for " + o.ItemCode + " #" + o.SettlementId + " @" + o.SettledPrice; break;
    case 8: text = "Order rejected for " + o.ItemCode; break;
    default: return {};
  }
  return journalTime(serverTime) + JournalData::kSeparator + text;
}

}  // namespace td
