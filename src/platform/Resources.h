#pragma once
// Where the application's resources (strings tables, server presets, sounds, images) are found.

#include <filesystem>

namespace td {

class Resources {
 public:
  // The folder named by the environment variable TARNWICKDESK_RESOURCES when it is set and not
  // empty, else the folder the build configured (TD_RESOURCE_DIR). Read afresh on every call.
  static std::filesystem::path directory();
};

}  // namespace td
