#include <gtest/gtest.h>

#include "model/AccountDetails.h"
#include "model/GroupDetails.h"
#include "model/LoginInfoMessage.h"
#include "model/Order.h"
#include "model/SessionSetting.h"

namespace td {
namespace {

TEST(AccountDetailsRecord, StatusAndAccessTypeAreNormalised) {
  AccountDetails a;
  for (int code : {5, 9, 11, -1}) {
    a.setAccountAccessTypeId(code);
    EXPECT_EQ(a.accountaccessType, 0) << code;
    EXPECT_EQ(a.AccountAccessTypeId, code);
  }
  a.setAccountAccessTypeId(10);
  EXPECT_EQ(a.accountaccessType, 10);
  a.setTradingStatusId(7);
  EXPECT_EQ(a.tradingStatus, 0);
  a.setTradingStatusId(5);
  EXPECT_EQ(a.tradingStatus, 5);
  a.setTradingStatusId(-1);  // out of range: keeps the last normalised value
  EXPECT_EQ(a.tradingStatus, 5);
  EXPECT_EQ(a.TradingStatusId, -1);
}

TEST(AccountDetailsRecord, NameLookups) {
  EXPECT_EQ(AccountDetails::getAccountStatus(4), "Close Position Only");
  EXPECT_EQ(AccountDetails::getAccountStatus(0), "");
  EXPECT_EQ(AccountDetails::getAccountType(0), "Unknown");
  EXPECT_EQ(AccountDetails::getAccountType(8), "NonClearing Member");
  EXPECT_EQ(AccountDetails::getAccountType(13), "Error Account");
  EXPECT_EQ(AccountDetails::getAccountType(14), "");
  EXPECT_EQ(AccountDetails::getAccountType(-1), "");
  EXPECT_EQ(AccountDetails::getAccountAccessType(3), "View Trade");
  EXPECT_EQ(AccountDetails::getAccountAccessType(10), "None");
  EXPECT_EQ(AccountDetails::getAccountAccessType(5), "");
}

TEST(GroupInstrumentsRecord, MarginModeIsNormalised) {
  GroupInstruments t;
  t.setMarginCalcModeId(3);
  EXPECT_EQ(t.margincalculationMode, 0);
  t.setMarginCalcModeId(0);
  EXPECT_EQ(t.margincalculationMode, 926);
  t.setMarginCalcModeId(2);
  EXPECT_EQ(t.margincalculationMode, 2);
  t.setMarginCalcModeId(7);
  EXPECT_EQ(t.margincalculationMode, 2);
  EXPECT_EQ(t.MarginCalcModeId, 7);
  EXPECT_TRUE(GroupDetails().GroupInstrumentCollection.empty());
}

TEST(SessionSettingRecord, ColourComponentsFromThePackedInteger) {
  EXPECT_EQ(RgbColor::fromPacked(0xFF0000), (RgbColor{1.0f, 0.0f, 0.0f, 1.0f}));
  EXPECT_EQ(RgbColor::fromPacked(0x0000FF), (RgbColor{0.0f, 0.0f, 1.0f, 1.0f}));
  const RgbColor c = RgbColor::fromPacked(0x336699);
  EXPECT_FLOAT_EQ(c.green, 0x66 / 255.0f);
  EXPECT_FLOAT_EQ(c.alpha, 1.0f);
}

TEST(LoginInfoMessageRecord, DefinedCodes) {
  for (int code : {1, 15, 101, 103, 201, 202, 301, 401, 406, 1001}) EXPECT_TRUE(LoginInfoMessage::isEnumDefined(code)) << code;
  for (int code : {0, -1, 16, 100, 104, 203, 300, 302, 400, 407, 1000, 1002}) {
    EXPECT_FALSE(LoginInfoMessage::isEnumDefined(code)) << code;
  }
}

TEST(OrderRecord, WireCodesAndTexts) {
  const Order fresh;
  EXPECT_EQ(fresh.orderType, OrderTypeNone);
  EXPECT_EQ(fresh.tradingMode, TradingModeBuy);
  EXPECT_TRUE(fresh.AccountNumber.empty());
  EXPECT_EQ(Order::GetOrderTypeTagValue(0), 926);
  EXPECT_EQ(Order::GetOrderTypeTagValue(1), 29);
  EXPECT_EQ(Order::GetOrderTypeTagValue(3), 31);
  EXPECT_EQ(Order::GetOrderTypeTagValue(4), 926);
  EXPECT_EQ(Order::GetDeliveryModeTagValue(2), 52);
  EXPECT_EQ(Order::GetDeliveryModeTagValue(0), 926);
  EXPECT_EQ(Order::GetTradingModeTagValue(0), 45);
  EXPECT_EQ(Order::GetTradingModeTagValue(1), 46);
  EXPECT_EQ(Order::GetTradingModeTagValue(2), 926);
  EXPECT_EQ(Order::GetTimeInForceTagValue(5), 54);
  EXPECT_EQ(Order::GetTimeInForceTagValue(3), 926);
  EXPECT_EQ(Order::GetTimeInForceTagValue(4), 926);
  EXPECT_EQ(Order::GetOrderStatus(26), "Expired");
  EXPECT_EQ(Order::GetOrderStatus(25), std::nullopt);
  EXPECT_EQ(Order::GetOrderStatus(20), std::nullopt);
  EXPECT_EQ(Order::GetOrderStatus(29), std::nullopt);
  auto localised = [](std::string_view key) { return key == "0009" ? std::string("Buy") : std::string("Sell"); };
  EXPECT_EQ(Order::GetTradingModeString(0, false, localised), "B");
  EXPECT_EQ(Order::GetTradingModeString(1, false, localised), "S");
  EXPECT_EQ(Order::GetTradingModeString(0, true, localised), "Buy");
  EXPECT_EQ(Order::GetTradingModeString(1, true, localised), "Sell");
  EXPECT_EQ(Order::GetTradingModeString(2, true, localised), "");
  EXPECT_EQ(Order::GetTradingModeString(2, false, localised), "");
}

}  // namespace
}  // namespace td
