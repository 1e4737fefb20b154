#include "model/ReferenceData.h"

#include <array>
#include <bitset>
#include <string>
#include <unordered_map>

#include "model/ColumnNames.h"
#include "model/Conversions.h"
#include "model/FieldList.h"
#include "platform/Log.h"
#include "wire/Separators.h"

namespace td {

using conv::toDouble;
using conv::toFlag;
using conv::toInt;

namespace {

// ---------------------------------------------------------------------------------------------
// Date columns: one data set repeats few dates over many rows, so while a whole data set loads the
// conversions are remembered (per thread, for the length of that load only).

struct TransparentHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using DateMemo = std::unordered_map<std::string, std::string, TransparentHash, std::equal_to<>>;

struct DateMemos {
  DateMemo xml;
  DateMemo amp;
};
thread_local DateMemos* t_dateMemos = nullptr;

class DateMemoScope {
 public:
  DateMemoScope() : previous_(t_dateMemos) { t_dateMemos = &memos_; }
  ~DateMemoScope() { t_dateMemos = previous_; }
  DateMemoScope(const DateMemoScope&) = delete;
  DateMemoScope& operator=(const DateMemoScope&) = delete;

 private:
  DateMemos memos_;
  DateMemos* previous_;
};

template <class Convert>
std::string memoised(DateMemo DateMemos::*which, std::string_view text, Convert convert) {
  if (t_dateMemos == nullptr) return convert(text);
  DateMemo& memo = t_dateMemos->*which;
  auto it = memo.find(text);
  if (it == memo.end()) it = memo.emplace(std::string(text), convert(text)).first;
  return it->second;
}

std::string xmlDateToDisplay(std::string_view text) {
  return memoised(&DateMemos::xml, text, [](std::string_view t) { return conv::xmlDateToDisplay(t); });
}

std::string ampDateToDisplay(std::string_view text) {
  return memoised(&DateMemos::amp, text, [](std::string_view t) { return conv::ampDateToDisplay(t); });
}

// ---------------------------------------------------------------------------------------------
// Cutting the AMP form.

void splitColumns(std::string_view row, std::vector<std::string_view>& out) {
  out.clear();
  forEachPiece(row, MessageInnerTagSeperatortw, [&](std::string_view c) { out.push_back(c); });
}

// Calls f(row number, columns) for every non-empty row of the section.
template <class F>
void forEachAmpRow(std::string_view section, F&& f) {
  std::vector<std::string_view> columns;
  columns.reserve(48);
  std::size_t number = 0;
  forEachPiece(section, MessageInnerTagSeperatorthr, [&](std::string_view row) {
    if (row.empty()) return;
    splitColumns(row, columns);
    f(number++, columns);
  });
}

void logBadRow(const char* section, std::size_t row, const char* why) {
  TD_LOG_WARN(std::string("Login data set: skipped ") + section + " row " + std::to_string(row) + " (" + why + ")");
}

// A key column of the AMP form: present and holding a leading number.
bool ampKeyInt(const std::vector<std::string_view>& columns, std::size_t index, std::int32_t& out) {
  if (index >= columns.size()) return false;
  const conv::ParsedInt p = conv::parseInt(columns[index]);
  if (!p.hasDigits) return false;
  out = p.value;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Column sets of the XML form: present cells are applied in the set's order; absent cells leave
// the field as it was.

template <class Rec>
class XmlColumns {
 public:
  using Setter = void (*)(Rec&, std::string_view);
  struct Column {
    std::string_view name;
    Setter set;
  };
  static constexpr std::size_t kMax = 64;

  XmlColumns(std::initializer_list<Column> columns) : columns_(columns) {
    for (std::size_t i = 0; i < columns_.size(); ++i) index_.emplace(columns_[i].name, i);
  }

  void apply(Rec& record, const XmlRow& row) const {
    std::array<std::string_view, kMax> values;
    std::bitset<kMax> present;
    for (const auto& [name, text] : row.cells) {
      auto it = index_.find(name);
      if (it == index_.end()) continue;
      values[it->second] = text;  // a later cell of the same name wins
      present.set(it->second);
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (present.test(i)) columns_[i].set(record, values[i]);
    }
  }

 private:
  std::vector<Column> columns_;
  std::unordered_map<std::string_view, std::size_t> index_;
};

std::string text(std::string_view v) { return std::string(v); }

const XmlColumns<ItemType>& itemTypeColumns() {
  static const XmlColumns<ItemType> kColumns{
      {InstrumentTypeId_itemtype, [](ItemType& r, std::string_view v) { r.InstrumentTypeId = toInt(v); }},
      {InstrumentTypeName_itemtype, [](ItemType& r, std::string_view v) { r.InstrumentTypeName = text(v); }},
  };
  return kColumns;
}

const XmlColumns<ItemDetails>& itemColumns() {
  using R = ItemDetails;
  using V = std::string_view;
  static const XmlColumns<ItemDetails> kColumns{
      {Ask_itemdetails, [](R& r, V v) { r.Ask = toDouble(v); }},
      {Bid_itemdetails, [](R& r, V v) { r.Bid = toDouble(v); }},
      {CircuitLimit_itemdetails, [](R& r, V v) { r.CircuitLimit = toDouble(v); }},
      {Code_itemdetails, [](R& r, V v) { r.Code = text(v); }},
      {ContractSize_itemdetails, [](R& r, V v) { r.ContractSize = toDouble(v); }},
      {CurrencyID_itemdetails, [](R& r, V v) { r.CurrencyID = toInt(v); }},
      {CutOffLimitPercentCP_itemdetails, [](R& r, V v) { r.CutOffLimitPercentCP = toInt(v); }},
      {DayOpen_itemdetails, [](R& r, V v) { r.DayOpen = toDouble(v); }},
      {DecimalPlaces_itemdetails, [](R& r, V v) { r.DecimalPlaces = toInt(v); }},
      {Enabled_itemdetails, [](R& r, V v) { r.Enabled = toFlag(v); }},
      {FND_itemdetails, [](R& r, V v) { r.FND = xmlDateToDisplay(v); }},
      {High_itemdetails, [](R& r, V v) { r.High = toDouble(v); }},
      {Low_itemdetails, [](R& r, V v) { r.Low = toDouble(v); }},
      {Last_itemdetails, [](R& r, V v) { r.Last = toDouble(v); }},
      {InstrumentId_itemdetails, [](R& r, V v) { r.InstrumentId = toInt(v); }},
      {InstrumentTypeId_itemdetails, [](R& r, V v) { r.InstrumentTypeId = toInt(v); }},
      {IsAvailableForWatchList_itemdetails, [](R& r, V v) { r.IsAvailableForWatchlist = toFlag(v); }},
      {LTD_itemdetails, [](R& r, V v) { r.LTD = xmlDateToDisplay(v); }},
      {MaxUpdateFrequency_itemdetails, [](R& r, V v) { r.MaxUpdateFrequency = toDouble(v); }},
      {MonthCode_itemdetails, [](R& r, V v) { r.MonthCode = text(v); }},
      {Name_itemdetails, [](R& r, V v) { r.Name = text(v); }},
      {PLCalcModeId_itemdetails, [](R& r, V v) { r.PLCalcModeId = toInt(v); }},
      {Point_itemdetails, [](R& r, V v) { r.Point = toDouble(v); }},
      {PrevClose_itemdetails, [](R& r, V v) { r.PrevClose = toDouble(v); }},
      {TickSize_itemdetails, [](R& r, V v) { r.TickSize = toDouble(v); }},
      {TradingStatusId_itemdetails, [](R& r, V v) { r.setTradingStatusId(toInt(v)); }},
      {UnderlyingInstrumentId_itemdetails, [](R& r, V v) { r.UnderlyingInstrumentId = toInt(v); }},
      {UnitId_itemdetails, [](R& r, V v) { r.UnitId = toInt(v); }},
      {UpdateTime_itemdetails, [](R& r, V v) { r.UpdateTime = xmlDateToDisplay(v); }},
      {CurrentTradeSessionSettingId_itemdetails, [](R& r, V v) { r.CurrentTradeSessionSettingId = toInt(v); }},
      {AvailableOrderTypes_itemdetails, [](R& r, V v) { r.availableOrderTypes = toInt(v); }},
  };
  return kColumns;
}

const XmlColumns<AccountDetails>& accountColumns() {
  using R = AccountDetails;
  using V = std::string_view;
  static const XmlColumns<AccountDetails> kColumns{
      {AccountAccessTypeId_accountdetails, [](R& r, V v) { r.setAccountAccessTypeId(toInt(v)); }},
      {AccountEnabled_accountdetails, [](R& r, V v) { r.AccountEnabled = toFlag(v); }},
      {AccountId_accountdetails, [](R& r, V v) { r.AccountId = toInt(v); }},
      {AccountName_accountdetails, [](R& r, V v) { r.AccountName = text(v); }},
      {AccountTypeId_accountdetails, [](R& r, V v) { r.AccountTypeId = toInt(v); }},
      {AutoExecutionModeId_accountdetails, [](R& r, V v) { r.AutoExecutionModeId = toInt(v); }},
      {AvailableMargin_accountdetails, [](R& r, V v) { r.AvailableMargin = toDouble(v); }},
      {Balance_accountdetails, [](R& r, V v) { r.Balance = toDouble(v); }},
      {BranchId_accountdetails, [](R& r, V v) { r.BranchId = toInt(v); }},
      {CollateralSecurity_accountdetails, [](R& r, V v) { r.CollateralSecurity = toDouble(v); }},
      {Equity_accountdetails, [](R& r, V v) { r.Equity = toDouble(v); }},
      {GroupId_accountdetails, [](R& r, V v) { r.GroupId = text(v); }},
      {HedgeModeId_accountdetails, [](R& r, V v) { r.HedgeModeId = toInt(v); }},
      {InstrumentLimit_accountdetails, [](R& r, V v) { r.InstrumentLimit = toInt(v); }},
      {LeverageOnPositions_accountdetails, [](R& r, V v) { r.LeverageOnPositions = toDouble(v); }},
      {TradeRouteId_accountdetails, [](R& r, V v) { r.TradeRouteId = toInt(v); }},
      {TradingStatusId_accountdetails, [](R& r, V v) { r.setTradingStatusId(toInt(v)); }},
      {UnrealisedPL_accountdetails, [](R& r, V v) { r.UnrealisedPL = toDouble(v); }},
      {UsedMargin_accountdetails, [](R& r, V v) { r.UsedMargin = toDouble(v); }},
      {WatchListItemLimit_accountdetails, [](R& r, V v) { r.WatchlistItemLimit = toInt(v); }},
      {AccumulatingStorage_accountdetails, [](R& r, V v) { r.AccumulatingStorage = toDouble(v); }},
      {AvailableOrderTypes_accountdetails, [](R& r, V v) { r.availableOrderTypes = toInt(v); }},
  };
  return kColumns;
}

const XmlColumns<GroupDetails>& groupColumns() {
  using R = GroupDetails;
  using V = std::string_view;
  static const XmlColumns<GroupDetails> kColumns{
      {CompanyId_groupdetails, [](R& r, V v) { r.CompanyId = toInt(v); }},
      {CreditRating_groupdetails, [](R& r, V v) { r.CreditRating = toInt(v); }},
      {GroupId_groupdetails, [](R& r, V v) { r.GroupId = toInt(v); }},
      {InstrumentLimit_groupdetails, [](R& r, V v) { r.InstrumentLimit = toInt(v); }},
      {IsChatEnabled_groupdetails, [](R& r, V v) { r.IsChatEnabled = toFlag(v); }},
      {IsEAEnabled_groupdetails, [](R& r, V v) { r.IsEAEnabled = toFlag(v); }},
      {IsMailEnabled_groupdetails, [](R& r, V v) { r.IsMailEnabled = toFlag(v); }},
      {IsNewsEnabled_groupdetails, [](R& r, V v) { r.IsNewsEnabled = toFlag(v); }},
      {IsTrailingStopEnabled_groupdetails, [](R& r, V v) { r.IsTrailingStopEnabled = toFlag(v); }},
      {LeverageOnFProfit_groupdetails, [](R& r, V v) { r.LeverageOnFProfit = toInt(v); }},
      {MarginCallLevel_groupdetails, [](R& r, V v) { r.MarginCallLevel = toDouble(v); }},
      {MaxOrderQty_groupdetails, [](R& r, V v) { r.MaxOrderQty = toDouble(v); }},
      {Name_groupdetails, [](R& r, V v) { r.Name = text(v); }},
      {OrderQtyStep_groupdetails, [](R& r, V v) { r.OrderQtyStep = toDouble(v); }},
      {ReportHistoryDaysLimit_groupdetails, [](R& r, V v) { r.ReportHistoryDaysLimit = toInt(v); }},
      {RevLeverageOnFLoss_groupdetails, [](R& r, V v) { r.RevLeverageOnFLoss = toInt(v); }},
      {SendExecutionSMS_groupdetails, [](R& r, V v) { r.SendExecutionSMS = toFlag(v); }},
      {SendMailReports_groupdetails, [](R& r, V v) { r.SendMailReports = toFlag(v); }},
      {StopOutLevel_groupdetails, [](R& r, V v) { r.StopOutLevel = toDouble(v); }},
      {TradingEnabled_groupdetails, [](R& r, V v) { r.TradingEnabled = toFlag(v); }},
      {WatchListItemLimit_groupdetails, [](R& r, V v) { r.WatchlistItemLimit = toInt(v); }},
  };
  return kColumns;
}

const XmlColumns<GroupInstruments>& groupInstrumentColumns() {
  using R = GroupInstruments;
  using V = std::string_view;
  static const XmlColumns<GroupInstruments> kColumns{
      {AllowShortSelling_groupinstruments, [](R& r, V v) { r.AllowShortSelling = toFlag(v); }},
      {AutoExecutionModeId_groupinstruments, [](R& r, V v) { r.AutoExecutionModeId = toInt(v); }},
      {BTSTOrderMargin_groupinstruments, [](R& r, V v) { r.BTSTOrderMargin = toDouble(v); }},
      {Commission_groupinstruments, [](R& r, V v) { r.Commission = toDouble(v); }},
      {InitialMargin_groupinstruments, [](R& r, V v) { r.InitialMargin = toDouble(v); }},
      {InstrumentId_groupinstruments, [](R& r, V v) { r.InstrumentId = toInt(v); }},
      {IntradayOrderMargin_groupinstruments, [](R& r, V v) { r.IntradayOrderMargin = toDouble(v); }},
      {LimitMinPips_groupinstruments, [](R& r, V v) { r.LimitMinPips = toInt(v); }},
      {LimitOrderMargin_groupinstruments, [](R& r, V v) { r.LimitOrderMargin = toDouble(v); }},
      {LiquidationMargin_groupinstruments, [](R& r, V v) { r.LiquidationMargin = toDouble(v); }},
      {MarginCalcModeId_groupinstruments, [](R& r, V v) { r.setMarginCalcModeId(toInt(v)); }},
      {MaxOrderQty_groupinstruments, [](R& r, V v) { r.MaxOrderQty = toDouble(v); }},
      {MinOrderQty_groupinstruments, [](R& r, V v) { r.MinOrderQty = toDouble(v); }},
      {OrderQtyStep_groupinstruments, [](R& r, V v) { r.OrderQtyStep = toDouble(v); }},
      {OverNightMargin_groupinstruments, [](R& r, V v) { r.OverNightMargin = toDouble(v); }},
      {PLCalcModeId_groupinstruments, [](R& r, V v) { r.PLCalcModeId = toInt(v); }},
      {SpreadAsk_groupinstruments, [](R& r, V v) { r.SpreadAsk = toInt(v); }},
      {SpreadBid_groupinstruments, [](R& r, V v) { r.SpreadBid = toInt(v); }},
      {SpreadTypeId_groupinstruments, [](R& r, V v) { r.SpreadTypeId = toInt(v); }},
      {StopMinPips_groupinstruments, [](R& r, V v) { r.StopMinPips = toInt(v); }},
      {BuyInterestRate_groupinstruments, [](R& r, V v) { r.BuyInterestRate = toDouble(v); }},
      {GroupDetailsId_groupinstruments, [](R& r, V v) { r.groupdetailsid = toInt(v); }},
      {GroupId_groupinstruments, [](R& r, V v) { r.GroupId = toInt(v); }},
      {SellInterestRate_groupinstruments, [](R& r, V v) { r.SellInterestRate = toDouble(v); }},
  };
  return kColumns;
}

const XmlColumns<UserInfo>& userInfoColumns() {
  using R = UserInfo;
  using V = std::string_view;
  static const XmlColumns<UserInfo> kColumns{
      {NewRefId_userinfo, [](R& r, V v) { r.NewRefId = toInt(v); }},
      {OfflineMessageCount_userinfo, [](R& r, V v) { r.OfflineMessageCount = toInt(v); }},
      {AppModeId_userinfo, [](R& r, V v) { r.AppModeId = toInt(v); }},
      {CanChangePassword_userinfo, [](R& r, V v) { r.CanChangePassword = toFlag(v); }},
      {DdeEnabled_userinfo, [](R& r, V v) { r.DdeEnabled = toInt(v); }},
      {ForceLogoutLoadServerId_userinfo, [](R& r, V v) { r.ForceLogoutLoadServerId = toInt(v); }},
      {ForceLogoutRefId_userinfo, [](R& r, V v) { r.ForceLogoutRefId = toInt(v); }},
      {hdServerPort_userinfo, [](R& r, V v) { r.hdServerPort = toInt(v); }},
      {LastRefId_userinfo, [](R& r, V v) { r.LastRefId = toInt(v); }},
      {marketdepthPort_userinfo, [](R& r, V v) { r.marketdepthPort = toInt(v); }},
      {tradePubPort_userinfo, [](R& r, V v) { r.tradePubPort = toInt(v); }},
      {UserTypeId_userinfo, [](R& r, V v) { r.UserTypeId = toInt(v); }},
      {UserEnabled_userinfo, [](R& r, V v) { r.UserEnabled = toFlag(v); }},
      {UserId_userinfo, [](R& r, V v) { r.UserId = toInt(v); }},
  };
  return kColumns;
}

const XmlColumns<ProductInfo>& productInfoColumns() {
  using R = ProductInfo;
  using V = std::string_view;
  static const XmlColumns<ProductInfo> kColumns{
      {LatestBuild_productinfo, [](R& r, V v) { r.LatestBuild = text(v); }},
      {LatestSupportedBuild_productinfo, [](R& r, V v) { r.LatestSupportedBuild = text(v); }},
      {ProductId_productinfo, [](R& r, V v) { r.ProductId = toInt(v); }},
      {ProductName_productinfo, [](R& r, V v) { r.ProductName = text(v); }},
  };
  return kColumns;
}

const XmlColumns<SessionSetting>& sessionSettingColumns() {
  using R = SessionSetting;
  using V = std::string_view;
  static const XmlColumns<SessionSetting> kColumns{
      {EditLimitOrder_sessionsetting, [](R& r, V v) { r.setEditLimitOrder(toFlag(v)); }},
      {EditMarketMakertOrder_sessionsetting, [](R& r, V v) { r.EditMarketMakertOrder = toFlag(v); }},
      {EditMarketOrder_sessionsetting, [](R& r, V v) { r.EditMarketOrder = toFlag(v); }},
      {EnterLimitOrder_sessionsetting, [](R& r, V v) { r.setEnterLimitOrder(toFlag(v)); }},
      {EnterMarketMakerOrder_sessionsetting, [](R& r, V v) { r.EnterMarketMakerOrder = toFlag(v); }},
      {EnterMarketOrder_sessionsetting, [](R& r, V v) { r.setEnterMarketOrder(toFlag(v)); }},
      {ExecuteOrders_sessionsetting, [](R& r, V v) { r.ExecuteOrders = toFlag(v); }},
      {MatchMMwithMMOrders_sessionsetting, [](R& r, V v) { r.MatchMMwithMMOrders = toFlag(v); }},
      {PublishMarketData_sessionsetting, [](R& r, V v) { r.PublishMarketData = toFlag(v); }},
      {PublishTradeData_sessionsetting, [](R& r, V v) { r.PublishTradeData = toFlag(v); }},
      {SessionColor_sessionsetting, [](R& r, V v) { r.SessionColor = RgbColor::fromPacked(toInt(v)); }},
      {SettingsId_sessionsetting, [](R& r, V v) { r.SettingsId = toInt(v); }},
      {SettingsName_sessionsetting, [](R& r, V v) { r.SettingsName = text(v); }},
      {UseELP_sessionsetting, [](R& r, V v) { r.UseELP = toFlag(v); }},
  };
  return kColumns;
}

// ---------------------------------------------------------------------------------------------
// Column maps of the AMP form, by position.

void setAmpItemColumn(ItemDetails& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.InstrumentId = toInt(v); break;
    case 1: r.Name = text(v); break;
    case 2: r.Code = text(v); break;
    case 3: r.CurrencyID = toInt(v); break;
    case 4: r.Enabled = toFlag(v); break;
    case 5: r.InstrumentTypeId = toInt(v); break;
    case 6: r.TickSize = toDouble(v); break;
    case 7: r.Point = toDouble(v); break;
    case 8: r.DecimalPlaces = toInt(v); break;
    case 9: r.MonthCode = text(v); break;
    case 10: r.ContractSize = toDouble(v); break;
    case 11: r.UnitId = toInt(v); break;
    case 12: r.setTradingStatusId(toInt(v)); break;
    case 13: r.IsAvailableForWatchlist = toFlag(v); break;
    case 14: r.UnderlyingInstrumentId = toInt(v); break;
    case 15: r.MaxUpdateFrequency = toDouble(v); break;
    case 16: r.CutOffLimitPercentCP = toInt(v); break;
    case 17: r.FND = ampDateToDisplay(v); break;
    case 18: r.LTD = ampDateToDisplay(v); break;
    case 19: r.CircuitLimit = toDouble(v); break;
    case 20: r.PLCalcModeId = toInt(v); break;
    case 21: r.Bid = toDouble(v); break;
    case 22: r.Ask = toDouble(v); break;
    case 23: r.Last = toDouble(v); break;
    case 24: r.High = toDouble(v); break;
    case 25: r.Low = toDouble(v); break;
    case 26: r.DayOpen = toDouble(v); break;
    case 27: r.PrevClose = toDouble(v); break;
    case 28: r.UpdateTime = ampDateToDisplay(v); break;
    case 29: r.CurrentTradeSessionSettingId = toInt(v); break;
    case 30: r.HedgeModeId = toInt(v); break;
    case 31: r.MaxHoldingDays = toInt(v); break;
    case 32: r.HighlightColor = toInt(v); break;
    case 33: r.availableOrderTypes = toInt(v); break;
    case 37: r.isAvailableForTrading = toFlag(v); break;
    case 38: r.availableOrderSettings = toInt(v); break;
    default: break;
  }
}

void setAmpAccountColumn(AccountDetails& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.AccountId = toInt(v); break;
    case 1: r.GroupId = text(v); break;
    case 2: r.AccountTypeId = toInt(v); break;
    case 4: r.Balance = toDouble(v); break;
    case 5: r.UnrealisedPL = toDouble(v); break;
    case 6: r.LeverageOnPositions = toDouble(v); break;
    case 7: r.CollateralSecurity = toDouble(v); break;
    case 8: r.UsedMargin = toDouble(v); break;
    case 9: r.Equity = toDouble(v); break;
    case 10: r.AvailableMargin = toDouble(v); break;
    case 12: r.HedgeModeId = toInt(v); break;
    case 13: r.TradeRouteId = toInt(v); break;
    case 14: r.AutoExecutionModeId = toInt(v); break;
    case 15: r.AccountName = text(v); break;
    case 16: r.AccountEnabled = toFlag(v); break;
    case 17: r.InstrumentLimit = toInt(v); break;
    case 18: r.WatchlistItemLimit = toInt(v); break;
    case 19: r.setAccountAccessTypeId(toInt(v)); break;
    case 20: r.setTradingStatusId(toInt(v)); break;
    case 22: r.AccumulatingStorage = toDouble(v); break;
    case 24: r.availableOrderTypes = toInt(v); break;
    case 28: r.accountSettings1 = toInt(v); break;
    default: break;
  }
}

void setAmpGroupColumn(GroupDetails& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.GroupId = toInt(v); break;
    case 1: r.Name = text(v); break;
    case 2: r.TradingEnabled = toFlag(v); break;
    case 3: r.CompanyId = toInt(v); break;
    case 5: r.IsNewsEnabled = toFlag(v); break;
    case 6: r.IsMailEnabled = toFlag(v); break;
    case 7: r.IsChatEnabled = toFlag(v); break;
    case 8: r.IsEAEnabled = toFlag(v); break;
    case 9: r.InstrumentLimit = toInt(v); break;
    case 10: r.WatchlistItemLimit = toInt(v); break;
    case 11: r.MaxOrderQty = toDouble(v); break;
    case 12: r.OrderQtyStep = toDouble(v); break;
    case 13: r.IsTrailingStopEnabled = toFlag(v); break;
    case 14: r.MarginCallLevel = toDouble(v); break;
    case 15: r.StopOutLevel = toDouble(v); break;
    case 16: r.LeverageOnFProfit = toInt(v); break;
    case 17: r.RevLeverageOnFLoss = toInt(v); break;
    case 18: r.ReportHistoryDaysLimit = toInt(v); break;
    case 19: r.SendMailReports = toFlag(v); break;
    case 20: r.SendExecutionSMS = toFlag(v); break;
    case 21: r.CreditRating = toInt(v); break;
    default: break;
  }
}

