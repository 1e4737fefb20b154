#pragma once
// The close or cancel sheet: closes all or part of an open position at market (mode 0), or cancels
// a working order (mode 1), through the order desk; closes when the desk answers "AbortModal".
//
// The sheet holds the id of its record, not a row: it finds the record again by that id at every
// fill, refresh and send. When the record is gone (closed, filled, cancelled meanwhile) the fields
// keep what they showed and the send button is disabled with a short text saying so.
//
// The quantity offered for a close is what working close orders of the position leave; a close
// above it is refused by the desk ("Quantity cannot be more than %@" with that quantity). Prices
// and the estimated profit or loss are refreshed every second while the sheet is open.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/MainQueue.h"
#include "ui/positions/PositionSheetController.h"

namespace td {

class ClosendCancelPositionWindowController final : public PositionSheetController {
 public:
  struct State : SheetRecordFields {
    std::string orderPrice;
    std::string currentPrice;
    std::string estimatedPL;
    bool estimatedPLVisible = false;
    bool deviationVisible = false;
    bool deviationChecked = false;
    bool deviationEnabled = false;
    std::string deviation;
  };

  explicit ClosendCancelPositionWindowController(PositionsSession& session,
                                                 Clock::Duration refreshInterval = std::chrono::seconds(1));
  ~ClosendCancelPositionWindowController() override;

  // The list's opening: the mode, the record's id, then the fill, the timer and the observers.
  void open(int mode, std::string recordId);
  int closeorcancelOrder() const { return mode_; }
  const State& state() const { return state_; }

  void UpdateValuesinWindow();
  // The refresh: from the timer (true) or after a quantity edit (false, which also rewrites the
  // quantity texts and the button title).
  void UpdateValuesonTimer(bool fromTimer);
  // The quantity typed (`controlTextDidChange:`) or picked from the list.
  void quantityEdited(const std::string& text);
  void quantityChosen(int index);
  void deviationCheckboxSelect(bool checked);
  void deviationEdited(const std::string& text);
  // True when the deviation entry is unusable (after telling the user).
  bool DeviationValidation();
  void CloseandCancelButtonClicked();

 private:
  void willClose() override { timer_.cancel(); }
  void fillCancel(const Order& order);
  void fillClose(const Order& position);
  void refreshClose(const Order& position, bool rewriteTexts);
  void setDeviationControlProperties();
  void checkDeviationisAvailable(const Order& order);
  void markGone();
  std::string sideWord(const Order& position) const;
  double closingPrice(const Order& position) const;

  Clock::Duration refreshInterval_;
  int mode_ = 0;
  State state_;
  TimerHandle timer_;
};

}  // namespace td
