#pragma once
// Name of an instrument type.

#include <cstdint>
#include <string>

namespace td {

struct ItemType {
  std::int32_t InstrumentTypeId = 0;
  std::string InstrumentTypeName;
};

}  // namespace td