void setAmpGroupInstrumentColumn(GroupInstruments& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.groupdetailsid = toInt(v); break;
    case 1: r.GroupId = toInt(v); break;
    case 2: r.InstrumentId = toInt(v); break;
    case 3: r.OrderQtyStep = toDouble(v); break;
    case 4: r.MaxOrderQty = toDouble(v); break;
    case 5: r.MinOrderQty = toDouble(v); break;
    case 6: r.SpreadBid = toInt(v); break;
    case 7: r.SpreadAsk = toInt(v); break;
    case 8: r.SpreadTypeId = toInt(v); break;
    case 9: r.BuyInterestRate = toDouble(v); break;
    case 10: r.SellInterestRate = toDouble(v); break;
    case 11: r.LimitMinPips = toInt(v); break;
    case 12: r.StopMinPips = toInt(v); break;
    case 13: r.AllowShortSelling = toFlag(v); break;
    case 14: r.InitialMargin = toDouble(v); break;
    case 15: r.LimitOrderMargin = toDouble(v); break;
    case 16: r.LiquidationMargin = toDouble(v); break;
    case 17: r.IntradayOrderMargin = toDouble(v); break;
    case 18: r.BTSTOrderMargin = toDouble(v); break;
    case 19: r.OverNightMargin = toDouble(v); break;
    case 20: r.Commission = toDouble(v); break;
    case 21: r.AutoExecutionModeId = toInt(v); break;
    case 22: r.setMarginCalcModeId(toInt(v)); break;
    default: break;
  }
}

