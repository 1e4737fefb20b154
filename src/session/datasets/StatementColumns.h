#pragma once
// Names of the account-statement document: the table element names and, per table, the column
// element names (each constant is the column name joined by an underscore to the table's short name).
// The texts are the server's, misspellings included.

#include <string_view>

namespace td {

inline constexpr std::string_view TableName_accountinfo = "Table";
inline constexpr std::string_view TableName_openposition = "Table1";
inline constexpr std::string_view TableName_pendingorder = "Table2";
inline constexpr std::string_view TableName_settledposition = "Table3";
inline constexpr std::string_view TableName_financialtransaction = "Table4";
inline constexpr std::string_view TableName_instrument = "Table5";
inline constexpr std::string_view TableName_closeprice = "Table6";

inline constexpr std::string_view TAHId_accountinfo = "TAHId";
inline constexpr std::string_view TAHDate_accountinfo = "TAHDate";
inline constexpr std::string_view TAHEntryDateTime_accountinfo = "TAHEntryDateTime";
inline constexpr std::string_view AccountId_accountinfo = "AccountId";
inline constexpr std::string_view AccountTypeId_accountinfo = "AccountTypeId";
inline constexpr std::string_view AccountName_accountinfo = "AccountName";
inline constexpr std::string_view TradingEnabled_accountinfo = "TradingEnabled";
inline constexpr std::string_view Enabled_accountinfo = "Enabled";
inline constexpr std::string_view GroupId_accountinfo = "GroupId";
inline constexpr std::string_view OrganizationId_accountinfo = "OrganizationId";
inline constexpr std::string_view OpeningBalanceOfDay_accountinfo = "OpeningBalanceOfDay";
inline constexpr std::string_view Balance_accountinfo = "Balance";
inline constexpr std::string_view UnrealisedPL_accountinfo = "UnrealisedPL";
inline constexpr std::string_view LeverageOnPositions_accountinfo = "LeverageOnPositions";
inline constexpr std::string_view CollateralSecurity_accountinfo = "CollateralSecurity";
inline constexpr std::string_view UsedMargin_accountinfo = "UsedMargin";
inline constexpr std::string_view Equity_accountinfo = "Equity";
inline constexpr std::string_view AvailableMargin_accountinfo = "AvailableMargin";
inline constexpr std::string_view Remarks_accountinfo = "Remarks";
inline constexpr std::string_view InterestWaiveoffExpiryDate_accountinfo = "InterestWaiveoffExpiryDate";
inline constexpr std::string_view HedgeModeId_accountinfo = "HedgeModeId";
inline constexpr std::string_view AutoExecutionModeId_accountinfo = "AutoExecutionModeId";
inline constexpr std::string_view CurrencyID_accountinfo = "CurrencyID";
inline constexpr std::string_view StorageWaiveoffDays_accountinfo = "StorageWaiveoffDays";
inline constexpr std::string_view AccumulatingStorage_accountinfo = "AccumulatingStorage";
inline constexpr std::string_view StorageWaiveOffModeId_accountinfo = "StorageWaiveOffModeId";
inline constexpr std::string_view TradingStatusId_accountinfo = "TradingStatusId";
inline constexpr std::string_view UnrealisedCharges_accountinfo = "UnrealisedCharges";
inline constexpr std::string_view AgentAccountId_accountinfo = "AgentAccountId";
inline constexpr std::string_view MarginStatusId_accountinfo = "MarginStatusId";
inline constexpr std::string_view CreditRating_accountinfo = "CreditRating";
inline constexpr std::string_view TradingPatternId_accountinfo = "TradingPatternId";

inline constexpr std::string_view TOPHId_openposition = "TOPHId";
inline constexpr std::string_view TOPDate_openposition = "TOPDate";
inline constexpr std::string_view TOPEntryDateTime_openposition = "TOPEntryDateTime";
inline constexpr std::string_view PositionId_openposition = "PositionId";
inline constexpr std::string_view AccountId_openposition = "AccountId";
inline constexpr std::string_view InstrumentId_openposition = "InstrumentId";
inline constexpr std::string_view IsBuy_openposition = "IsBuy";
inline constexpr std::string_view RefOrderTicketId_openposition = "RefOrderTicketId";
inline constexpr std::string_view RefPendingOrderId_openposition = "RefPendingOrderId";
inline constexpr std::string_view PositionInitialQty_openposition = "PositionInitialQty";
inline constexpr std::string_view PositionQty_openposition = "PositionQty";
inline constexpr std::string_view OrderPrice_openposition = "OrderPrice";
inline constexpr std::string_view CommisionPaid_openposition = "CommisionPaid";
inline constexpr std::string_view PositionDate_openposition = "PositionDate";
inline constexpr std::string_view ConfirmationModeId_openposition = "ConfirmationModeId";
inline constexpr std::string_view ConfirmedBy_openposition = "ConfirmedBy";
inline constexpr std::string_view UnrealisedPL_openposition = "UnrealisedPL";
inline constexpr std::string_view TradeRouteId_openposition = "TradeRouteId";
inline constexpr std::string_view RoutePositionId_openposition = "RoutePositionId";
inline constexpr std::string_view DeliveryModeId_openposition = "DeliveryModeId";
inline constexpr std::string_view AccumulatingStorage_openposition = "AccumulatingStorage";
inline constexpr std::string_view ValueDate_openposition = "ValueDate";
inline constexpr std::string_view ExpiryDate_openposition = "ExpiryDate";
inline constexpr std::string_view UnrealisedCharges_openposition = "UnrealisedCharges";

inline constexpr std::string_view TPOH_pendingorder = "TPOH";
inline constexpr std::string_view TPOHDate_pendingorder = "TPOHDate";
inline constexpr std::string_view TPOHEntryDateTime_pendingorder = "TPOHEntryDateTime";
inline constexpr std::string_view PendingOrderId_pendingorder = "PendingOrderId";
inline constexpr std::string_view RefTicketId_pendingorder = "RefTicketId";
inline constexpr std::string_view AccountId_pendingorder = "AccountId";
inline constexpr std::string_view InstrumentId_pendingorder = "InstrumentId";
inline constexpr std::string_view IsBuy_pendingorder = "IsBuy";
inline constexpr std::string_view OrderTypeId_pendingorder = "OrderTypeId";
inline constexpr std::string_view OrderQty_pendingorder = "OrderQty";
inline constexpr std::string_view MinQty_pendingorder = "MinQty";
inline constexpr std::string_view DisclosedQty_pendingorder = "DisclosedQty";
inline constexpr std::string_view RemainingQty_pendingorder = "RemainingQty";
inline constexpr std::string_view OrderPrice_pendingorder = "OrderPrice";
inline constexpr std::string_view LimitPrice_pendingorder = "LimitPrice";
inline constexpr std::string_view StopPrice_pendingorder = "StopPrice";
inline constexpr std::string_view TralingStopPrice_pendingorder = "TralingStopPrice";
inline constexpr std::string_view DeliveryModeId_pendingorder = "DeliveryModeId";
inline constexpr std::string_view TimeInForceId_pendingorder = "TimeInForceId";
inline constexpr std::string_view ExpiryDateTime_pendingorder = "ExpiryDateTime";
inline constexpr std::string_view OCOLLimitPrice_pendingorder = "OCOLLimitPrice";
inline constexpr std::string_view OCOLStopPrice_pendingorder = "OCOLStopPrice";
inline constexpr std::string_view OCOSLimit_pendingorder = "OCOSLimit";
inline constexpr std::string_view OCOSStop_pendingorder = "OCOSStop";
inline constexpr std::string_view Spread_pendingorder = "Spread";
inline constexpr std::string_view TradeRouteId_pendingorder = "TradeRouteId";
inline constexpr std::string_view RoutePendingOrderId_pendingorder = "RoutePendingOrderId";
inline constexpr std::string_view ExecutedQty_pendingorder = "ExecutedQty";
inline constexpr std::string_view OrderStatusId_pendingorder = "OrderStatusId";
inline constexpr std::string_view OrderTime_pendingorder = "OrderTime";
inline constexpr std::string_view RefPosIdOfBracket_pendingorder = "RefPosIdOfBracket";
inline constexpr std::string_view TouchQty_pendingorder = "TouchQty";
inline constexpr std::string_view TouchPrice_pendingorder = "TouchPrice";
inline constexpr std::string_view TouchTime_pendingorder = "TouchTime";

inline constexpr std::string_view SettlementId_settledposition = "SettlementId";
inline constexpr std::string_view AccountId_settledposition = "AccountId";
inline constexpr std::string_view InstrumentId_settledposition = "InstrumentId";
inline constexpr std::string_view RefPositionId_settledposition = "RefPositionId";
inline constexpr std::string_view RefClosingPositionId_settledposition = "RefClosingPositionId";
inline constexpr std::string_view SettledQty_settledposition = "SettledQty";
inline constexpr std::string_view IsBuy_settledposition = "IsBuy";
inline constexpr std::string_view SettledPL_settledposition = "SettledPL";
inline constexpr std::string_view SettlementDate_settledposition = "SettlementDate";
inline constexpr std::string_view CurrencyRate_settledposition = "CurrencyRate";
inline constexpr std::string_view AccumulatingStorage_settledposition = "AccumulatingStorage";
inline constexpr std::string_view CommisionPaid_settledposition = "CommisionPaid";
inline constexpr std::string_view OtherCharges_settledposition = "OtherCharges";
inline constexpr std::string_view OpenPrice_settledposition = "OpenPrice";
inline constexpr std::string_view ClosePrice_settledposition = "ClosePrice";
inline constexpr std::string_view OpenDate_settledposition = "OpenDate";
inline constexpr std::string_view CloseDate_settledposition = "CloseDate";
inline constexpr std::string_view DeliveryModeId_settledposition = "DeliveryModeId";

inline constexpr std::string_view DrAmount_financialtransaction = "DrAmount";
inline constexpr std::string_view CrAmount_financialtransaction = "CrAmount";
inline constexpr std::string_view FinancialTransactionTypeId_financialtransaction = "FinancialTransactionTypeId";
inline constexpr std::string_view SubFinancialTransactionTypeId_financialtransaction = "SubFinancialTransactionTypeId";
inline constexpr std::string_view AccountId_financialtransaction = "AccountId";

inline constexpr std::string_view InstrumentId_instrument = "InstrumentId";
inline constexpr std::string_view Name_instrument = "Name";
inline constexpr std::string_view Code_instrument = "Code";
inline constexpr std::string_view DecimalPlaces_instrument = "DecimalPlaces";

inline constexpr std::string_view InstrumentId_closeprice = "InstrumentId";
inline constexpr std::string_view Bid_closeprice = "Bid";
inline constexpr std::string_view Ask_closeprice = "Ask";

}  // namespace td
