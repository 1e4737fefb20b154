#pragma once
// Names of the login data set: XML table names and column names (each constant is the column name
// joined by an underscore to its table), and the value of tag 160 that marks the delimited form.

#include <string_view>

namespace td {

inline constexpr std::string_view MESSAGE_AMP_TYPE = "AMP";

// Tables of the XML form.
inline constexpr std::string_view TableName_userinfo = "Table1";
inline constexpr std::string_view TableName_productinfo = "Table2";
inline constexpr std::string_view TableName_accountdetails = "Table4";
inline constexpr std::string_view TableName_itemtype = "Table5";
inline constexpr std::string_view TableName_itemdetails = "Table6";
inline constexpr std::string_view TableName_groupinstruments = "Table7";
inline constexpr std::string_view TableName_groupdetails = "Table8";
inline constexpr std::string_view TableName_sessionsetting = "Table10";

// Instrument types.
inline constexpr std::string_view InstrumentTypeId_itemtype = "InstrumentTypeId";
inline constexpr std::string_view InstrumentTypeName_itemtype = "InstrumentTypeName";

// Instruments.
inline constexpr std::string_view Ask_itemdetails = "Ask";
inline constexpr std::string_view Bid_itemdetails = "Bid";
inline constexpr std::string_view CircuitLimit_itemdetails = "CircuitLimit";
inline constexpr std::string_view Code_itemdetails = "Code";
inline constexpr std::string_view ContractSize_itemdetails = "ContractSize";
inline constexpr std::string_view CurrencyID_itemdetails = "CurrencyID";
inline constexpr std::string_view CutOffLimitPercentCP_itemdetails = "CutOffLimitPercentCP";
inline constexpr std::string_view DayOpen_itemdetails = "DayOpen";
inline constexpr std::string_view DecimalPlaces_itemdetails = "DecimalPlaces";
inline constexpr std::string_view Enabled_itemdetails = "Enabled";
inline constexpr std::string_view FND_itemdetails = "FND";
inline constexpr std::string_view High_itemdetails = "High";
inline constexpr std::string_view Low_itemdetails = "Low";
inline constexpr std::string_view Last_itemdetails = "Last";
inline constexpr std::string_view InstrumentId_itemdetails = "InstrumentId";
inline constexpr std::string_view InstrumentTypeId_itemdetails = "InstrumentTypeId";
inline constexpr std::string_view IsAvailableForWatchList_itemdetails = "IsAvailableForWatchList";
inline constexpr std::string_view LTD_itemdetails = "LTD";
inline constexpr std::string_view MaxUpdateFrequency_itemdetails = "MaxUpdateFrequency";
inline constexpr std::string_view MonthCode_itemdetails = "MonthCode";
inline constexpr std::string_view Name_itemdetails = "Name";
inline constexpr std::string_view PLCalcModeId_itemdetails = "PLCalcModeId";
inline constexpr std::string_view Point_itemdetails = "Point";
inline constexpr std::string_view PrevClose_itemdetails = "PrevClose";
inline constexpr std::string_view TickSize_itemdetails = "TickSize";
inline constexpr std::string_view TradingStatusId_itemdetails = "TradingStatusId";
inline constexpr std::string_view UnderlyingInstrumentId_itemdetails = "UnderlyingInstrumentId";
inline constexpr std::string_view UnitId_itemdetails = "UnitId";
inline constexpr std::string_view UpdateTime_itemdetails = "UpdateTime";
inline constexpr std::string_view CurrentTradeSessionSettingId_itemdetails = "CurrentTradeSessionSettingId";
inline constexpr std::string_view AvailableOrderTypes_itemdetails = "AvailableOrderTypes";
inline constexpr std::string_view OrderQtyStep_itemdetails = "OrderQtyStep";
inline constexpr std::string_view MaxOrderQty_itemdetails = "MaxOrderQty";

// Accounts.
inline constexpr std::string_view AccountId_accountdetails = "AccountId";
inline constexpr std::string_view GroupId_accountdetails = "GroupId";
inline constexpr std::string_view AccountTypeId_accountdetails = "AccountTypeId";
inline constexpr std::string_view Balance_accountdetails = "Balance";
inline constexpr std::string_view UnrealisedPL_accountdetails = "UnrealisedPL";
inline constexpr std::string_view LeverageOnPositions_accountdetails = "LeverageOnPositions";
inline constexpr std::string_view CollateralSecurity_accountdetails = "CollateralSecurity";
inline constexpr std::string_view UsedMargin_accountdetails = "UsedMargin";
inline constexpr std::string_view Equity_accountdetails = "Equity";
inline constexpr std::string_view AvailableMargin_accountdetails = "AvailableMargin";
inline constexpr std::string_view HedgeModeId_accountdetails = "HedgeModeId";
inline constexpr std::string_view TradeRouteId_accountdetails = "TradeRouteId";
inline constexpr std::string_view AutoExecutionModeId_accountdetails = "AutoExecutionModeId";
inline constexpr std::string_view AccountName_accountdetails = "AccountName";
inline constexpr std::string_view AccountEnabled_accountdetails = "AccountEnabled";
inline constexpr std::string_view InstrumentLimit_accountdetails = "InstrumentLimit";
inline constexpr std::string_view WatchListItemLimit_accountdetails = "WatchListItemLimit";
inline constexpr std::string_view AccountAccessTypeId_accountdetails = "AccountAccessTypeId";
inline constexpr std::string_view TradingStatusId_accountdetails = "TradingStatusId";
inline constexpr std::string_view AccumulatingStorage_accountdetails = "AccumulatingStorage";
inline constexpr std::string_view AvailableOrderTypes_accountdetails = "AvailableOrderTypes";
inline constexpr std::string_view BranchId_accountdetails = "BranchId";
inline constexpr std::string_view InterestWaiveoffExpiryDate_accountdetails = "InterestWaiveoffExpiryDate";
inline constexpr std::string_view IsEAEnabled_accountdetails = "IsEAEnabled";

// Groups.
inline constexpr std::string_view GroupId_groupdetails = "GroupId";
inline constexpr std::string_view Name_groupdetails = "Name";
inline constexpr std::string_view TradingEnabled_groupdetails = "TradingEnabled";
inline constexpr std::string_view CompanyId_groupdetails = "CompanyId";
inline constexpr std::string_view IsNewsEnabled_groupdetails = "IsNewsEnabled";
inline constexpr std::string_view IsMailEnabled_groupdetails = "IsMailEnabled";
inline constexpr std::string_view IsChatEnabled_groupdetails = "IsChatEnabled";
inline constexpr std::string_view IsEAEnabled_groupdetails = "IsEAEnabled";
inline constexpr std::string_view InstrumentLimit_groupdetails = "InstrumentLimit";
inline constexpr std::string_view WatchListItemLimit_groupdetails = "WatchListItemLimit";
inline constexpr std::string_view MaxOrderQty_groupdetails = "MaxOrderQty";
inline constexpr std::string_view OrderQtyStep_groupdetails = "OrderQtyStep";
inline constexpr std::string_view IsTrailingStopEnabled_groupdetails = "IsTrailingStopEnabled";
inline constexpr std::string_view MarginCallLevel_groupdetails = "MarginCallLevel";
inline constexpr std::string_view StopOutLevel_groupdetails = "StopOutLevel";
inline constexpr std::string_view LeverageOnFProfit_groupdetails = "LeverageOnFProfit";
inline constexpr std::string_view RevLeverageOnFLoss_groupdetails = "RevLeverageOnFLoss";
inline constexpr std::string_view ReportHistoryDaysLimit_groupdetails = "ReportHistoryDaysLimit";
inline constexpr std::string_view SendMailReports_groupdetails = "SendMailReports";
inline constexpr std::string_view SendExecutionSMS_groupdetails = "SendExecutionSMS";
inline constexpr std::string_view CreditRating_groupdetails = "CreditRating";

// Instrument terms of a group.
inline constexpr std::string_view GroupDetailsId_groupinstruments = "groupdetailsid";
inline constexpr std::string_view GroupId_groupinstruments = "groupid";
inline constexpr std::string_view InstrumentId_groupinstruments = "InstrumentId";
inline constexpr std::string_view OrderQtyStep_groupinstruments = "OrderQtyStep";
inline constexpr std::string_view MaxOrderQty_groupinstruments = "MaxOrderQty";
inline constexpr std::string_view MinOrderQty_groupinstruments = "MinOrderQty";
inline constexpr std::string_view SpreadBid_groupinstruments = "SpreadBid";
inline constexpr std::string_view SpreadAsk_groupinstruments = "SpreadAsk";
inline constexpr std::string_view SpreadTypeId_groupinstruments = "SpreadTypeId";
inline constexpr std::string_view BuyInterestRate_groupinstruments = "buyInterestRate";
inline constexpr std::string_view SellInterestRate_groupinstruments = "sellInterestRate";
inline constexpr std::string_view LimitMinPips_groupinstruments = "LimitMinPips";
inline constexpr std::string_view StopMinPips_groupinstruments = "StopMinPips";
inline constexpr std::string_view AllowShortSelling_groupinstruments = "AllowShortSelling";
inline constexpr std::string_view InitialMargin_groupinstruments = "Initialmargin";
inline constexpr std::string_view LimitOrderMargin_groupinstruments = "LimitOrderMargin";
inline constexpr std::string_view LiquidationMargin_groupinstruments = "LiquidationMargin";
inline constexpr std::string_view IntradayOrderMargin_groupinstruments = "IntradayOrderMargin";
inline constexpr std::string_view BTSTOrderMargin_groupinstruments = "BTSTOrderMargin";
inline constexpr std::string_view OverNightMargin_groupinstruments = "OverNightMargin";
inline constexpr std::string_view Commission_groupinstruments = "Commission";
inline constexpr std::string_view AutoExecutionModeId_groupinstruments = "AutoExecutionModeId";
inline constexpr std::string_view MarginCalcModeId_groupinstruments = "MarginCalcModeId";
inline constexpr std::string_view PLCalcModeId_groupinstruments = "PLCalcModeId";
inline constexpr std::string_view Spread_groupinstruments = "Spread";
inline constexpr std::string_view IsAvailableForWatchlist_groupinstruments = "IsAvailableForWatchlist";

// The logged-in user.
inline constexpr std::string_view NewRefId_userinfo = "NewRefid";
inline constexpr std::string_view OfflineMessageCount_userinfo = "OfflineMessageCount";
inline constexpr std::string_view AppModeId_userinfo = "appModeId";
inline constexpr std::string_view CanChangePassword_userinfo = "canChangePassword";
inline constexpr std::string_view DdeEnabled_userinfo = "ddeenabled";
inline constexpr std::string_view ForceLogoutLoadServerId_userinfo = "forceLogoutLoadServerId";
inline constexpr std::string_view ForceLogoutRefId_userinfo = "forceLogoutRefid";
inline constexpr std::string_view hdServerPort_userinfo = "hdserverPort";
inline constexpr std::string_view LastRefId_userinfo = "lastrefid";
inline constexpr std::string_view marketdepthPort_userinfo = "marketdepthPort";
inline constexpr std::string_view tradePubPort_userinfo = "tradePubPort";
inline constexpr std::string_view UserTypeId_userinfo = "userTypeId";
inline constexpr std::string_view UserEnabled_userinfo = "userenabled";
inline constexpr std::string_view UserId_userinfo = "userid";

// The product.
inline constexpr std::string_view LatestBuild_productinfo = "LatestBuild";
inline constexpr std::string_view LatestSupportedBuild_productinfo = "LatestSupportedBuild";
inline constexpr std::string_view ProductId_productinfo = "productId";
inline constexpr std::string_view ProductName_productinfo = "productName";
inline constexpr std::string_view DownloadUrl_productinfo = "downloadUrl";

// Trading-session settings.
inline constexpr std::string_view EditLimitOrder_sessionsetting = "EditLimitOrder";
inline constexpr std::string_view EditMarketMakertOrder_sessionsetting = "EditMarketMakertOrder";
inline constexpr std::string_view EditMarketOrder_sessionsetting = "EditMarketOrder";
inline constexpr std::string_view EnterLimitOrder_sessionsetting = "EnterLimitOrder";
inline constexpr std::string_view EnterMarketMakerOrder_sessionsetting = "EnterMarketMakerOrder";
inline constexpr std::string_view EnterMarketOrder_sessionsetting = "EnterMarketOrder";
inline constexpr std::string_view ExecuteOrders_sessionsetting = "ExecuteOrders";
inline constexpr std::string_view MatchMMwithMMOrders_sessionsetting = "MatchMMwithMMOrders";
inline constexpr std::string_view PublishMarketData_sessionsetting = "PublishMarketData";
inline constexpr std::string_view PublishTradeData_sessionsetting = "PublishTradeData";
inline constexpr std::string_view SessionColor_sessionsetting = "SessionColor";
inline constexpr std::string_view SettingsId_sessionsetting = "SettingsId";
inline constexpr std::string_view SettingsName_sessionsetting = "SettingsName";
inline constexpr std::string_view UseELP_sessionsetting = "UseELP";

}  // namespace td
