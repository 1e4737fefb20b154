#pragma once
// The modify sheet: edits a working order (mode 1: quantity unless it is a position's bracket,
// price, take-profit and stop-loss) or the take-profit and stop-loss of an open position (mode 0),
// through the order desk; closes when the desk answers "AbortModal".
//
// Like the close sheet it holds its record's id, finds the record by it when it fills and sends,
// and disables its send button with a short text once the record is gone.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/positions/CoalescedTask.h"
#include "ui/positions/PositionSheetController.h"

namespace td {

class ModifyPositionWindowController final : public PositionSheetController {
 public:
  // A take-profit or stop-loss: check box, price field and stepper.
  struct Bracket {
    bool visible = true;
    bool checked = false;
    bool enabled = false;  // the field and the stepper
    std::string price;
    // The price is the sheet's proposal (not the record's, nor typed or stepped to): it follows the
    // order price it was measured from.
    bool proposed = false;
  };
  struct State : SheetRecordFields {
    std::string orderPrice;
    bool orderPriceEditable = false;
    Bracket takeProfit;
    Bracket stopLoss;
    // An open position's bracket edit with neither box ticked, for a position without a take-profit
    // and a stop-loss: it would change nothing, and Modify sends nothing.
    bool nothingToModify = false;
  };

  explicit ModifyPositionWindowController(PositionsSession& session);
  ~ModifyPositionWindowController() override;

  // The list's opening: the mode (0 an open position's bracket, 1 a working order) and the id.
  void open(int mode, std::string recordId);
  int editOrder() const { return mode_; }
  const State& state() const { return state_; }

  void UpdateValuesinWindow();
  void takeProfitCheckboxSelect(bool checked);
  void stopLossCheckboxSelect(bool checked);
  void takeProfitEdited(const std::string& text) { edited(state_.takeProfit, text); }
  void stopLossEdited(const std::string& text) { edited(state_.stopLoss, text); }
  // A stepper press: one tick up (+1) or down (-1) from the field's price.
  void takeProfitStepperButtonPressed(int direction);
  void stopLossStepperButtonPressed(int direction);
  void orderPriceEdited(const std::string& text);
  void quantityEdited(const std::string& text);
  void quantityChosen(int index);
  void ModifyButtonClicked();

 private:
  void recheck();
  void markGone();
  void tick(Bracket& bracket, bool takeProfit, bool checked);
  // The price the desk proposes for the bracket of the record (none when the record went).
  std::optional<std::string> proposal(bool takeProfit) const;
  static void edited(Bracket& bracket, const std::string& text) {
    bracket.price = text;
    bracket.proposed = false;
  }
  // Whether the sheet is a bracket edit of `record` that its boxes leave without any change.
  bool nothingToModify(const Order& record) const;
  void step(Bracket& bracket, int direction);

  int mode_ = 0;
  State state_;
  CoalescedTask recheckTask_{[this] { recheck(); }};
};

}  // namespace td
