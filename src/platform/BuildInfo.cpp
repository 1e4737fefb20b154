#include "platform/BuildInfo.h"

#ifndef TD_PRODUCT_VERSION
#error "TD_PRODUCT_VERSION must be defined by the build"
#endif

namespace td {

std::string BuildInfo::productName() { return "TarnwickDesk"; }
std::string BuildInfo::productVersion() { return TD_PRODUCT_VERSION; }

}  // namespace td
