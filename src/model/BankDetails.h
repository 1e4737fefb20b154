#pragma once
// One bank account of a trading account (fields in the column order of the bank-account reply).

#include <cstdint>
#include <string>

namespace td {

struct BankDetails {
  std::uint64_t BankAccountId = 0;
  std::uint64_t BankAccountNumber = 0;
  std::uint64_t BankBranchId = 0;
  std::string AccountName;
  std::uint64_t CurrencyId = 0;
  std::string Remarks;
  std::string BankName;
};

}  // namespace td
