#pragma once
// A message the server attaches to the login reply, with the code saying what it is about.

#include <cstdint>
#include <string>

namespace td {

struct LoginInfoMessage {
  std::int32_t DisplayMode = 0;
  std::string Message;
  std::int32_t ErrorCode = 0;
  std::int32_t serverError = 0;

  // The codes a login message may carry: 1 to 15, 101 to 103, 201, 202, 301, 401 to 406, 1001.
  static bool isEnumDefined(std::int32_t code) {
    return (code >= 1 && code <= 15) || (code >= 101 && code <= 103) || code == 201 || code == 202 ||
           code == 301 || (code >= 401 && code <= 406) || code == 1001;
  }
};

}  // namespace td
