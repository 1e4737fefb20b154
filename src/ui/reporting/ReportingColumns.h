#pragma once
// Column identifiers of the reporting tables. An identifier is at once the column's header title,
// the title of its entry in the column menu and the title its column prints under.

namespace td::reportingcolumns {

// Journal.
inline constexpr char TIME_JO[] = "Time";
inline constexpr char MESSAGE_JO[] = "Message";

// Accounts.
inline constexpr char ACCOUNTNUMBER_AC[] = "Account Number";
inline constexpr char ACCOUNTNAME_AC[] = "Account Name";
inline constexpr char STATUS_AC[] = "Status";
inline constexpr char BALANCE_AC[] = "Balance";
inline constexpr char UNREALIZEDPL_AC[] = "Unrealized PL";
inline constexpr char LEVERAGE_AC[] = "Leverage";
inline constexpr char STORAGE_AC[] = "Storage";
inline constexpr char EQUITY_AC[] = "Equity";
inline constexpr char USEDMARGIN_AC[] = "Used Margin";
inline constexpr char AVAILABLEMARGIN_AC[] = "Available Margin";
inline constexpr char ACCOUNTTYPE_AC[] = "Account Type";
inline constexpr char ACCOUNTACCESS_AC[] = "Account Access";

// Working orders of the statement.
inline constexpr char PENDINGID_PO[] = "Pending Id";
inline constexpr char SYMBOL_PO[] = "Symbol";
inline constexpr char ORDERQUANTITY_PO[] = "Order Quantity";
inline constexpr char REMAININGQUANTITY_PO[] = "Remaining Quantity";
inline constexpr char TYPE_PO[] = "Type";
inline constexpr char ORDERTYPE_PO[] = "Order Type";
inline constexpr char PRICE_PO[] = "Price";
inline constexpr char TAKEPROFIT_PO[] = "Take Profit";
inline constexpr char STOPLOSS_PO[] = "Stop Loss";
inline constexpr char ORDERTIME_PO[] = "Order Time";
inline constexpr char TIMEINFORCE_PO[] = "Time in Force";
inline constexpr char RELATEDPOSITION_PO[] = "Related Position";
inline constexpr char VALIDITY_PO[] = "Validity";

// Closed transactions (settled positions) of the statement.
inline constexpr char SETTLEDID_SP[] = "Settled Id";
inline constexpr char SYMBOL_SP[] = "Symbol";
inline constexpr char QUANTITY_SP[] = "Quantity";
inline constexpr char TYPE_SP[] = "Type";
inline constexpr char OPENPRICE_SP[] = "Open Price";
inline constexpr char SETTLEDPRICE_SP[] = "Settled Price";
inline constexpr char PROFIT_SP[] = "Profit";
inline constexpr char COMMISSION_SP[] = "Commission";
inline constexpr char STORAGE_SP[] = "Storage";
inline constexpr char SETTLEDTIME_SP[] = "Settled Time";
inline constexpr char OPENID_SP[] = "Open Id";
inline constexpr char CLOSEID_SP[] = "Close Id";
inline constexpr char RATE_SP[] = "Rate";
inline constexpr char VALIDITY_SP[] = "Validity";
inline constexpr char OPENTIME_SP[] = "Open Time";
inline constexpr char CLOSETIME_SP[] = "Close Time";
inline constexpr char OTHERCHARGES_SP[] = "Other Charges";

// Open positions of the statement.
inline constexpr char POSITIONID_OP[] = "Position Id";
inline constexpr char SYMBOL_OP[] = "Symbol";
inline constexpr char QUANTITY_OP[] = "Quantity";
inline constexpr char BS_OP[] = "Type";
inline constexpr char OPENPRICE_OP[] = "Open Price";
inline constexpr char CURRENTPRICE_OP[] = "Current Price";
inline constexpr char PL_OP[] = "Profit";
inline constexpr char CONFIRMEDTIME_OP[] = "Confirmed Time";
inline constexpr char COMMISSION_OP[] = "Commission";
inline constexpr char STORAGE_OP[] = "Storage";
inline constexpr char VALIDITY_OP[] = "Validity";
inline constexpr char VALUEDATE_OP[] = "Value Date";
inline constexpr char EXPIRYDATE_OP[] = "Expiry Date";

// Instruments of the statement.
inline constexpr char SYMBOL_WL[] = "Symbol";
inline constexpr char BID_WL[] = "Bid";
inline constexpr char ASK_WL[] = "Ask";

// Account summary of the statement.
inline constexpr char ENTITY[] = "Entity";
inline constexpr char DETAILS[] = "Details";

// Deposits and withdrawals.
inline constexpr char ACCOUNTID_DW[] = "Account Id";
inline constexpr char TRANSACTIONID_DW[] = "Transaction Id";
inline constexpr char TRANSACTIONCODE_DW[] = "Transaction Code";
inline constexpr char CRAMOUNT_DW[] = "Cr Amount";
inline constexpr char DRAMOUNT_DW[] = "Dr Amount";
inline constexpr char BALAMOUNTPOSTTRANSACTION_DW[] = "Bal Amount Post Transaction";
inline constexpr char NARRATION_DW[] = "Narration";
inline constexpr char TRANSACTIONDATE_DW[] = "Transaction Date";

}  // namespace td::reportingcolumns