void setAmpSessionSettingColumn(SessionSetting& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.SettingsId = toInt(v); break;
    case 1: r.SettingsName = text(v); break;
    case 2: r.setEnterLimitOrder(toFlag(v)); break;
    case 3: r.setEnterMarketOrder(toFlag(v)); break;
    case 4: r.setEditLimitOrder(toFlag(v)); break;
    case 5: r.EditMarketOrder = toFlag(v); break;
    case 6: r.ExecuteOrders = toFlag(v); break;
    case 7: r.PublishMarketData = toFlag(v); break;
    case 8: r.PublishTradeData = toFlag(v); break;
    case 9: r.MatchMMwithMMOrders = toFlag(v); break;
    case 10: r.EnterMarketMakerOrder = toFlag(v); break;
    case 11: r.EditMarketMakertOrder = toFlag(v); break;
    case 12: r.SessionColor = RgbColor::fromPacked(toInt(v)); break;
    case 13: r.UseELP = toFlag(v); break;
    default: break;
  }
}

void setAmpUserInfoColumn(UserInfo& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.UserId = toInt(v); break;
    case 1: r.LastRefId = toInt(v); break;
    case 2: r.NewRefId = toInt(v); break;
    case 3: r.DdeEnabled = toFlag(v) ? 1 : 0; break;
    case 4: r.UserEnabled = toFlag(v); break;
    case 5: r.UserTypeId = toInt(v); break;
    case 6: r.ForceLogoutRefId = toInt(v); break;
    case 7: r.ForceLogoutLoadServerId = toInt(v); break;
    case 8: r.AppModeId = toInt(v); break;
    case 9: r.CanChangePassword = toFlag(v); break;
    case 10: r.tradePubPort = toInt(v); break;
    case 11: r.marketdepthPort = toInt(v); break;
    case 12: r.hdServerPort = toInt(v); break;
    default: break;
  }
}

