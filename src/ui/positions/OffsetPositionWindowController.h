#pragma once
// The offset sheet: closes an open position against open positions of the other side in the same
// account, item and delivery mode. The user ticks rows and chooses how much of each to offset; the
// chosen rows go to the order desk as the offset list, and the sheet closes when the server's
// answer arrives ("CloseHedgePositionNotification"); the desk's "AbortModal" leaves it open.
//
// The offset list: the head section "<position id> 0x05 <total> 0x06 0x07", then one record
// "<row's position id> 0x05 <row's quantity> 0x06" per ticked row in the order of ticking, then
// 0x07.
//
// The sheet holds its position's id and disables its send button with a short text once that
// position is gone.

#include <memory>
#include <string>
#include <vector>

#include "ui/positions/CoalescedTask.h"
#include "ui/positions/PositionSheetController.h"

namespace td {

// One row of the sheet: an opposite position and how much of it to offset.
struct OffsetPosition {
  std::string accountNo;
  std::string itemCode;
  std::string postionId;
  std::string closePrice;  // the row position's own open price
  std::int32_t tradingMode = 0;
  double profitLoss = 0;
  std::string totalQty;
  std::string QtyAvailable;
  std::string offsetQty = "0";
};

class OffsetPositionWindowController final : public PositionSheetController {
 public:
  struct State {
    std::string boxTitle;
    std::string account;
    std::string symbol;
    std::string openPrice;
    std::string quantity;
    std::string offsetQuantity;
    std::string remainingQuantity;
    std::string buttonTitle;  // empty while the position stands
    bool sendEnabled = false;
  };

  // The table's columns; each identifier is also the header title.
  enum Column { Check, PositionId, ClosePrice, Type, UnrealizedPL, TotalQty, QtyAvailable, OffsetQty, ColumnCount };
  static const char* columnIdentifier(int column);

  explicit OffsetPositionWindowController(PositionsSession& session);
  ~OffsetPositionWindowController() override;

  // The list's opening: the position's id, the fill and the observers.
  void open(std::string openPositionId);
  const std::string& openPositionNo() const { return recordId(); }
  const State& state() const { return state_; }

  void UpdateValuesinWindow();
  int numberOfRows() const { return static_cast<int>(offsetCollection_.size()); }
  const OffsetPosition& row(int index) const { return offsetCollection_.at(static_cast<std::size_t>(index)); }
  bool isTicked(int index) const;
  // The text of a cell of the table.
  std::string cellText(int row, int column) const;
  // `hitCheckbox:`: ticks or unticks a row; either way its offset quantity starts at 0.
  void hitCheckbox(int index);
  // The choices of a ticked row's offset quantity (none for an unticked row).
  std::vector<std::string> offsetQuantityChoices(int index) const;
  // `QuantitySelectedAtIndex:Quantity:`.
  void QuantitySelectedAtIndex(int index, const std::string& quantity);
  void updateTextFieldValues();
  void OffsetButtonClicked();
  void ShowNotificationMessage(const Notification& notification);

  // The offset list of a head position and total and the rows (id, quantity), in that order.
  static std::string offsetList(const std::string& openPositionNo, const std::string& total,
                                const std::vector<std::pair<std::string, std::string>>& rows);

 private:
  void recheck();
  void markGone();

  State state_;
  std::vector<OffsetPosition> offsetCollection_;
  std::vector<std::size_t> checkPoints_;  // ticked rows, in the order of ticking
  CoalescedTask recheckTask_{[this] { recheck(); }};
};

}  // namespace td
