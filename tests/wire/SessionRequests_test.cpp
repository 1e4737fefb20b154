#include "wire/SessionRequests.h"

#include <gtest/gtest.h>

#include "MessageTestSupport.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"

namespace td::testing {
namespace {

DeviceFields device() { return {"10.0.0.5", "Linux#6.1.0", "dealer-pc"}; }

SessionValues session() { return {"alice", std::string("R77"), 41, "20240102030405"}; }

class SessionRequestsTest : public RequestTest {};

TEST_F(SessionRequestsTest, LoginIsTwelveFieldsInTagOrderAndEnvelopedAsInitial) {
  const LoginRequestValues v{"alice", "s3cret", "TarnwickDesk", "1.0.0", device(), "20240102030405"};
  EXPECT_TRUE(SessionRequests::LoginRequest(messageBase, v));
  EXPECT_EQ(sentEnveloped(true),
            asciiFrame("10=32" S "23=alice" S "18=s3cret" S "20=0" S "19=1" S "563=TarnwickDesk" S "114=1.0.0" S
                       "105=10.0.0.5" S "1018=Linux#6.1.0" S "504=dealer-pc" S "160=AMP" S "21=20240102030405" S));
  EXPECT_TRUE(messageBase.messageDataDictionary().empty());
  EXPECT_EQ(messageBase.messagetype(), 32);
}

TEST_F(SessionRequestsTest, LoginWithEmptyUserNameWritesNothingAfterTheEquals) {
  const LoginRequestValues v{"", "pw", "TarnwickDesk", "1.0.0", device(), "20240102030405"};
  SessionRequests::LoginRequest(messageBase, v);
  EXPECT_NE(sentEnveloped(true).find("\x03" "23=" "\x03" "18=pw"), std::string::npos);
}

TEST_F(SessionRequestsTest, PingCarriesNextRequestIdTwiceWhileCounterStaysAndNotesPingTime) {
  EXPECT_TRUE(SessionRequests::pingToserver(messageBase, 7, "20240102030405"));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=1018" S "20=8" S "21=20240102030405" S));
  sink.sent.clear();
  EXPECT_TRUE(SessionRequests::pingToserver(messageBase, 7, "20240102030406"));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=1018" S "20=8" S "21=20240102030406" S));
  EXPECT_EQ(sink.pingsNoted, 2);
}

TEST_F(SessionRequestsTest, PingRequestIdWrapsAt32Bits) {
  SessionRequests::pingToserver(messageBase, 2147483647, "20240102030405");
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=1018" S "20=-2147483648" S "21=20240102030405" S));
}

TEST_F(SessionRequestsTest, PasswordChangeCarriesBothPasswordsAndTheCommonTail) {
  EXPECT_TRUE(SessionRequests::changeMyPassword(messageBase, session(), "old1", "new2"));
  EXPECT_EQ(sentEnveloped(false), asciiFrame("10=37" S "23=alice" S "104=old1" S "103=new2" S "20=42" S "19=R77" S
                                             "21=20240102030405" S));
}

TEST_F(SessionRequestsTest, PasswordChangeBeforeAnyReferenceIdCarriesNull) {
  SessionValues s = session();
  s.Referenceid.reset();
  SessionRequests::changeMyPassword(messageBase, s, "old1", "new2");
  EXPECT_NE(sentEnveloped(false).find("\x03" "19=(null)" "\x03"), std::string::npos);
}

TEST_F(SessionRequestsTest, DemoUserCreationIsEighteenFieldsEnvelopedAsInitial) {
  DemoUserCreationValues v;
  v.email = "a@b.example";
  v.deposit = "10000";
  v.country = "Singapore";
  v.state = "";
  v.city = "Singapore";
  v.zipCode = "018989";
  v.address = "1 Main St\nUnit 2";
  v.phone = "+65 1234";
  v.newsletter = 0;
  v.name = "Ann Lee";
  v.productName = "TarnwickDesk";
  v.device = device();
  EXPECT_TRUE(SessionRequests::DemoUserCreationRequest(messageBase, v));
  EXPECT_EQ(sentEnveloped(true),
            asciiFrame("10=1026" S "1152=a@b.example" S "1033=Trade" S "564=10000" S "1132=Singapore" S "1133=" S
                       "1134=Singapore" S "1135=018989" S "1136=1 Main St\nUnit 2" S "1137=+65 1234" S "1138=0" S
                       "1139=Ann Lee" S "1140=TarnwickDesk" S "20=1" S "19=1" S "105=10.0.0.5" S
                       "1018=Linux#6.1.0" S "504=dealer-pc" S));
}

TEST_F(SessionRequestsTest, RequestLogLinesMaskPasswordsAndNameTheDemoRequestItsOwnWay) {
  std::vector<std::string> lines;
  log::setSink([&](log::Level, std::string_view text) { lines.emplace_back(text); });
  SessionRequests::LoginRequest(messageBase, {"alice", "s3cret", "TarnwickDesk", "1.0.0", device(), "20240102030405"});
  SessionRequests::changeMyPassword(messageBase, session(), "old1", "new2");
  DemoUserCreationValues demo;
  demo.device = device();
  SessionRequests::DemoUserCreationRequest(messageBase, demo);
  SessionRequests::pingToserver(messageBase, 1, "20240102030405");
  log::setSink({});

  ASSERT_EQ(lines.size(), 3u);  // the ping writes no line
  EXPECT_EQ(lines[0].rfind("BuildLoginRequestMessage : \x01", 0), 0u);
  EXPECT_NE(lines[0].find("18=******"), std::string::npos);
  EXPECT_EQ(lines[0].find("s3cret"), std::string::npos);
  EXPECT_EQ(lines[1].rfind("BuildPasswordChangeRequestMessage : ", 0), 0u);
  EXPECT_EQ(lines[1].find("old1"), std::string::npos);
  EXPECT_EQ(lines[1].find("new2"), std::string::npos);
  EXPECT_EQ(lines[2].rfind("DemoUserCreationRequestMessage : ", 0), 0u);
}

}  // namespace
}  // namespace td::testing

namespace td::testing {
namespace {

TEST(SessionRequestsLoginData, LoginFromTheLoginDataIsEncryptedWithItsCurrentSecurityKey) {
  LoginInputdata logindata{ServerPresets::shipped()};
  logindata.setUserName("alice");
  logindata.setPassword("s3cret");
  logindata.setProductVersion("2.1");
  RecordingSink sink;
  MessageBase messageBase(sink, logindata);
  EXPECT_TRUE(SessionRequests::LoginRequest(
      messageBase, SessionRequests::loginValues(logindata, device(), "20240102030405")));
  ASSERT_EQ(sink.sent.size(), 1u);
  OpenedEnvelope opened;
  ASSERT_TRUE(openEnvelope(sink.sent[0].frame, "9dA3fB71e0Cc", opened));
  EXPECT_EQ(opened.inner,
            asciiFrame("10=32" S "23=alice" S "18=s3cret" S "20=0" S "19=1" S "563=TarnwickDesk" S "114=2.1" S
                       "105=10.0.0.5" S "1018=Linux#6.1.0" S "504=dealer-pc" S "160=AMP" S "21=20240102030405" S));

  logindata.setSecurityKey("replaced-after-login-reply");
  SessionRequests::pingToserver(messageBase, 0, "t");
  EXPECT_TRUE(openEnvelope(sink.sent[1].frame, "replaced-after-login-reply", opened));
}

}  // namespace
}  // namespace td::testing
