#pragma once
// The delivery receipt as a print-out: its grid (row 0 the column identifiers) as one table, under
// the job title "Delivery Receipt" on every page.

#include <memory>

#include "ui/printing/TableGrid.h"

namespace td {

class PrintTextView;

std::shared_ptr<PrintTextView> receiptPrintout(const TableGrid& grid);

}  // namespace td