void setAmpProductInfoColumn(ProductInfo& r, std::size_t i, std::string_view v) {
  switch (i) {
    case 0: r.ProductId = toInt(v); break;
    case 1: r.ProductName = text(v); break;
    case 2: r.LatestBuild = text(v); break;
    case 4: r.LatestSupportedBuild = text(v); break;
    default: break;
  }
}

template <class Rec, class Setter>
void applyAmpColumns(Rec& record, const std::vector<std::string_view>& columns, Setter set) {
  for (std::size_t i = 0; i < columns.size(); ++i) set(record, i, columns[i]);
}

// The first row of a section (the piece before the first 0x06, even when empty).
std::string_view firstAmpRow(std::string_view section) {
  return section.substr(0, section.find(MessageInnerTagSeperatorthr));
}

void logMissingKey(const char* table, std::string_view column) {
  TD_LOG_WARN(std::string("Login data set: dropped a ") + table + " row without \"" + std::string(column) + "\"");
}

// The record stored under the row's key column, made when there is none yet (the XML form updates
// records in place); null, with a log line, when the row has no key.
template <class Rec>
std::shared_ptr<Rec> xmlRecord(RecordCollection<Rec>& records, const XmlRow& row, std::string_view keyColumn,
                               const char* table) {
  const auto key = row.get(keyColumn);
  if (!key) {
    logMissingKey(table, keyColumn);
    return nullptr;
  }
  auto& slot = records[std::string(*key)];
  if (!slot) slot = std::make_shared<Rec>();
  return slot;
}

