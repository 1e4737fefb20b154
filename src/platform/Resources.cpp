#include "platform/Resources.h"

#include <cstdlib>

namespace td {

std::filesystem::path Resources::directory() {
  if (const char* dir = std::getenv("TARNWICKDESK_RESOURCES"); dir && *dir) return dir;
  return TD_RESOURCE_DIR;
}

}  // namespace td
