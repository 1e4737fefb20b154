#include "model/ReferenceData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "LoginDataSetWriter.h"
#include "platform/Log.h"

namespace td {
namespace {

using testing::LoginDataSet;
using testing::Row;

// A small data set with every column filled; dates in UTC.
LoginDataSet sampleDataSet() {
  LoginDataSet d;
  d.user = {{{"userid", "77"}, {"lastrefid", "5"}, {"NewRefid", "6"}, {"ddeenabled", "1"}, {"userenabled", "true"},
             {"userTypeId", "2"}, {"forceLogoutRefid", "3"}, {"forceLogoutLoadServerId", "4"}, {"appModeId", "9"},
             {"canChangePassword", "Y"}, {"tradePubPort", "8001"}, {"marketdepthPort", "8002"},
             {"hdserverPort", "8003"}}};
  d.product = {{{"productId", "3"}, {"productName", "Desk"}, {"LatestBuild", "2.1"}, {"LatestSupportedBuild", "1.9"}}};
  d.itemTypes = {{{"InstrumentTypeId", "1"}, {"InstrumentTypeName", "Forex"}},
                 {{"InstrumentTypeId", "2"}, {"InstrumentTypeName", "Metals"}}};
  d.sessions = {{{"SettingsId", "4"}, {"SettingsName", "Day"}, {"EnterLimitOrder", "0"}, {"EnterMarketOrder", "1"},
                 {"EditLimitOrder", "1"}, {"EditMarketOrder", "1"}, {"ExecuteOrders", "true"},
                 {"PublishMarketData", "1"}, {"PublishTradeData", "0"}, {"MatchMMwithMMOrders", "0"},
                 {"EnterMarketMakerOrder", "1"}, {"EditMarketMakertOrder", "0"}, {"SessionColor", "16711680"},
                 {"UseELP", "1"}}};
  auto item = [](std::string id, std::string code, std::string name, std::string type, std::string currency) {
    return Row{{"InstrumentId", id}, {"Name", name}, {"Code", code}, {"CurrencyID", currency}, {"Enabled", "true"},
               {"InstrumentTypeId", type}, {"TickSize", "0.00001"}, {"Point", "0.0001"}, {"DecimalPlaces", "5"},
               {"MonthCode", "Z4"}, {"ContractSize", "100000"}, {"UnitId", "2"}, {"TradingStatusId", "2"},
               {"IsAvailableForWatchList", "1"}, {"UnderlyingInstrumentId", "0"}, {"MaxUpdateFrequency", "1.5"},
               {"CutOffLimitPercentCP", "10"}, {"FND", "20241220120000"}, {"LTD", "20241231235959"},
               {"CircuitLimit", "5.5"}, {"PLCalcModeId", "1"}, {"Bid", "1.08123"}, {"Ask", "1.08131"},
               {"Last", "1.08127"}, {"High", "1.09"}, {"Low", "1.07"}, {"DayOpen", "1.075"}, {"PrevClose", "1.074"},
               {"UpdateTime", "20240105103000"}, {"CurrentTradeSessionSettingId", "4"}, {"#30", "1"}, {"#31", "30"},
               {"#32", "255"}, {"AvailableOrderTypes", "199"}, {"#37", "1"}, {"#38", "7"}};
  };
  d.items = {item("10", "EURUSD", "Euro", "1", "0"), item("20", "GOLD", "Gold", "2", "10"),
             item("30", "OIL", "Crude, Brent: spot", "2", "30")};
  d.groups = {{{"GroupId", "5"}, {"Name", "Retail"}, {"TradingEnabled", "1"}, {"CompanyId", "2"},
               {"IsNewsEnabled", "1"}, {"IsMailEnabled", "0"}, {"IsChatEnabled", "1"}, {"IsEAEnabled", "0"},
               {"InstrumentLimit", "50"}, {"WatchListItemLimit", "40"}, {"MaxOrderQty", "100"},
               {"OrderQtyStep", "0.01"}, {"IsTrailingStopEnabled", "1"}, {"MarginCallLevel", "80"},
               {"StopOutLevel", "50"}, {"LeverageOnFProfit", "100"}, {"RevLeverageOnFLoss", "100"},
               {"ReportHistoryDaysLimit", "90"}, {"SendMailReports", "1"}, {"SendExecutionSMS", "0"},
               {"CreditRating", "3"}}};
  auto terms = [](std::string id, std::string instrument) {
    return Row{{"groupdetailsid", id}, {"groupid", "5"}, {"InstrumentId", instrument}, {"OrderQtyStep", "0.01"},
               {"MaxOrderQty", "50"}, {"MinOrderQty", "0.01"}, {"SpreadBid", "2"}, {"SpreadAsk", "3"},
               {"SpreadTypeId", "1"}, {"buyInterestRate", "-1.5"}, {"sellInterestRate", "0.5"},
               {"LimitMinPips", "10"}, {"StopMinPips", "12"}, {"AllowShortSelling", "1"}, {"Initialmargin", "1000"},
               {"LimitOrderMargin", "900"}, {"LiquidationMargin", "500"}, {"IntradayOrderMargin", "400"},
               {"BTSTOrderMargin", "300"}, {"OverNightMargin", "1200"}, {"Commission", "7.5"},
               {"AutoExecutionModeId", "1"}, {"MarginCalcModeId", "0"}};
  };
  d.groupInstruments = {terms("901", "10"), terms("902", "20")};
  d.accounts = {{{"AccountId", "1001"}, {"GroupId", "5"}, {"AccountTypeId", "1"}, {"Balance", "10000.5"},
                 {"UnrealisedPL", "-12.25"}, {"LeverageOnPositions", "1.5"}, {"CollateralSecurity", "100"},
                 {"UsedMargin", "2000"}, {"Equity", "9988.25"}, {"AvailableMargin", "7988.25"}, {"HedgeModeId", "1"},
                 {"TradeRouteId", "2"}, {"AutoExecutionModeId", "1"}, {"AccountName", "Main account"},
                 {"AccountEnabled", "1"}, {"InstrumentLimit", "20"}, {"WatchListItemLimit", "30"},
                 {"AccountAccessTypeId", "1"}, {"TradingStatusId", "1"}, {"AccumulatingStorage", "-3.5"},
                 {"AvailableOrderTypes", "255"}, {"#28", "2"}}};
  d.loginMessages = {{"1", "Welcome", "3"}};
  return d;
}

class ReferenceDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    hadTz_ = tz != nullptr;
    savedTz_ = tz ? tz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    log::setSink([this](log::Level, std::string_view line) { logLines_.emplace_back(line); });
  }
  void TearDown() override {
    log::setSink({});
    if (hadTz_) {
      setenv("TZ", savedTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  static void loadXml(ReferenceData& data, const std::string& xml) { data.FillTableDetails(parseXml(xml)); }

  std::vector<std::string> logLines_;
  bool hadTz_ = false;
  std::string savedTz_;
};

#define EXPECT_SAME_FIELD(a, b, field) EXPECT_EQ((a).field, (b).field) << #field

void expectSameItem(const ItemDetails& x, const ItemDetails& a) {
  EXPECT_SAME_FIELD(x, a, InstrumentId);
  EXPECT_SAME_FIELD(x, a, Name);
  EXPECT_SAME_FIELD(x, a, Code);
  EXPECT_SAME_FIELD(x, a, CurrencyID);
  EXPECT_SAME_FIELD(x, a, Enabled);
  EXPECT_SAME_FIELD(x, a, InstrumentTypeId);
  EXPECT_SAME_FIELD(x, a, InstrumentTypeName);
  EXPECT_SAME_FIELD(x, a, TickSize);
  EXPECT_SAME_FIELD(x, a, Point);
  EXPECT_SAME_FIELD(x, a, DecimalPlaces);
  EXPECT_SAME_FIELD(x, a, MonthCode);
  EXPECT_SAME_FIELD(x, a, ContractSize);
  EXPECT_SAME_FIELD(x, a, UnitId);
  EXPECT_SAME_FIELD(x, a, TradingStatusId);
  EXPECT_SAME_FIELD(x, a, instrumentTradingStatus);
  EXPECT_SAME_FIELD(x, a, IsAvailableForWatchlist);
  EXPECT_SAME_FIELD(x, a, UnderlyingInstrumentId);
  EXPECT_SAME_FIELD(x, a, MaxUpdateFrequency);
  EXPECT_SAME_FIELD(x, a, CutOffLimitPercentCP);
  EXPECT_SAME_FIELD(x, a, FND);
  EXPECT_SAME_FIELD(x, a, LTD);
  EXPECT_SAME_FIELD(x, a, CircuitLimit);
  EXPECT_SAME_FIELD(x, a, PLCalcModeId);
  EXPECT_SAME_FIELD(x, a, Ask);
  EXPECT_SAME_FIELD(x, a, Bid);
  EXPECT_SAME_FIELD(x, a, High);
  EXPECT_SAME_FIELD(x, a, Low);
  EXPECT_SAME_FIELD(x, a, Last);
  EXPECT_SAME_FIELD(x, a, PrevClose);
  EXPECT_SAME_FIELD(x, a, DayOpen);
  EXPECT_SAME_FIELD(x, a, UpdateTime);
  EXPECT_SAME_FIELD(x, a, CurrentTradeSessionSettingId);
  EXPECT_SAME_FIELD(x, a, availableOrderTypes);
  EXPECT_SAME_FIELD(x, a, Spreadtype);
}

TEST_F(ReferenceDataTest, BothFormsLoadToEqualRecordsExceptWhereTheFormsDiffer) {
  const LoginDataSet set = sampleDataSet();
  ReferenceData xml;
  ReferenceData amp;
  loadXml(xml, set.xml());
  amp.FillAmpDetails(set.amp());
  EXPECT_TRUE(logLines_.empty()) << logLines_.front();

  // User: the XML form carries ddeenabled as an integer, the AMP form as a flag.
  const UserInfo& ux = *xml.userInfo();
  const UserInfo& ua = *amp.userInfo();
  EXPECT_SAME_FIELD(ux, ua, UserId);
  EXPECT_SAME_FIELD(ux, ua, LastRefId);
  EXPECT_SAME_FIELD(ux, ua, NewRefId);
  EXPECT_SAME_FIELD(ux, ua, DdeEnabled);
  EXPECT_SAME_FIELD(ux, ua, UserEnabled);
  EXPECT_SAME_FIELD(ux, ua, UserTypeId);
  EXPECT_SAME_FIELD(ux, ua, ForceLogoutRefId);
  EXPECT_SAME_FIELD(ux, ua, ForceLogoutLoadServerId);
  EXPECT_SAME_FIELD(ux, ua, AppModeId);
  EXPECT_SAME_FIELD(ux, ua, CanChangePassword);
  EXPECT_SAME_FIELD(ux, ua, tradePubPort);
  EXPECT_SAME_FIELD(ux, ua, marketdepthPort);
  EXPECT_SAME_FIELD(ux, ua, hdServerPort);
  EXPECT_EQ(ua.hdServerPort, 8003);

  // Item types: the XML form keys by the cell text, the AMP form by "%d" of the id.
  ASSERT_EQ(xml.ItemTypeCollection().size(), 2u);
  ASSERT_EQ(amp.ItemTypeCollection().size(), 2u);
  EXPECT_EQ(xml.getInstrumentTypeName(2), "Metals");
  EXPECT_EQ(amp.getInstrumentTypeName(2), "Metals");

  // Items: the same fields; the conversion item and the AMP-only columns differ.
  ASSERT_EQ(xml.ItemCollection().size(), 3u);
  ASSERT_EQ(amp.ItemCollection().size(), 3u);
  for (const auto& [code, x] : xml.ItemCollection()) {
    SCOPED_TRACE(code);
    auto a = amp.item(code);
    ASSERT_NE(a, nullptr);
    expectSameItem(*x, *a);
    EXPECT_EQ(x->HedgeModeId, 0);
    EXPECT_FALSE(x->isAvailableForTrading);
    EXPECT_EQ(x->availableOrderSettings, 0);
    EXPECT_EQ(a->HedgeModeId, 1);
    EXPECT_EQ(a->MaxHoldingDays, 30);
    EXPECT_EQ(a->HighlightColor, 255);
    EXPECT_TRUE(a->isAvailableForTrading);
    EXPECT_EQ(a->availableOrderSettings, 7);
  }
  const ItemDetails& eur = *amp.item("EURUSD");
  EXPECT_EQ(eur.FND, "12/20/2024 12:00:00");
  EXPECT_EQ(eur.UpdateTime, "01/05/2024 10:30:00");
  EXPECT_DOUBLE_EQ(eur.Bid, 1.08123);
  EXPECT_EQ(eur.instrumentTradingStatus, 2);
  EXPECT_TRUE(eur.CalculationItems.expired());
  // GOLD converts through CurrencyID 10: the AMP form links EURUSD, the XML form the item itself.
  EXPECT_EQ(amp.item("GOLD")->CalculationItems.lock(), amp.item("EURUSD"));
  EXPECT_EQ(xml.item("GOLD")->CalculationItems.lock(), xml.item("GOLD"));

  // Symbol types: the same text in both forms, and the entries keep a "," in a name intact.
  EXPECT_EQ(xml.symbolTypeCollection(), amp.symbolTypeCollection());
  EXPECT_EQ(amp.symbolTypeCollection().at("Metals"), "GOLD:Gold,OIL:Crude, Brent: spot");
  EXPECT_EQ(amp.symbolTypeEntries().at("Metals"),
            (std::vector<SymbolEntry>{{"GOLD", "Gold"}, {"OIL", "Crude, Brent: spot"}}));

  // Accounts: BranchId only in XML (absent here), accountSettings1 only in AMP.
  const AccountDetails& ax = *xml.account("1001");
  const AccountDetails& aa = *amp.account("1001");
  EXPECT_SAME_FIELD(ax, aa, AccountId);
  EXPECT_SAME_FIELD(ax, aa, GroupId);
  EXPECT_SAME_FIELD(ax, aa, AccountTypeId);
  EXPECT_SAME_FIELD(ax, aa, Balance);
  EXPECT_SAME_FIELD(ax, aa, UnrealisedPL);
  EXPECT_SAME_FIELD(ax, aa, LeverageOnPositions);
  EXPECT_SAME_FIELD(ax, aa, CollateralSecurity);
  EXPECT_SAME_FIELD(ax, aa, UsedMargin);
  EXPECT_SAME_FIELD(ax, aa, Equity);
  EXPECT_SAME_FIELD(ax, aa, AvailableMargin);
  EXPECT_SAME_FIELD(ax, aa, HedgeModeId);
  EXPECT_SAME_FIELD(ax, aa, TradeRouteId);
  EXPECT_SAME_FIELD(ax, aa, AutoExecutionModeId);
  EXPECT_SAME_FIELD(ax, aa, AccountName);
  EXPECT_SAME_FIELD(ax, aa, AccountEnabled);
  EXPECT_SAME_FIELD(ax, aa, InstrumentLimit);
  EXPECT_SAME_FIELD(ax, aa, WatchlistItemLimit);
  EXPECT_SAME_FIELD(ax, aa, AccountAccessTypeId);
  EXPECT_SAME_FIELD(ax, aa, accountaccessType);
  EXPECT_SAME_FIELD(ax, aa, TradingStatusId);
  EXPECT_SAME_FIELD(ax, aa, tradingStatus);
  EXPECT_SAME_FIELD(ax, aa, AccumulatingStorage);
  EXPECT_SAME_FIELD(ax, aa, availableOrderTypes);
  EXPECT_EQ(ax.accountSettings1, 0);
  EXPECT_EQ(aa.accountSettings1, 2);

  // Groups and their terms: PLCalcModeId of the terms only in XML (absent here).
  const GroupDetails& gx = *xml.group("5");
  const GroupDetails& ga = *amp.group("5");
  EXPECT_SAME_FIELD(gx, ga, GroupId);
  EXPECT_SAME_FIELD(gx, ga, Name);
  EXPECT_SAME_FIELD(gx, ga, TradingEnabled);
  EXPECT_SAME_FIELD(gx, ga, CompanyId);
  EXPECT_SAME_FIELD(gx, ga, IsNewsEnabled);
  EXPECT_SAME_FIELD(gx, ga, IsMailEnabled);
  EXPECT_SAME_FIELD(gx, ga, IsChatEnabled);
  EXPECT_SAME_FIELD(gx, ga, IsEAEnabled);
  EXPECT_SAME_FIELD(gx, ga, InstrumentLimit);
  EXPECT_SAME_FIELD(gx, ga, WatchlistItemLimit);
  EXPECT_SAME_FIELD(gx, ga, MaxOrderQty);
  EXPECT_SAME_FIELD(gx, ga, OrderQtyStep);
  EXPECT_SAME_FIELD(gx, ga, IsTrailingStopEnabled);
  EXPECT_SAME_FIELD(gx, ga, MarginCallLevel);
  EXPECT_SAME_FIELD(gx, ga, StopOutLevel);
  EXPECT_SAME_FIELD(gx, ga, LeverageOnFProfit);
  EXPECT_SAME_FIELD(gx, ga, RevLeverageOnFLoss);
  EXPECT_SAME_FIELD(gx, ga, ReportHistoryDaysLimit);
  EXPECT_SAME_FIELD(gx, ga, SendMailReports);
  EXPECT_SAME_FIELD(gx, ga, SendExecutionSMS);
  EXPECT_SAME_FIELD(gx, ga, CreditRating);
  ASSERT_EQ(gx.GroupInstrumentCollection.size(), 2u);
  ASSERT_EQ(ga.GroupInstrumentCollection.size(), 2u);
  for (const auto& [key, tx] : gx.GroupInstrumentCollection) {
    SCOPED_TRACE(key);
    const GroupInstruments& ta = *ga.GroupInstrumentCollection.at(key);
    EXPECT_SAME_FIELD(*tx, ta, groupdetailsid);
    EXPECT_SAME_FIELD(*tx, ta, GroupId);
    EXPECT_SAME_FIELD(*tx, ta, InstrumentId);
    EXPECT_SAME_FIELD(*tx, ta, OrderQtyStep);
    EXPECT_SAME_FIELD(*tx, ta, MaxOrderQty);
    EXPECT_SAME_FIELD(*tx, ta, MinOrderQty);
    EXPECT_SAME_FIELD(*tx, ta, SpreadBid);
    EXPECT_SAME_FIELD(*tx, ta, SpreadAsk);
    EXPECT_SAME_FIELD(*tx, ta, SpreadTypeId);
    EXPECT_SAME_FIELD(*tx, ta, BuyInterestRate);
    EXPECT_SAME_FIELD(*tx, ta, SellInterestRate);
    EXPECT_SAME_FIELD(*tx, ta, LimitMinPips);
    EXPECT_SAME_FIELD(*tx, ta, StopMinPips);
    EXPECT_SAME_FIELD(*tx, ta, AllowShortSelling);
    EXPECT_SAME_FIELD(*tx, ta, InitialMargin);
    EXPECT_SAME_FIELD(*tx, ta, LimitOrderMargin);
    EXPECT_SAME_FIELD(*tx, ta, LiquidationMargin);
    EXPECT_SAME_FIELD(*tx, ta, IntradayOrderMargin);
    EXPECT_SAME_FIELD(*tx, ta, BTSTOrderMargin);
    EXPECT_SAME_FIELD(*tx, ta, OverNightMargin);
    EXPECT_SAME_FIELD(*tx, ta, Commission);
    EXPECT_SAME_FIELD(*tx, ta, AutoExecutionModeId);
    EXPECT_SAME_FIELD(*tx, ta, MarginCalcModeId);
    EXPECT_EQ(ta.margincalculationMode, 926);
    EXPECT_SAME_FIELD(*tx, ta, margincalculationMode);
  }
  EXPECT_EQ(amp.groupInstruments(aa, 20)->groupdetailsid, 902);
  EXPECT_EQ(amp.groupInstruments(aa, 30), nullptr);

  // Session settings: AllowNewTpSl follows the last flag each form loads.
  const SessionSetting& sx = *xml.sessionSetting("4");
  const SessionSetting& sa = *amp.sessionSetting("4");
  EXPECT_SAME_FIELD(sx, sa, SettingsId);
  EXPECT_SAME_FIELD(sx, sa, SettingsName);
  EXPECT_SAME_FIELD(sx, sa, EditLimitOrder);
  EXPECT_SAME_FIELD(sx, sa, EnterLimitOrder);
  EXPECT_SAME_FIELD(sx, sa, EnterMarketOrder);
  EXPECT_SAME_FIELD(sx, sa, EditMarketOrder);
  EXPECT_SAME_FIELD(sx, sa, ExecuteOrders);
  EXPECT_SAME_FIELD(sx, sa, PublishMarketData);
  EXPECT_SAME_FIELD(sx, sa, PublishTradeData);
  EXPECT_SAME_FIELD(sx, sa, MatchMMwithMMOrders);
  EXPECT_SAME_FIELD(sx, sa, EnterMarketMakerOrder);
  EXPECT_SAME_FIELD(sx, sa, EditMarketMakertOrder);
  EXPECT_SAME_FIELD(sx, sa, UseELP);
  EXPECT_SAME_FIELD(sx, sa, SessionColor);
  EXPECT_SAME_FIELD(sx, sa, AllowNewMarket);
  EXPECT_SAME_FIELD(sx, sa, AllowNewContigent);
  EXPECT_SAME_FIELD(sx, sa, AllowEditContigent);
  EXPECT_EQ(sa.SessionColor, (RgbColor{1.0f, 0.0f, 0.0f, 1.0f}));

  // Login messages come only with the AMP form.
  EXPECT_TRUE(xml.loginInfoMessageCollection().empty());
  ASSERT_NE(amp.lastLoginInfoMessage(), nullptr);
  EXPECT_EQ(amp.lastLoginInfoMessage()->Message, "Welcome");
}

TEST_F(ReferenceDataTest, HooksRunAfterTheirSectionsInEachForm) {
  const LoginDataSet set = sampleDataSet();
  for (bool useXml : {false, true}) {
    SCOPED_TRACE(useXml ? "xml" : "amp");
    ReferenceData data;
    std::vector<std::string> calls;
    data.setHooks({[&] {
                     calls.push_back("watchlist items=" + std::to_string(data.ItemCollection().size()) +
                                     " types=" + std::to_string(data.ItemTypeCollection().size()));
                   },
                   [&] {
                     calls.push_back("spread accounts=" + std::to_string(data.AccountDetailCollection().size()) +
                                     " terms=" + std::to_string(data.group("5")->GroupInstrumentCollection.size()));
                   }});
    if (useXml) {
      loadXml(data, set.xml());
    } else {
      data.FillAmpDetails(set.amp());
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"watchlist items=3 types=2", "spread accounts=1 terms=2"}));
  }
}

TEST_F(ReferenceDataTest, AmpTextWithFewSectionsEndsEarly) {
  const LoginDataSet set = sampleDataSet();
  std::string text = set.amp();
  // Keep sections 0 to 4.
  std::size_t pos = 0;
  for (int i = 0; i < 5; ++i) pos = text.find('\x07', pos) + 1;
  text.resize(pos - 1);
  int watchlist = 0, spread = 0;
  ReferenceData data;
  data.setHooks({[&] { ++watchlist; }, [&] { ++spread; }});
  data.FillAmpDetails(text);
  EXPECT_EQ(data.ItemCollection().size(), 3u);
  EXPECT_EQ(data.SessionSettingCollection().size(), 1u);
  EXPECT_TRUE(data.GroupDetailCollection().empty());
  EXPECT_EQ(watchlist, 1);
  EXPECT_EQ(spread, 0);

  // A text without any section separator is section 0 alone; section 7 is never read.
  ReferenceData userOnly;
  userOnly.FillAmpDetails("42");
  EXPECT_EQ(userOnly.userInfo()->UserId, 42);
}

TEST_F(ReferenceDataTest, BadAmpRowsAreSkippedWithALogLineAndTheRestLoads) {
  LoginDataSet set = sampleDataSet();
  set.items.insert(set.items.begin() + 1, Row{{"InstrumentId", "40"}, {"Name", "short"}});  // fewer than 3 columns
  set.items.push_back(Row{{"InstrumentId", "50"}, {"Name", "no code"}, {"Code", ""}, {"CurrencyID", "3"}});
  set.accounts.push_back(Row{{"AccountId", "x"}, {"GroupId", "5"}});
  set.groupInstruments.push_back(Row{{"groupdetailsid", "903"}, {"groupid", "99"}, {"InstrumentId", "10"}});
  set.groupInstruments.push_back(Row{{"groupdetailsid", "904"}, {"groupid", ""}, {"InstrumentId", "10"}});
  set.loginMessages.push_back({"1", "too short"});
  ReferenceData data;
  data.FillAmpDetails(set.amp());
  EXPECT_EQ(data.ItemCollection().size(), 3u);
  EXPECT_EQ(data.item("GOLD")->CalculationItems.lock(), data.item("EURUSD"));  // still linked
  EXPECT_EQ(data.item("OIL")->CalculationItems.lock(), data.item("OIL"));
  EXPECT_EQ(data.AccountDetailCollection().size(), 1u);
  EXPECT_EQ(data.group("5")->GroupInstrumentCollection.size(), 2u);
  EXPECT_EQ(data.loginInfoMessageCollection().size(), 1u);
  EXPECT_EQ(logLines_.size(), 6u);
  for (const auto& line : logLines_) EXPECT_NE(line.find("skipped"), std::string::npos) << line;
}

TEST_F(ReferenceDataTest, AmpRowsReplaceAndEmptyRowsAreIgnored) {
  ReferenceData data;
  data.FillAmpGroupDetails("5\x05One\x06\x06" "5\x05Two\x06");
  data.FillAmpGroupInstruments("1\x05" "5\x05" "10\x05" "1\x06" "2\x05" "5\x05" "10\x05" "2\x06");
  ASSERT_EQ(data.GroupDetailCollection().size(), 1u);
  EXPECT_EQ(data.group("5")->Name, "Two");
  ASSERT_EQ(data.group("5")->GroupInstrumentCollection.size(), 1u);
  EXPECT_EQ(data.group("5")->GroupInstrumentCollection.at("10")->groupdetailsid, 2);
  // A later group row with the same id replaces the group together with its terms.
  data.FillAmpGroupDetails("5\x05Three");
  EXPECT_TRUE(data.group("5")->GroupInstrumentCollection.empty());

  data.FillAmpAccountDetails("7\x05" "5\x05" "1\x05\x05" "100\x06" "7\x05" "6");
  ASSERT_EQ(data.AccountDetailCollection().size(), 1u);
  EXPECT_EQ(data.account("7")->GroupId, "6");
  EXPECT_EQ(data.account("7")->Balance, 0.0);  // nothing of the first row stays

  data.FillAmpSessionSettingCollection("\x06\x06" "3\x05S\x05" "0\x05" "1\x05" "0\x06");
  ASSERT_EQ(data.SessionSettingCollection().size(), 1u);
  EXPECT_FALSE(data.sessionSetting("3")->AllowNewTpSl);  // from EditLimitOrder, loaded last
  EXPECT_TRUE(data.sessionSetting("3")->AllowNewMarket);

  data.FillAmpUserInfoDetails("1\x05" "2\x05" "3\x05" "1\x05" "1\x05" "4\x05" "5\x05" "6\x05" "7\x05" "1\x05" "10\x05" "11");
  EXPECT_EQ(data.userInfo()->marketdepthPort, 11);
  EXPECT_EQ(data.userInfo()->hdServerPort, 0);
  EXPECT_EQ(data.userInfo()->DdeEnabled, 1);
  data.FillAmpUserInfoDetails("");
  EXPECT_EQ(data.userInfo()->UserId, 0);

  const ProductInfo product = data.FillAmpProductInfoDetails("3\x05" "Desk\x05" "2.0\x05" "x\x05" "1.5\x05" "y");
  EXPECT_EQ(product.ProductName, "Desk");
  EXPECT_EQ(product.LatestSupportedBuild, "1.5");
}

TEST_F(ReferenceDataTest, AmpLoginMessagesMakeOneRecordPerRow) {
  ReferenceData data;
  data.FillAmpLoginInfoDetails("1\x05" "First\x05" "3\x06" "0\x05Ignored\x05" "0\x06" "2\x05" "Second\x05" "401\x06"
                               "1\x05Undefined\x05" "16\x06");
  ASSERT_EQ(data.loginInfoMessageCollection().size(), 2u);
  EXPECT_EQ(data.loginInfoMessageCollection().at("3")->Message, "First");
  EXPECT_EQ(data.loginInfoMessageCollection().at("401")->Message, "Second");
  EXPECT_EQ(data.loginInfoMessageCollection().at("401")->DisplayMode, 2);
  EXPECT_EQ(data.lastLoginInfoMessage()->ErrorCode, 401);
  ReferenceData empty;
  empty.FillAmpLoginInfoDetails("");
  EXPECT_TRUE(empty.loginInfoMessageCollection().empty());
  EXPECT_EQ(empty.lastLoginInfoMessage(), nullptr);
}

TEST_F(ReferenceDataTest, GetItemCodeGivesTheFirstItemInCollectionOrder) {
  ReferenceData data;
  data.FillAmpItemDetails("5\x05" "Bee\x05" "BBB\x06" "5\x05" "Ay\x05" "AAA\x06" "6\x05" "Cee\x05" "CCC\x05" "5");
  EXPECT_EQ(data.getItemCode(5), "AAA");
  EXPECT_EQ(data.getItemCode(6), "CCC");
  EXPECT_EQ(data.getItemCode(7), "");
  EXPECT_EQ(data.item("CCC")->CalculationItems.lock(), data.item("AAA"));
  // A later load with an earlier code takes over the first match.
  data.FillAmpItemDetails("5\x05" "A0\x05" "A00");
  EXPECT_EQ(data.getItemCode(5), "A00");
  EXPECT_EQ(data.item("CCC")->CalculationItems.lock(), data.item("A00"));
  // An XML row that changes an item's instrument id in place is seen too.
  XmlRow row;
  row.cells = {{"Code", "A00"}, {"InstrumentId", "8"}};
  data.FillItemDetails(row);
  EXPECT_EQ(data.getItemCode(5), "AAA");
  EXPECT_EQ(data.getItemCode(8), "A00");
}

TEST_F(ReferenceDataTest, ItemOfAnUnknownTypeIsStoredButNotListed) {
  ReferenceData data;
  data.FillAmpItemType("1\x05" "Forex");
  data.FillAmpItemDetails("10\x05" "Euro\x05" "EURUSD\x05" "0\x05" "1\x05" "7\x05\x05\x05\x05\x05\x05\x05\x05" "1\x06"
                          "11\x05" "Pound\x05" "GBPUSD\x05" "0\x05" "1\x05" "1\x05\x05\x05\x05\x05\x05\x05\x05" "1");
  EXPECT_EQ(data.ItemCollection().size(), 2u);
  EXPECT_EQ(data.item("EURUSD")->InstrumentTypeName, "");
  EXPECT_EQ(data.symbolTypeCollection().size(), 1u);
  EXPECT_EQ(data.symbolTypeCollection().at("Forex"), "GBPUSD:Pound");
  EXPECT_EQ(logLines_.size(), 1u);
}

TEST_F(ReferenceDataTest, XmlRowsUpdateRecordsInPlace) {
  ReferenceData data;
  loadXml(data,
          "<D><Table8><GroupId>5</GroupId><Name>One</Name><TradingEnabled>1</TradingEnabled></Table8>"
          "<Table7><groupid>5</groupid><InstrumentId>10</InstrumentId><SpreadBid>2</SpreadBid>"
          "<MarginCalcModeId>3</MarginCalcModeId></Table7>"
          "<Table7><groupid>9</groupid><InstrumentId>10</InstrumentId></Table7>"
          "<Table4><AccountId>1</AccountId><Balance>10</Balance><AccountName>A</AccountName></Table4>"
          "<Table4><AccountId>1</AccountId><Balance>20</Balance></Table4>"
          "<Table4><Balance>30</Balance></Table4>"
          "<Table5><InstrumentTypeId>07</InstrumentTypeId><InstrumentTypeName>Odd</InstrumentTypeName></Table5>"
          "<Table6><Code>X</Code><InstrumentTypeId>7</InstrumentTypeId><TradingStatusId>5</TradingStatusId></Table6>"
          "<Table6><Code>X</Code><Name>Ex</Name></Table6>"
          "<Table10><SettingsId>2</SettingsId><EditLimitOrder>1</EditLimitOrder><EnterLimitOrder>0</EnterLimitOrder>"
          "<EnterMarketOrder>1</EnterMarketOrder></Table10>"
          "<Table10><SettingsId>2</SettingsId><SettingsName>Two</SettingsName></Table10></D>");
  const AccountDetails& a = *data.account("1");
  EXPECT_EQ(a.Balance, 20);
  EXPECT_EQ(a.AccountName, "A");
  EXPECT_EQ(data.AccountDetailCollection().size(), 1u);
  // A second group row keeps the group's terms.
  loadXml(data, "<D><Table8><GroupId>5</GroupId><Name>Renamed</Name></Table8></D>");
  const GroupDetails& g = *data.group("5");
  EXPECT_EQ(g.Name, "Renamed");
  EXPECT_TRUE(g.TradingEnabled);
  ASSERT_EQ(g.GroupInstrumentCollection.size(), 1u);
  EXPECT_EQ(g.GroupInstrumentCollection.at("10")->margincalculationMode, 0);
  EXPECT_EQ(data.GroupDetailCollection().size(), 1u);  // the terms of group 9 made no group
  // The type stored under "07" is not found for type 7.
  EXPECT_EQ(data.getInstrumentTypeName(7), std::nullopt);
  const ItemDetails& x = *data.item("X");
  EXPECT_EQ(x.Name, "Ex");
  EXPECT_EQ(x.TradingStatusId, 5);
  EXPECT_EQ(x.instrumentTradingStatus, 0);
  const SessionSetting& s = *data.sessionSetting("2");
  EXPECT_TRUE(s.AllowEditContigent);
  EXPECT_FALSE(s.AllowNewContigent);
  EXPECT_TRUE(s.AllowNewMarket);
  EXPECT_TRUE(s.AllowNewTpSl);
  EXPECT_EQ(s.SettingsName, "Two");
  // Rows without their key cell, or terms of an unknown group, are dropped with a log line each.
  EXPECT_EQ(logLines_.size(), 2u);
}

TEST_F(ReferenceDataTest, XmlUserRowReplacesTheUserAndProductIsNotKept) {
  ReferenceData data;
  loadXml(data, "<D><Table1><userid>3</userid><ddeenabled>2</ddeenabled><OfflineMessageCount>4</OfflineMessageCount>"
                "</Table1><Table1><userid>9</userid></Table1><Table2><productName>P</productName></Table2></D>");
  EXPECT_EQ(data.userInfo()->UserId, 3);  // row "0" only
  EXPECT_EQ(data.userInfo()->DdeEnabled, 2);
  EXPECT_EQ(data.userInfo()->OfflineMessageCount, 4);
  XmlRow product;
  product.cells = {{"productId", "12"}, {"downloadUrl", "http://x"}};
  EXPECT_EQ(data.FillProductInfoDetails(product).ProductId, 12);
}

TEST_F(ReferenceDataTest, EmptyDocumentStillRunsTheHooks) {
  ReferenceData data;
  int calls = 0;
  data.setHooks({[&] { ++calls; }, [&] { ++calls; }});
  loadXml(data, "not xml at all");
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace td