template <class Rec>
std::shared_ptr<Rec> findRecord(const RecordCollection<Rec>& records, std::string_view key) {
  auto it = records.find(key);
  return it == records.end() ? nullptr : it->second;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

ReferenceData::ReferenceData() : userInfo_(std::make_shared<UserInfo>()) {}

std::shared_ptr<ItemDetails> ReferenceData::item(std::string_view code) const { return findRecord(items_, code); }

std::shared_ptr<AccountDetails> ReferenceData::account(std::string_view key) const {
  return findRecord(accounts_, key);
}

std::shared_ptr<GroupDetails> ReferenceData::group(std::string_view key) const { return findRecord(groups_, key); }

std::shared_ptr<SessionSetting> ReferenceData::sessionSetting(std::string_view key) const {
  return findRecord(sessionSettings_, key);
}

std::shared_ptr<GroupInstruments> ReferenceData::groupInstruments(const AccountDetails& account,
                                                                  std::int32_t instrumentId) const {
  auto g = group(account.GroupId);
  if (!g) return nullptr;
  auto it = g->GroupInstrumentCollection.find(std::to_string(instrumentId));
  return it == g->GroupInstrumentCollection.end() ? nullptr : it->second;
}

std::optional<std::string> ReferenceData::getInstrumentTypeName(std::int32_t instrumentTypeId) const {
  auto it = itemTypes_.find(std::to_string(instrumentTypeId));
  if (it == itemTypes_.end()) return std::nullopt;
  return it->second->InstrumentTypeName;
}

std::string ReferenceData::getItemCode(std::int32_t instrumentId) const {
  if (itemIndexDirty_) {
    itemCodeByInstrument_.clear();
    for (const auto& [code, item] : items_) itemCodeByInstrument_.emplace(item->InstrumentId, item->Code);
    itemIndexDirty_ = false;
  }
  auto it = itemCodeByInstrument_.find(instrumentId);
  return it == itemCodeByInstrument_.end() ? std::string() : it->second;
}

void ReferenceData::runHook(const std::function<void()>& hook, const char* what) {
  if (hook) {
    hook();
  } else {
    TD_LOG_DEBUG(std::string("Login data set: no ") + what + " hook set");
  }
}

void ReferenceData::listForWatchlist(const ItemDetails& item) {
  if (!(item.IsAvailableForWatchlist && item.Enabled)) return;
  const std::optional<std::string> typeName = getInstrumentTypeName(item.InstrumentTypeId);
  if (!typeName) {
    TD_LOG_WARN("Login data set: item " + item.Code + " has the unknown instrument type " +
                std::to_string(item.InstrumentTypeId) + " and is not listed for the watchlist");
    return;
  }
  std::string entry = item.Code + ":" + item.Name;
  auto it = symbolTypes_.find(*typeName);
  if (it != symbolTypes_.end()) {
    it->second += ",";
    it->second += entry;
  } else {
    symbolTypes_.emplace(*typeName, std::move(entry));
  }
  symbolTypeEntries_[*typeName].push_back({item.Code, item.Name});
}

// ---------------------------------------------------------------------------------------------
// XML form.

void ReferenceData::FillTableDetails(const XmlTables& tables) {
  const DateMemoScope dates;
  if (const XmlTable* t = tables.table(TableName_userinfo); t && !t->empty()) FillUserInfoDetails(t->front());
  if (const XmlTable* t = tables.table(TableName_productinfo); t && !t->empty()) {
    (void)FillProductInfoDetails(t->front());
  }
  if (const XmlTable* t = tables.table(TableName_accountdetails)) {
    for (const XmlRow& row : *t) FillAccountDetails(row);
  }
  if (const XmlTable* t = tables.table(TableName_groupdetails)) {
    for (const XmlRow& row : *t) FillGroupDetails(row);
  }
  if (const XmlTable* t = tables.table(TableName_itemtype)) {
    for (const XmlRow& row : *t) FillItemType(row);
  }
  if (const XmlTable* t = tables.table(TableName_itemdetails)) {
    for (const XmlRow& row : *t) FillItemDetails(row);
  }
  runHook(hooks_.LoadItemstoWatchlist, "LoadItemstoWatchlist");
  if (const XmlTable* t = tables.table(TableName_groupinstruments)) {
    for (const XmlRow& row : *t) FillGroupInstruments(row);
  }
  runHook(hooks_.SetAllSymbolsSpread, "SetAllSymbolsSpread");
  if (const XmlTable* t = tables.table(TableName_sessionsetting)) {
    for (const XmlRow& row : *t) FillSessionSettingCollection(row);
  }
}

void ReferenceData::FillUserInfoDetails(const XmlRow& row) {
  userInfo_ = std::make_shared<UserInfo>();
  userInfoColumns().apply(*userInfo_, row);
}

ProductInfo ReferenceData::FillProductInfoDetails(const XmlRow& row) {
  ProductInfo product;
  productInfoColumns().apply(product, row);
  return product;
}

void ReferenceData::FillAccountDetails(const XmlRow& row) {
  if (auto r = xmlRecord(accounts_, row, AccountId_accountdetails, "account")) accountColumns().apply(*r, row);
}

void ReferenceData::FillGroupDetails(const XmlRow& row) {
  if (auto r = xmlRecord(groups_, row, GroupId_groupdetails, "group")) groupColumns().apply(*r, row);
}

void ReferenceData::FillItemType(const XmlRow& row) {
  if (auto r = xmlRecord(itemTypes_, row, InstrumentTypeId_itemtype, "item type")) itemTypeColumns().apply(*r, row);
}

void ReferenceData::FillItemDetails(const XmlRow& row) {
  std::shared_ptr<ItemDetails> record = xmlRecord(items_, row, Code_itemdetails, "item");
  if (!record) return;
  itemsChanged();
  itemColumns().apply(*record, row);
  record->InstrumentTypeName = getInstrumentTypeName(record->InstrumentTypeId).value_or(std::string());
  listForWatchlist(*record);
  // The XML form makes an item with a conversion currency its own conversion item.
  if (record->CurrencyID > 0) record->CalculationItems = record;
}

void ReferenceData::FillGroupInstruments(const XmlRow& row) {
  const auto groupKey = row.get(GroupId_groupinstruments);
  std::shared_ptr<GroupDetails> owner = groupKey ? group(*groupKey) : nullptr;
  if (!owner) {
    TD_LOG_WARN("Login data set: dropped instrument terms of the unknown group \"" +
                std::string(groupKey.value_or("")) + "\"");
    return;
  }
  auto& terms = owner->GroupInstrumentCollection;
  if (auto r = xmlRecord(terms, row, InstrumentId_groupinstruments, "group instrument")) {
    groupInstrumentColumns().apply(*r, row);
  }
}

void ReferenceData::FillSessionSettingCollection(const XmlRow& row) {
  if (auto r = xmlRecord(sessionSettings_, row, SettingsId_sessionsetting, "session setting")) {
    sessionSettingColumns().apply(*r, row);
  }
}

// ---------------------------------------------------------------------------------------------
// AMP form.

void ReferenceData::FillAmpDetails(std::string_view text) {
  const DateMemoScope dates;
  std::vector<std::string_view> sections;
  forEachPiece(text, MessageInnerTagSeperatorfou, [&](std::string_view s) { sections.push_back(s); });
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::string_view section = sections[i];
    switch (i) {
      case 0: FillAmpUserInfoDetails(section); break;
      case 1: (void)FillAmpProductInfoDetails(section); break;
      case 2: FillAmpItemType(section); break;
      case 3: FillAmpSessionSettingCollection(section); break;
      case 4:
        FillAmpItemDetails(section);
        runHook(hooks_.LoadItemstoWatchlist, "LoadItemstoWatchlist");
        break;
      case 5: FillAmpGroupDetails(section); break;
      case 6: FillAmpGroupInstruments(section); break;
      case 8:
        FillAmpAccountDetails(section);
        runHook(hooks_.SetAllSymbolsSpread, "SetAllSymbolsSpread");
        break;
      case 16: FillAmpLoginInfoDetails(section); break;
      default: break;
    }
  }
}

