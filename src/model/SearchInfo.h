#pragma once
// Criteria of a search window, handed to the data-set requests.

#include <chrono>
#include <optional>
#include <string>

namespace td {

struct SearchInfo {
  std::optional<std::chrono::system_clock::time_point> FromDate;
  std::optional<std::chrono::system_clock::time_point> ToDate;
  std::string TransactionDetails;
  std::string AccountNumber;
};

}  // namespace td
