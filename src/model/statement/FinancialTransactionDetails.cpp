#include "model/statement/FinancialTransactionDetails.h"

#include "model/Conversions.h"
#include "model/statement/TextReadings.h"
#include "wire/Separators.h"

namespace td {

FinancialTransactionDetails FinancialTransactionDetails::initWithMessage(std::string_view row) {
  FinancialTransactionDetails d;
  std::size_t column = 0, start = 0;
  while (column < 10) {
    const std::size_t end = row.find(MessageInnerTagSeperatortw, start);
    const std::string_view text = row.substr(start, end == std::string_view::npos ? row.npos : end - start);
    switch (column) {
      case 0: d.TransactionId = conv::toInt64(text); break;
      case 1: d.TransactionCode = text; break;
      case 2: d.AccountId = conv::toInt64(text); break;
      case 3: d.SubTransactionId = conv::toInt64(text); break;
      case 4: d.CrAmount = conv::toDouble(text); break;
      case 5: d.DrAmount = conv::toDouble(text); break;
      case 6: d.BalAmountPostTransaction = conv::toDouble(text); break;
      case 7: d.SubTransactionCode = text; break;
      case 8: d.Narration = text; break;
      case 9: d.TransactionDate = conv::ampDateToDisplay(text); break;
      default: break;
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
    ++column;
  }
  return d;
}

}  // namespace td