void ReferenceData::FillAmpUserInfoDetails(std::string_view section) {
  userInfo_ = std::make_shared<UserInfo>();
  std::vector<std::string_view> columns;
  splitColumns(firstAmpRow(section), columns);
  applyAmpColumns(*userInfo_, columns, setAmpUserInfoColumn);
}

ProductInfo ReferenceData::FillAmpProductInfoDetails(std::string_view section) {
  ProductInfo product;
  std::vector<std::string_view> columns;
  splitColumns(firstAmpRow(section), columns);
  applyAmpColumns(product, columns, setAmpProductInfoColumn);
  return product;
}

void ReferenceData::FillAmpItemType(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    std::int32_t id = 0;
    if (!ampKeyInt(columns, 0, id)) return logBadRow("item type", number, "no type id");
    auto record = std::make_shared<ItemType>();
    record->InstrumentTypeId = id;
    if (columns.size() > 1) record->InstrumentTypeName = text(columns[1]);
    itemTypes_[std::to_string(record->InstrumentTypeId)] = std::move(record);
  });
}

void ReferenceData::FillAmpSessionSettingCollection(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    std::int32_t id = 0;
    if (!ampKeyInt(columns, 0, id)) return logBadRow("session setting", number, "no settings id");
    auto record = std::make_shared<SessionSetting>();
    applyAmpColumns(*record, columns, setAmpSessionSettingColumn);
    sessionSettings_[std::to_string(record->SettingsId)] = std::move(record);
  });
}

