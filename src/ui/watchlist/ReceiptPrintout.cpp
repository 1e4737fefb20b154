#include "ui/watchlist/ReceiptPrintout.h"

#include <QTextCursor>

#include "ui/printing/MSTablePrint.h"
#include "ui/printing/PrintTextView.h"

namespace td {

std::shared_ptr<PrintTextView> receiptPrintout(const TableGrid& grid) {
  auto view = std::make_shared<PrintTextView>(QStringLiteral("Delivery Receipt"));
  QTextCursor cursor(&view->document());
  MSTablePrint().attributedStringFromItems(cursor, grid);
  return view;
}

}  // namespace td
