#pragma once
// The logged-in user, with the ports of the two ZeroMQ channels.

#include <cstdint>

namespace td {

struct UserInfo {
  std::int32_t UserId = 0;
  std::int32_t LastRefId = 0;
  std::int32_t DdeEnabled = 0;
  bool UserEnabled = false;
  std::int32_t UserTypeId = 0;
  std::int32_t NewRefId = 0;
  std::int32_t ForceLogoutRefId = 0;
  std::int32_t ForceLogoutLoadServerId = 0;
  std::int32_t AppModeId = 0;
  bool CanChangePassword = false;
  std::int32_t OfflineMessageCount = 0;
  std::int32_t tradePubPort = 0;
  std::int32_t marketdepthPort = 0;  // subscription channel
  std::int32_t hdServerPort = 0;     // request channel
};

}  // namespace td
