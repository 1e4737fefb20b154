#pragma once
// What the three sheet controllers share: the session, the window they tell, whether the sheet is
// open and what it observes meanwhile, and the fields an order sheet shows of its record.

#include <optional>
#include <string>
#include <vector>

#include "ui/OwnOrderRequests.h"
#include "ui/positions/PositionsSession.h"
#include "ui/positions/SheetSupport.h"

namespace td {

struct ItemDetails;

// What a sheet controller tells its window: redraw from my state, or end the sheet.
class PositionSheetView {
 public:
  virtual ~PositionSheetView() = default;
  virtual void refresh() = 0;
  virtual void endSheet() = 0;
};

// The fields of the modify and the close or cancel sheets that show the record and send it.
struct SheetRecordFields {
  std::string boxTitle;
  std::string account;
  std::string symbol;
  std::string description;
  std::string quantity;  // the quantity combo's text
  std::vector<std::string> quantityList;
  bool quantityEnabled = false;
  std::string quantityDescription;
  std::string orderType;
  std::string buttonTitle;
  bool sendEnabled = false;

  // Account, symbol and the item's name.
  void showRecord(const Order& order, const ItemDetails* item);
  // The quantity list's entry at `index`; none outside the list.
  std::optional<std::string> listedQuantity(int index) const;
  // The record is gone: the send button is disabled and says so.
  void showGone(std::string text);
};

class PositionSheetController {
 public:
  virtual ~PositionSheetController() = default;
  PositionSheetController(const PositionSheetController&) = delete;
  PositionSheetController& operator=(const PositionSheetController&) = delete;

  void setView(PositionSheetView* view) { view_ = view; }
  bool isOpen() const { return open_; }
  // The id of the record the sheet acts on: an open position's, or a working order's.
  const std::string& recordId() const { return recordId_; }
  // `closeModal:`: stops observing and ends the sheet (once).
  void closeModal();

 protected:
  explicit PositionSheetController(PositionsSession& session) : session_(session) {}
  void setRecord(bool workingOrder, std::string id);
  // The record, looked up by its id in the list it belongs to; none once it is gone.
  std::shared_ptr<Order> record() const;
  // The send button's text once the record is gone.
  std::string goneText() const;
  // The record for a send; none after the fields were told that it is gone.
  std::shared_ptr<Order> recordToSend(SheetRecordFields& fields);
  // The order parameters every request of a sheet takes from its record: item, account,
  // delivery mode and time in force.
  static OrderInfo orderInfoOf(const Order& record);
  // The sheet opens: earlier observations end, and `withFeedback` observes the desk's
  // "PlaceOrderNotification" with ShowStatusMessage.
  void opened(bool withFeedback);
  // "PlaceOrderNotification" of the modify and close sheets: "AbortModal" closes the sheet, any
  // other text that answers the sheet's own request is shown in the "Info" alert and the sheet stays
  // open with its entries.
  void ShowStatusMessage(const Notification& notification);
  // The sheet's own call to the order desk lasts as long as the span: what the desk posts within it
  // answers this sheet (the ticket's refusals are the ticket's to show).
  OwnOrderRequests::Span ownRequest() { return ownRequests_.open(); }
  bool ownRequestUnderway() const { return ownRequests_.underway(); }
  void changed();
  // What else ends with the sheet (a timer).
  virtual void willClose() {}

  PositionsSession& session_;
  SheetSupport::Observation observation_;

 private:
  PositionSheetView* view_ = nullptr;
  bool open_ = false;
  OwnOrderRequests ownRequests_;
  bool workingOrder_ = false;
  std::string recordId_;
};

}  // namespace td
