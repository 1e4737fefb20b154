#pragma once
// How the client names itself: the product name it sends at login and the version of this build.

#include <string>

namespace td {

class BuildInfo {
 public:
  // "TarnwickDesk"; also the application name shown in alert titles and banners.
  static std::string productName();
  // The project version of the build, e.g. "1.0.0".
  static std::string productVersion();
};

}  // namespace td
