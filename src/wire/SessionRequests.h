#pragma once
// The session requests: login (32), ping (1018), password change (37) and demo user creation (1026),
// and the common tail (user name, reference id, time) that the chat, data-set, chart and
// password-change requests share. Each requester opens a request on the session's MessageBase,
// stores its tags and builds it; the result says whether the frame reached the transport, or why it
// was not built (a text holding a separator byte is refused).
//
// The values come from higher layers (the login data, the session, the device) as plain structs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "wire/MessageBase.h"

namespace td {

class LoginInputdata;

// What the requests read of the session and the login data.
struct SessionValues {
  std::string userName;                    // `logindata` userName
  std::optional<std::string> Referenceid;  // from the login reply; absent until then ("(null)")
  std::int32_t Requestid = 0;              // the session's request counter; requests carry it + 1
  std::string now;                         // the local time now, "yyyyMMddHHmmss" (setAmpFormat:)
};

// The machine as the server sees it (DeviceInfo).
struct DeviceFields {
  std::string hostIPAddress;           // tag 105
  std::string deviceNameandOSversion;  // tag 1018: name "#" version
  std::string hostName;                // tag 504
};

struct LoginRequestValues {
  std::string userName;
  std::string password;
  std::string productName;
  std::string productVersion;
  DeviceFields device;
  std::string now;  // setAmpFormat: of the current date
};

// The fields of the demo registration window.
struct DemoUserCreationValues {
  std::string email;      // 1152
  std::string deposit;    // 564
  std::string country;    // 1132
  std::string state;      // 1133
  std::string city;       // 1134
  std::string zipCode;    // 1135
  std::string address;    // 1136, line breaks kept
  std::string phone;      // 1137
  std::int64_t newsletter = 0;  // 1138: the check box state, 1 checked, 0 unchecked
  std::string name;       // 1139
  std::string productName;  // 1140
  DeviceFields device;
};

// Requestid + 1 as a 32-bit counter (wraps instead of overflowing).
inline std::int32_t nextRequestId(std::int32_t requestid) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(requestid) + 1u);
}

class SessionRequests {
 public:
  // `setMessageProperties:`: 23 = userName, 19 = Referenceid (left out when absent), 21 = now.
  static void setMessageProperties(MessageBase::Request& request, const SessionValues& session);
  // setMessageProperties, then builds the request: the end of every request with the common tail.
  static BuildResult buildWithMessageProperties(MessageBase::Request& request, const SessionValues& session);

  // The login's values: user name, password, product name and version from the login data.
  static LoginRequestValues loginValues(const LoginInputdata& logindata, DeviceFields device, std::string now);
  // `LoginRequest` (type 32, enveloped as the first request of the connection).
  static BuildResult LoginRequest(MessageBase& messageBase, const LoginRequestValues& values);
  // `pingToserver` (type 1018): 20 = Requestid + 1, 21 = now.
  static BuildResult pingToserver(MessageBase& messageBase, std::int32_t Requestid, std::string_view now);
  // `changeMyPassword::` (type 37): 104 = old, 103 = new, 20 = Requestid + 1, then the common tail.
  static BuildResult changeMyPassword(MessageBase& messageBase, const SessionValues& session,
                               std::string_view oldPassword, std::string_view newPassword);
  // `DemoUserCreationRequest` (type 1026, enveloped as the first request of the connection).
  static BuildResult DemoUserCreationRequest(MessageBase& messageBase, const DemoUserCreationValues& values);
};

}  // namespace td