void ReferenceData::FillAmpItemDetails(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    if (columns.size() < 3) return logBadRow("item", number, "fewer than 3 columns");
    if (columns[2].empty()) return logBadRow("item", number, "no item code");
    auto record = std::make_shared<ItemDetails>();
    applyAmpColumns(*record, columns, setAmpItemColumn);
    record->InstrumentTypeName = getInstrumentTypeName(record->InstrumentTypeId).value_or(std::string());
    listForWatchlist(*record);
    items_[record->Code] = std::move(record);
    itemsChanged();
  });
  // Link the conversion items of every item: the item whose InstrumentId is its CurrencyID.
  for (const auto& [code, record] : items_) {
    if (record->CurrencyID <= 0) continue;
    const std::string target = getItemCode(record->CurrencyID);
    record->CalculationItems = target.empty() ? std::weak_ptr<ItemDetails>() : std::weak_ptr<ItemDetails>(item(target));
  }
}

void ReferenceData::FillAmpGroupDetails(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    std::int32_t id = 0;
    if (!ampKeyInt(columns, 0, id)) return logBadRow("group", number, "no group id");
    auto record = std::make_shared<GroupDetails>();
    applyAmpColumns(*record, columns, setAmpGroupColumn);
    groups_[std::to_string(record->GroupId)] = std::move(record);
  });
}

