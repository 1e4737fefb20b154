#pragma once
// The account statement of one account over a period: the account at the start and at the end,
// the positions still open, the working orders, the settled positions, the money movements and the
// instruments involved with their closing prices, with the summary sums the statement shows.
//
// The session holds one container for its whole life; each statement reply replaces its content
// on the main thread in one step (apply), so the windows never see half a statement. The
// collection members themselves are never replaced, so a reference to one stays valid.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "model/Order.h"
#include "model/statement/FinancialTransactionDetails.h"

namespace td {

// The account as it stood on one day.
struct AccountHistoryInfo : AccountDetails {
  std::uint64_t TAHId = 0;
  std::string TAHDate;  // as the reply gives it
  std::string TAHEntryDateTime;
  bool TradingEnabled = false;
  bool Enabled = false;
  std::uint64_t OrganizationId = 0;
  double OpeningBalanceOfDay = 0;
  std::string Remarks;
  std::string InterestWaiveoffExpiryDate;
  std::uint64_t CurrencyID = 0;
  std::uint64_t StorageWaiveoffDays = 0;
  std::uint64_t StorageWaiveOffModeId = 0;
  double UnrealisedCharges = 0;
  std::uint64_t AgentAccountId = 0;
  std::uint64_t CreditRating = 0;
  std::uint64_t TradingPatternId = 0;
};

struct OpenPositionHistoryInfo : Order {
  std::uint64_t TOPHId = 0;
  std::string TOPDate;
  std::string TOPEntryDateTime;
  std::uint64_t RefOrderTicketId = 0;
  std::uint64_t ConfirmationModeId = 0;
  std::uint64_t TradeRouteId = 0;
  std::uint64_t RoutePositionId = 0;
  double UnRealisedCharges = 0;
  std::uint64_t InstrumentId = 0;  // key (decimal) into InstrumentInfo
  double CurrentPrice = 0;         // closing Ask for a sell, closing Bid for a buy
};

struct PendingOrderHistoryInfo : Order {
  std::uint64_t TPOH = 0;
  std::string TPOHDate;
  std::string TPOHEntryDateTime;
  std::uint64_t RefTicketId = 0;
  std::string MinQty;
  std::string DisclosedQty;
  double TralingStopPrice = 0;
  double OCOLLimitPrice = 0;
  double OCOLStopPrice = 0;
  double OCOSLimit = 0;
  double OCOSStop = 0;
  std::uint64_t TradeRouteId = 0;
  std::int64_t RoutePendingOrderId = 0;
  std::string ExecutedQty;
  std::string TouchQty;
  double TouchPrice = 0;
  std::string TouchTime;
  std::uint64_t InstrumentId = 0;
};

struct SettledPositionHistoryInfo : Order {
  std::string OpenDate;   // "MM/dd/yyyy HH:mm:ss"
  std::string CloseDate;  // "MM/dd/yyyy HH:mm:ss"
  std::uint64_t InstrumentId = 0;
};

// An instrument of the statement: InstrumentId, Name, Code, DecimalPlaces and the closing Bid, Ask.
struct InstrumentHistoryInfo : ItemDetails {};

// Sub-transaction types the summary sums know.
enum SubTransactionTypeId : std::int32_t {
  SubTransactionDeposit = 1,
  SubTransactionWithdrawal = 2,
  SubTransactionCommission = 4,
  SubTransactionTDS = 5,
  SubTransactionRealizedStorage = 6,
  SubTransactionSettledPL7 = 7,
  SubTransactionSettledPL8 = 8,
  SubTransactionAdjustment = 9,
  SubTransactionDailyTDS = 15,
  SubTransactionMonthlyTDS = 16,
};

// The content of one statement reply, built apart from the session's container.
struct AccountStatementContent {
  std::map<std::string, InstrumentHistoryInfo, std::less<>> InstrumentInfo;
  std::vector<OpenPositionHistoryInfo> OpenPositionInfo;
  std::vector<PendingOrderHistoryInfo> PendingOrderInfo;
  std::vector<SettledPositionHistoryInfo> SettledPositionInfo;
  std::vector<FinancialTransactionHistoryInfo> FinancialTransactionInfo;
  bool hasAccountInfo = false;  // the reply held the account-information table
  std::shared_ptr<const AccountHistoryInfo> StartInfo;
  std::shared_ptr<const AccountHistoryInfo> EndInfo;
};

class AccountStatementInfo {
 public:
  // instrument id (decimal text) -> instrument
  std::map<std::string, InstrumentHistoryInfo, std::less<>> InstrumentInfo;
  std::vector<OpenPositionHistoryInfo> OpenPositionInfo;        // ascending by OpenPositionId
  std::vector<PendingOrderHistoryInfo> PendingOrderInfo;        // ascending by PendingOrderId
  std::vector<SettledPositionHistoryInfo> SettledPositionInfo;  // ascending by SettlementId
  std::vector<FinancialTransactionHistoryInfo> FinancialTransactionInfo;  // in reply order
  std::shared_ptr<const AccountHistoryInfo> StartInfo;  // none until a reply with account information
  std::shared_ptr<const AccountHistoryInfo> EndInfo;

  // Replaces the five collections by the content's; StartInfo and EndInfo only when the content
  // holds the account-information table.
  void apply(AccountStatementContent&& content);

  // The first transaction, in list order, of the sub-transaction type; none when there is none.
  const FinancialTransactionHistoryInfo* getFinancialTransactionHistoryInfo(std::int32_t subTransactionType) const;

  // Credit minus debit over every transaction of the types: 1, 11, 14 / 2, 12 / 10, 13, 17, 18, 19.
  double getDeposit() const;
  double getWithDrawal() const;
  double getMiscellaneous() const;
  // Credit minus debit of the first transaction of the type (0 when none): 4, 5, 6, 9, 15, 16.
  double getCommission() const;
  double getTDS() const;
  double getRealizedStorage() const;
  double getAdjustments() const;
  double getDailyTDS() const;
  double getMonthlyTDS() const;
  // First of type 8 plus first of type 7.
  double getSettledPL() const;
  bool isDailyTDSAvailable() const { return getDailyTDS() != 0; }
  bool isMonthlyTDSAvailable() const { return getMonthlyTDS() != 0; }

  // Totals of the settled and open positions; text fields count by their leading number.
  double getSettledQuantity() const;
  double getSettledProfitorLoss() const;
  double getSettledCommission() const;
  double getSettledStorage() const;
  double getSettledTDS() const;  // the settlements' OtherCharges
  double getOpenQuantity() const;
  double getOpenProfitorLoss() const;
  double getOpenCommission() const;
  double getOpenStorage() const;

  const std::vector<OpenPositionHistoryInfo>& getOpenPositionInfo() const { return OpenPositionInfo; }
  const std::vector<PendingOrderHistoryInfo>& getPendingOrderInfo() const { return PendingOrderInfo; }
  const std::vector<SettledPositionHistoryInfo>& getSettledPositionInfo() const { return SettledPositionInfo; }

 private:
  double sumOfTypes(std::initializer_list<std::int32_t> types) const;
  double firstOfType(std::int32_t type) const;
};

}  // namespace td
