#include "transport/DeviceInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace td {
namespace {

TEST(DeviceInfoAddress, TwoOrMoreAddressesGiveTheSecondEvenWhenItIsLoopback) {
  const std::vector<std::string> a = {"127.0.0.1", "10.0.0.5", "::1"};
  EXPECT_EQ(DeviceInfo::chooseHostIPAddress(a), "10.0.0.5");
  const std::vector<std::string> b = {"10.0.0.5", "::1"};
  EXPECT_EQ(DeviceInfo::chooseHostIPAddress(b), "::1");
}

TEST(DeviceInfoAddress, FewerThanTwoAddressesGiveTheFirstNonLoopbackElseLocalhost) {
  EXPECT_EQ(DeviceInfo::chooseHostIPAddress(std::vector<std::string>{"192.168.1.7"}), "192.168.1.7");
  EXPECT_EQ(DeviceInfo::chooseHostIPAddress(std::vector<std::string>{"127.0.0.1"}), "127.0.0.1");
  EXPECT_EQ(DeviceInfo::chooseHostIPAddress(std::vector<std::string>{"::1"}), "127.0.0.1");
  EXPECT_EQ(DeviceInfo::chooseHostIPAddress(std::vector<std::string>{}), "127.0.0.1");
}

TEST(DeviceInfoAddress, LoopbackCoversTheWhole127NetworkIpv6AndMappedForms) {
  EXPECT_TRUE(DeviceInfo::isLoopbackAddress("127.0.0.1"));
  EXPECT_TRUE(DeviceInfo::isLoopbackAddress("127.8.9.10"));
  EXPECT_TRUE(DeviceInfo::isLoopbackAddress("::1"));
  EXPECT_TRUE(DeviceInfo::isLoopbackAddress("::ffff:127.0.0.1"));
  EXPECT_FALSE(DeviceInfo::isLoopbackAddress("128.0.0.1"));
  EXPECT_FALSE(DeviceInfo::isLoopbackAddress("fe80::1%eth0"));
  EXPECT_FALSE(DeviceInfo::isLoopbackAddress("not an address"));
}

TEST(DeviceInfoHost, TheMachineGivesAnAddressOfItsOwnListAndAName) {
  const std::vector<std::string> all = DeviceInfo::hostAddresses();
  const std::string address = DeviceInfo::getHostIPAddress();
  EXPECT_FALSE(address.empty());
  EXPECT_TRUE(address == "127.0.0.1" || std::find(all.begin(), all.end(), address) != all.end()) << address;
  EXPECT_FALSE(DeviceInfo::getHostName().empty());
}

TEST(DeviceInfoHost, OperatingSystemIsNameAndVersionJoinedByOneHash) {
  const std::string os = DeviceInfo::getDeviceNameandOSversion();
  ASSERT_EQ(std::count(os.begin(), os.end(), '#'), 1) << os;
  EXPECT_GT(os.find('#'), 0u);
  EXPECT_LT(os.find('#'), os.size() - 1);
  // No byte that would cut a field or a frame.
  EXPECT_TRUE(std::none_of(os.begin(), os.end(), [](char c) { return c >= 0x01 && c <= 0x07; }));
}

}  // namespace
}  // namespace td