void ReferenceData::FillAmpGroupInstruments(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    std::int32_t groupId = 0;
    std::int32_t instrumentId = 0;
    if (!ampKeyInt(columns, 1, groupId) || !ampKeyInt(columns, 2, instrumentId)) {
      return logBadRow("group instrument", number, "no group or instrument id");
    }
    auto record = std::make_shared<GroupInstruments>();
    applyAmpColumns(*record, columns, setAmpGroupInstrumentColumn);
    auto owner = group(std::to_string(record->GroupId));
    if (!owner) return logBadRow("group instrument", number, "unknown group");
    owner->GroupInstrumentCollection[std::to_string(record->InstrumentId)] = std::move(record);
  });
}

void ReferenceData::FillAmpAccountDetails(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    std::int32_t id = 0;
    if (!ampKeyInt(columns, 0, id)) return logBadRow("account", number, "no account id");
    auto record = std::make_shared<AccountDetails>();
    applyAmpColumns(*record, columns, setAmpAccountColumn);
    accounts_[std::to_string(record->AccountId)] = std::move(record);
  });
}

void ReferenceData::FillAmpLoginInfoDetails(std::string_view section) {
  forEachAmpRow(section, [&](std::size_t number, const std::vector<std::string_view>& columns) {
    if (columns.size() < 3) return logBadRow("login message", number, "fewer than 3 columns");
    const std::int32_t code = toInt(columns[2]);
    if (code <= 0 || !LoginInfoMessage::isEnumDefined(code)) return;
    auto record = std::make_shared<LoginInfoMessage>();
    record->DisplayMode = toInt(columns[0]);
    record->Message = text(columns[1]);
    record->ErrorCode = code;
    loginMessages_[std::to_string(code)] = record;
    lastLoginMessage_ = std::move(record);
  });
}

void ReferenceData::FillAmpServerDetails(std::string_view section) {
  std::vector<std::string_view> columns;
  splitColumns(firstAmpRow(section), columns);
  TD_LOG_INFO("Server details: " + std::string(columns.front()));
}

}  // namespace td
