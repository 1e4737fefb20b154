#pragma once
// How the lists open their sheets on the main window. The lists hand over the id of the row's
// record, never its row index: a sheet finds its record by that id for as long as it is open.

#include <string>

namespace td {

class PositionSheetOpener {
 public:
  virtual ~PositionSheetOpener() = default;

  // A sheet is on the main window: the row menus offer nothing meanwhile.
  virtual bool isSheetOpen() const = 0;
  // Mode 0 closes the open position `recordId`, mode 1 cancels the working order `recordId`.
  virtual void openCloseOrCancelSheet(int mode, const std::string& recordId) = 0;
  // Mode 0 edits the take-profit and stop-loss of the open position, mode 1 the working order.
  virtual void openModifySheet(int mode, const std::string& recordId) = 0;
  virtual void openOffsetSheet(const std::string& openPositionId) = 0;
  // The delivery receipt belongs to the instrument details family: none may be installed.
  // Detail view type 1 is an open position, 2 an executed one.
  virtual bool canShowDeliveryReceipt() const = 0;
  virtual void openDeliveryReceipt(int detailViewType, const std::string& positionId) = 0;
};

}  // namespace td
