#include "wire/SessionRequests.h"

#include "platform/LoginInputdata.h"
#include "wire/RequestCatalogue.h"

namespace td {

LoginRequestValues SessionRequests::loginValues(const LoginInputdata& logindata, DeviceFields device,
                                                std::string now) {
  return {logindata.userName(), logindata.password(), logindata.productName(), logindata.productVersion(),
          std::move(device), std::move(now)};
}

void SessionRequests::setMessageProperties(MessageBase::Request& request, const SessionValues& session) {
  request.set(23, session.userName);
  request.setIfPresent(19, session.Referenceid);
  request.set(21, session.now);
}

BuildResult SessionRequests::buildWithMessageProperties(MessageBase::Request& request, const SessionValues& session) {
  setMessageProperties(request, session);
  return request.BuildMessage();
}

BuildResult SessionRequests::LoginRequest(MessageBase& messageBase, const LoginRequestValues& v) {
  auto request = messageBase.beginRequest(MessageType::Login);
  request.set(10, std::int64_t{MessageType::Login})
      .set(23, v.userName)
      .set(18, v.password)
      .set(20, "0")
      .set(19, "1")
      .set(563, v.productName)
      .set(114, v.productVersion)
      .set(105, v.device.hostIPAddress)
      .set(1018, v.device.deviceNameandOSversion)
      .set(504, v.device.hostName)
      .set(160, MESSAGE_AMP_TYPE)
      .set(21, v.now);
  return request.BuildMessage();
}

BuildResult SessionRequests::pingToserver(MessageBase& messageBase, std::int32_t Requestid, std::string_view now) {
  auto request = messageBase.beginRequest(MessageType::Ping);
  request.set(10, std::int64_t{MessageType::Ping}).set(20, std::int64_t{nextRequestId(Requestid)}).set(21, now);
  return request.BuildMessage();
}

BuildResult SessionRequests::changeMyPassword(MessageBase& messageBase, const SessionValues& session,
                                       std::string_view oldPassword, std::string_view newPassword) {
  auto request = messageBase.beginRequest(MessageType::PasswordChange);
  request.set(10, std::int64_t{MessageType::PasswordChange})
      .set(104, oldPassword)
      .set(103, newPassword)
      .set(20, std::int64_t{nextRequestId(session.Requestid)});
  return buildWithMessageProperties(request, session);
}

BuildResult SessionRequests::DemoUserCreationRequest(MessageBase& messageBase, const DemoUserCreationValues& v) {
  auto request = messageBase.beginRequest(MessageType::DemoUserCreation);
  request.set(10, std::int64_t{MessageType::DemoUserCreation})
      .set(1152, v.email)
      .set(1033, "Trade")
      .set(564, v.deposit)
      .set(1132, v.country)
      .set(1133, v.state)
      .set(1134, v.city)
      .set(1135, v.zipCode)
      .set(1136, v.address)
      .set(1137, v.phone)
      .set(1138, v.newsletter)
      .set(1139, v.name)
      .set(1140, v.productName)
      .set(20, "1")
      .set(19, "1")
      .set(105, v.device.hostIPAddress)
      .set(1018, v.device.deviceNameandOSversion)
      .set(504, v.device.hostName);
  return request.BuildMessage();
}

}  // namespace td
