#pragma once
// The product row of the login data set (read, then handed back to the caller; nothing keeps it).

#include <cstdint>
#include <string>

namespace td {

struct ProductInfo {
  std::int32_t ProductId = 0;
  std::string ProductName;
  std::string LatestBuild;
  std::string LatestSupportedBuild;
};

}  // namespace td
