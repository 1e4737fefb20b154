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
#include "ui/positions/PositionSheetView.h"
#include "ui/positions/PositionsSession.h"
#include "ui/positions/SheetSupport.h"

namespace td {

class ClosendCancelPositionWindowController {
 public:
  struct State {
    std::string boxTitle;
    std::string account;
    std::string symbol;
    std::string description;
    std::string quantity;  // the quantity combo's text
    std::vector<std::string> quantityList;
    bool quantityEnabled = false;
    std::string quantityDescription;
    std::string orderType;
    std::string orderPrice;
    std::string currentPrice;
    std::string estimatedPL;
    bool estimatedPLVisible = false;
    std::string buttonTitle;
    bool sendEnabled = false;
    bool deviationVisible = false;
    bool deviationChecked = false;
    bool deviationEnabled = false;
    std::string deviation;
  };

  explicit ClosendCancelPositionWindowController(PositionsSession& session,
                                                 Clock::Duration refreshInterval = std::chrono::seconds(1));
  ~ClosendCancelPositionWindowController();
  ClosendCancelPositionWindowController(const ClosendCancelPositionWindowController&) = delete;
  ClosendCancelPositionWindowController& operator=(const ClosendCancelPositionWindowController&) = delete;

  void setView(PositionSheetView* view) { view_ = view; }

  // The list's opening: the mode, the record's id, then the fill, the timer and the observers.
  void open(int mode, std::string recordId);
  int closeorcancelOrder() const { return mode_; }
  const std::string& recordId() const { return recordId_; }
  bool isOpen() const { return open_; }
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
  // "PlaceOrderNotification": "AbortModal" closes, any other text is shown.
  void ShowStatusMessage(const Notification& notification);
  void closeModal();

 private:
  std::shared_ptr<Order> record() const;
  void fillCancel(const Order& order);
  void fillClose(const Order& position);
  void refreshClose(const Order& position, bool rewriteTexts);
  void setDeviationControlProperties();
  void checkDeviationisAvailable(const Order& order);
  void markGone();
  std::string sideWord(const Order& position) const;
  double closingPrice(const Order& position) const;
  void changed();

  PositionsSession& session_;
  Clock::Duration refreshInterval_;
  PositionSheetView* view_ = nullptr;
  int mode_ = 0;
  std::string recordId_;
  bool open_ = false;
  State state_;
  TimerHandle timer_;
  SheetSupport::Observation observation_;
};

}  // namespace td
