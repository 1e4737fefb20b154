#pragma once
// One money movement of an account (deposit, withdrawal, charge, adjustment), as the
// financial-transaction search answers it and as the account statement lists it.

#include <cstdint>
#include <string>
#include <string_view>

namespace td {

struct FinancialTransactionDetails {
  std::int64_t TransactionId = 0;
  std::string TransactionCode;
  std::int64_t AccountId = 0;
  std::int64_t SubTransactionId = 0;  // the movement itself
  double CrAmount = 0;                // credited
  double DrAmount = 0;                // debited
  double BalAmountPostTransaction = 0;
  std::string SubTransactionCode;  // e.g. "DEP"
  std::string Narration;
  std::string TransactionDate;  // "MM/dd/yyyy HH:mm:ss"
  std::int32_t TransactionType = 0;     // set by the statement only
  std::int32_t SubTransactionType = 0;  // set by the statement only

  // One row of the financial-transaction reply, columns cut at 0x05: 0 TransactionId,
  // 1 TransactionCode, 2 AccountId, 3 SubTransactionId, 4 CrAmount, 5 DrAmount,
  // 6 BalAmountPostTransaction, 7 SubTransactionCode, 8 Narration, 9 TransactionDate (wire time
  // stamp, re-written for display; "" when it does not parse). Missing columns leave their field
  // unset; columns from 10 on are ignored.
  static FinancialTransactionDetails initWithMessage(std::string_view row);
};

// A transaction of the account statement; the statement also fills TransactionType and
// SubTransactionType.
struct FinancialTransactionHistoryInfo : FinancialTransactionDetails {};

}  // namespace td
