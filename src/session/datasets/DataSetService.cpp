#include "session/datasets/DataSetService.h"

#include <algorithm>
#include <cctype>

#include "model/Conversions.h"
#include "model/ReferenceData.h"
#include "model/statement/TextReadings.h"
#include "platform/DispatchQueue.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "session/datasets/StatementTables.h"
#include "session/trading/ProfitAndLoss.h"
#include "wire/Formatter.h"
#include "wire/RequestCatalogue.h"
#include "wire/Separators.h"

namespace td {

namespace {

constexpr std::int32_t kTradingStatusEquityHit = 5;

// "%f": six decimals, "." whatever the C locale.
std::string sixDecimals(double value) { return Formatter::formatDecimal(value, 6); }
// The realised profit or loss of a settled row: "%.2f".
std::string plText(double value) { return Formatter::formatDecimal(value, 2); }
std::string displayTime(std::string_view stamp) {
  return Formatter::formatDateandTimeFromString(stamp, AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT).value_or("");
}
std::string displayDate(std::string_view stamp) {
  return Formatter::formatDateandTimeFromString(stamp, AMP_DATE_FORMAT, DISPLAY_DATE_FORMAT).value_or("");
}
std::int32_t tradeMode(bool isBuy) { return isBuy ? TradingModeBuy : TradingModeSell; }

bool isErrorReply(std::string_view data) {
  constexpr std::string_view kError = "ERROR";
  if (data.size() != kError.size()) return false;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(data[i])) != kError[i]) return false;
  }
  return true;
}

// Calls fn(column index, column text) for each column of a row cut at 0x05, at most `limit`.
template <class Fn>
void forColumns(std::string_view row, std::size_t limit, Fn fn) {
  std::size_t start = 0;
  for (std::size_t column = 0; column < limit; ++column) {
    const std::size_t end = row.find(MessageInnerTagSeperatortw, start);
    fn(column, row.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return;
    start = end + 1;
  }
}

enum InitialBits : unsigned { kOpen = 1, kPending = 2, kSettled = 4, kCancelled = 8, kAll = 15 };

}  // namespace

DataSetService::DataSetService(DataSetTargets targets, const ReferenceData& reference, Hooks hooks,
                               DispatchQueue* statementWorker, MainQueue* mainQueue)
    : targets_(targets),
      reference_(reference),
      hooks_(std::move(hooks)),
      statementWorker_(statementWorker),
      mainQueue_(mainQueue),
      statement_(std::make_shared<StatementState>()),
      charts_(targets.chartDataCollection, mainQueue ? mainQueue->clock() : Clock::steady()) {}

DataSetService::~DataSetService() = default;

void DataSetService::post(std::string name, std::any object) {
  if (hooks_.postOnMainThread) hooks_.postOnMainThread(std::move(name), std::move(object));
}

// --- Requests ---

SearchValues DataSetService::searchValues(const SearchInfo& search, bool withAccountAndCode) {
  SearchValues v;
  if (search.FromDate) v.FromDate = Formatter::setAmpFormat(*search.FromDate);
  if (search.ToDate) v.ToDate = Formatter::setAmpFormat(*search.ToDate);
  if (withAccountAndCode) {
    v.AccountNumber = search.AccountNumber;
    v.TransactionDetails = search.TransactionDetails;
  }
  return v;
}

std::size_t DataSetService::requestInitialDataSets(MessageBase& messageBase, const SessionValues& session,
                                                   std::int32_t UserId) {
  std::size_t sent = 0;
  sent += DataSetRequests::requestOpenPosition(messageBase, session, UserId);
  sent += DataSetRequests::requestPendingOrders(messageBase, session, UserId);
  sent += DataSetRequests::requestSettledOrders(messageBase, session, UserId);
  sent += DataSetRequests::requestCancelledOrders(messageBase, session, UserId);
  for (const auto& [key, account] : reference_.AccountDetailCollection()) {
    if (account && account->tradingStatus == kTradingStatusEquityHit) {
      sent += requestEquityPriceinfo(messageBase, session, UserId, account->AccountId);
    }
  }
  return sent;
}

bool DataSetService::requestEquityPriceinfo(MessageBase& messageBase, const SessionValues& session,
                                            std::int32_t UserId, std::int32_t accountId) {
  return DataSetRequests::requestEquityPriceinfo(messageBase, session, UserId, accountId);
}

bool DataSetService::requestExecutedPosition(MessageBase& messageBase, const SessionValues& session,
                                             std::int32_t UserId, const SearchInfo& search) {
  return DataSetRequests::requestExecutedPosition(messageBase, session, UserId, searchValues(search, false));
}

bool DataSetService::requestFinancialTransactions(MessageBase& messageBase, const SessionValues& session,
                                                  std::int32_t UserId, const SearchInfo& search) {
  return DataSetRequests::requestFinancialTransactions(messageBase, session, UserId, searchValues(search, true));
}

bool DataSetService::requestBankDetails(MessageBase& messageBase, const SessionValues& session,
                                        std::int32_t UserId, const AccountDetails& account) {
  return DataSetRequests::requestBankDetails(messageBase, session, UserId, account.AccountId);
}

bool DataSetService::requestAccountStatement(MessageBase& messageBase, const SessionValues& session,
                                             std::int32_t UserId, const AccountStatementRequest& parameters) {
  std::optional<std::string> from, to;
  if (parameters.FromDate) from = Formatter::setAmpFormat(*parameters.FromDate);
  if (parameters.ToDate) to = Formatter::setAmpFormat(*parameters.ToDate);
  return DataSetRequests::requestAccountStatement(messageBase, session, UserId, parameters.AccountId, from, to);
}

// --- Replies ---

void DataSetService::processDSResponse(std::string_view data, std::string_view context) {
  if (context == FinancialTransactionsContext) {
    transactions_.clear();
    const std::size_t rows = ProcessHistoryData(data, context);
    post("DepositWithdrawalTableNotification");
    if (hooks_.dataSetLoaded) hooks_.dataSetLoaded(context, rows);
  } else if (context == AccountStatementContext) {
    loadAccountStatement(data);
  } else if (context == ExecutedPositionsContext) {
    targets_.book.ExecutedOrderSearchCollection.clear();
    const std::size_t rows = ProcessHistoryData(data, context);
    post("ExecutedPositionTableNotification");
    if (hooks_.dataSetLoaded) hooks_.dataSetLoaded(context, rows);
  } else {
    const std::size_t rows = ProcessHistoryData(data, context);
    if (hooks_.dataSetLoaded) hooks_.dataSetLoaded(context, rows);
    noteInitialReply(context);
  }
}

void DataSetService::noteInitialReply(std::string_view context) {
  if (context == OpenPositionContext) initialAnswered_ |= kOpen;
  else if (context == PendingOrderContext) initialAnswered_ |= kPending;
  else if (context == SettledOrderContext) initialAnswered_ |= kSettled;
  else if (context == CancelledOrderContext) initialAnswered_ |= kCancelled;
  if (initialAnswered_ == kAll && !initialReported_) {
    initialReported_ = true;
    if (hooks_.initialCollectionsLoaded) {
      const OrderBook& b = targets_.book;
      hooks_.initialCollectionsLoaded(b.OpenOrderCollection.size(), b.PendingOrderCollection.size(),
                                      b.SettledOrderCollection.size(), b.CancelledOrderCollection.size());
    }
  }
}

std::size_t DataSetService::ProcessHistoryData(std::string_view data, std::string_view context) {
  if (data.empty() || isErrorReply(data)) {
    if (context == BankDetailsContext && targets_.bankDetails) bankDetailsReceived(nullptr);
    return 0;
  }
  std::vector<std::string_view> rows;
  for (std::size_t start = 0; start <= data.size();) {
    const std::size_t end = data.find(MessageInnerTagSeperatorthr, start);
    const std::size_t stop = end == std::string_view::npos ? data.size() : end;
    if (stop > start) rows.push_back(data.substr(start, stop - start));
    start = stop + 1;
  }

  std::size_t taken = 0;
  auto skipped = [&](std::size_t index, std::size_t needed) {
    TD_LOG_WARN("Data set " + std::string(context) + ": row " + std::to_string(index) + " skipped, fewer than " +
                std::to_string(needed) + " columns");
  };
  auto each = [&](auto reader, std::size_t needed, auto apply) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (auto row = reader(rows[i])) {
        apply(*row);
        ++taken;
      } else {
        skipped(i, needed);
      }
    }
  };

  if (context == OpenPositionContext) {
    each(OpenOrderHD::initWithMessage, OpenOrderHD::kColumns,
         [&](const OpenOrderHD& r) { FillInitialOpenOrderCollection(r); });
    if (!rows.empty() && hooks_.subscribeAllItems) hooks_.subscribeAllItems();
  } else if (context == PendingOrderContext) {
    each(PendingOrderHD::initWithMessage, PendingOrderHD::kColumns,
         [&](const PendingOrderHD& r) { FillInitialPendingOrderCollection(r); });
    if (!rows.empty() && hooks_.subscribeAllItems) hooks_.subscribeAllItems();
  } else if (context == SettledOrderContext) {
    each(SettledOrderHD::initWithMessage, SettledOrderHD::kColumns,
         [&](const SettledOrderHD& r) { FillInitialSettledOrderCollection(r); });
  } else if (context == CancelledOrderContext) {
    each(CancelledOrderHD::initWithMessage, CancelledOrderHD::kColumns,
         [&](const CancelledOrderHD& r) { FillInitialCancelledOrderCollection(r); });
  } else if (context == EquityHitPriceinfoContext) {
    each(EquityHitPriceInfos::initWithMessage, EquityHitPriceInfos::kColumns,
         [&](const EquityHitPriceInfos& r) { SetEquityHitPriceInOrders(r); });
  } else if (context == FinancialTransactionsContext) {
    for (const auto row : rows) fillFinancialTransactionsData(row);
    taken = rows.size();
  } else if (context == BankDetailsContext) {
    if (!rows.empty()) {  // data of separators only has no row
      fillBankDetails(rows.front());
      taken = 1;
    }
  } else if (context == ExecutedPositionsContext) {
    for (const auto row : rows) fillExecutedPositionSearchData(row);
    taken = rows.size();
  } else {
    TD_LOG_WARN("Data set reply of unknown context \"" + std::string(context) + "\" dropped");
  }
  return taken;
}

// --- Initial collections ---

void DataSetService::FillInitialOpenOrderCollection(const OpenOrderHD& row) {
  auto order = std::make_shared<Order>();
  order->OpenPositionId = row.PositionId;
  order->AccountNumber = row.AccountId;
  order->ItemCode = reference_.getItemCode(row.InstrumentId);
  order->tradingMode = tradeMode(row.IsBuy);
  order->ExecutionId = row.OrderExecutionId;
  order->PendingOrderId = row.RefPendingOrderId;
  order->OrderQty = sixDecimals(row.PositionInitialQty);
  order->RemainingQty = sixDecimals(row.PositionQty);
  order->OrderPrice = sixDecimals(row.OrderPrice);
  order->Commision = ProfitAndLoss::calcCommission(order->OrderQty, order->RemainingQty, row.CommisionPaid);
  order->TransactionDateTime = displayTime(row.PositionDate);
  order->UnrealisedPL = row.UnrealisedPL;
  order->OrderRouteId = row.RoutePositionId;
  order->deliveryMode = row.DeliveryMode;
  order->orderType = row.OrderTypeId;
  order->Storage = row.Storage;
  order->ValueDate = displayDate(row.ValueDate);
  order->ExpiryDate = displayDate(row.ExpiryDate);
  (row.PositionQty != 0 ? targets_.book.OpenOrderCollection : targets_.book.OpenOrderCollectionCopy)
      .push_back(std::move(order));
}

void DataSetService::FillInitialPendingOrderCollection(const PendingOrderHD& row) {
  auto order = std::make_shared<Order>();
  order->PendingOrderId = row.PendingOrderId;
  order->TicketId = row.RefTicketId;
  order->AccountNumber = row.AccountId;
  order->ItemCode = reference_.getItemCode(row.InstrumentId);
  order->tradingMode = tradeMode(row.IsBuy);
  order->orderType = row.OrderTypeId;
  order->OrderQty = sixDecimals(row.OrderQty);
  order->RemainingQty = sixDecimals(row.RemainingQty);
  order->OrderPrice = sixDecimals(row.OrderPrice);
  if (row.LimitPrice != 0) order->LimitPrice = sixDecimals(row.LimitPrice);
  if (row.StopPrice != 0) order->StopPrice = sixDecimals(row.StopPrice);
  order->deliveryMode = row.DeliveryModeId;
  order->timeinForce = row.TimeInForceId;
  order->ExpiryDate = row.ExpiryDateTime;
  order->Spread = row.Spread;
  order->OrderRouteId = row.RoutePendingOrderId;
  order->TransactionDateTime = displayTime(row.OrderAtServerDateTime);
  order->RefPositionIdOfBracket = row.RefPositionIdOfBracket;
  // The bracket: a limit order is the take-profit of its position, any other the stop-loss.
  for (const auto& position : targets_.book.OpenOrderCollection) {
    if (!position || !sameId(position->OpenPositionId, order->RefPositionIdOfBracket)) continue;
    (order->orderType == OrderTypeLimit ? position->LimitPrice : position->StopPrice) = order->OrderPrice;
  }
  (row.RemainingQty != 0 ? targets_.book.PendingOrderCollection : targets_.book.PendingOrderCollectionCopy)
      .push_back(std::move(order));
}

void DataSetService::FillInitialSettledOrderCollection(const SettledOrderHD& row) {
  auto order = std::make_shared<Order>();
  order->SettlementId = row.SettlementId;
  order->AccountNumber = row.AccountId;
  order->ItemCode = reference_.getItemCode(row.InstrumentId);
  order->OpenPositionId = row.RefPositionId;
  order->ClosingPositionId = row.RefClosingPositionId;
  order->SettledQty = sixDecimals(row.SettledQty);
  order->SettledPL = plText(row.SettledPL);
  order->TransactionDateTime = displayTime(row.SettlementDate);
  order->CurrencyRate = row.CurrencyRate;
  order->Storage = row.Storage;
  order->Commision = row.CommisionPaid;
  order->OtherCharges = row.OtherCharges;
  order->tradingMode = tradeMode(row.IsBuy);
  order->OrderPrice = row.OpenPrice;
  order->SettledPrice = row.ClosePrice;
  order->ItemTime = displayTime(row.OpenPositionDate);
  order->deliveryMode = row.DeliveryModeId;
  targets_.book.SettledOrderCollection.push_back(std::move(order));
}

void DataSetService::FillInitialCancelledOrderCollection(const CancelledOrderHD& row) {
  if (row.InstrumentId == 0 || !reference_.account(row.AccountId)) return;
  auto order = std::make_shared<Order>();
  order->CancelledOrderId = row.CancelledOrderId;
  order->OrderQty = sixDecimals(row.CancelledQty);
  order->TicketId = row.RefTicketId;
  order->PendingOrderId = row.RefPendingOrderId;
  order->ItemCode = reference_.getItemCode(row.InstrumentId);
  order->AccountNumber = row.AccountId;
  order->TransactionDateTime = displayTime(row.CancelDateTime);
  order->tradingMode = tradeMode(row.IsBuy);
  order->deliveryMode = row.DeliveryMode;
  order->orderType = row.OrderTypeId;
  order->OrderPrice = sixDecimals(row.OrderPrice);
  targets_.book.CancelledOrderCollection.push_back(std::move(order));
}

void DataSetService::SetEquityHitPriceInOrders(const EquityHitPriceInfos& row) {
  for (const auto& position : targets_.book.OpenOrderCollection) {
    if (!position || !sameId(position->OpenPositionId, row.PositionId)) continue;
    position->EquityHitPrice = row.HitPrice;
    position->UnrealisedPL = row.UnrealisedPL;
  }
}

// --- Searches and the bank account ---

void DataSetService::fillExecutedPositionSearchData(std::string_view row) {
  auto order = std::make_shared<Order>();
  forColumns(row, 13, [&](std::size_t column, std::string_view text) {
    switch (column) {
      case 0: order->OpenPositionId = text; break;
      case 1: order->AccountNumber = text; break;
      case 2: order->ItemCode = reference_.getItemCode(conv::toInt(text)); break;
      case 3: order->tradingMode = tradeMode(conv::toFlag(text)); break;
      case 4: order->RemainingQty = text; break;
      case 5: order->OrderQty = text; break;
      case 6: order->OrderPrice = text; break;
      case 7: order->orderType = conv::toInt(text); break;
      case 8: order->deliveryMode = conv::toInt(text); break;
      case 9: order->TransactionDateTime = displayTime(text); break;
      case 10: order->ValueDate = displayDate(text); break;
      case 11: order->ExpiryDate = displayDate(text); break;
      case 12: order->PendingOrderId = text; break;
      default: break;
    }
  });
  targets_.book.ExecutedOrderSearchCollection.push_back(std::move(order));
}

void DataSetService::fillFinancialTransactionsData(std::string_view row) {
  transactions_.push_back(FinancialTransactionDetails::initWithMessage(row));
}

void DataSetService::fillBankDetails(std::string_view row) {
  auto bank = std::make_shared<BankDetails>();
  auto number = [](std::string_view text) { return static_cast<std::uint64_t>(conv::toInt64(text)); };
  forColumns(row, 7, [&](std::size_t column, std::string_view text) {
    switch (column) {
      case 0: bank->BankAccountId = number(text); break;
      case 1: bank->BankAccountNumber = number(text); break;
      case 2: bank->BankBranchId = number(text); break;
      case 3: bank->AccountName = text; break;
      case 4: bank->CurrencyId = number(text); break;
      case 5: bank->Remarks = text; break;
      case 6: bank->BankName = text; break;
      default: break;
    }
  });
  bankDetailsReceived(std::move(bank));
}

void DataSetService::bankDetailsReceived(std::shared_ptr<BankDetails> details) {
  targets_.bankDetails = details;
  std::any reply;
  if (hooks_.requestBeingAnswered) {
    const std::uint64_t request = hooks_.requestBeingAnswered();
    requestsFinished(request);
    if (!bankRequests_.empty() && bankRequests_.front() == request) {
      bankRequests_.pop_front();
      reply = BankDetailsReply{request, std::move(details)};
    }
  }
  post("BankDetailsNotification", std::move(reply));
}

void DataSetService::requestsFinished(std::uint64_t finished) {
  while (!bankRequests_.empty() && bankRequests_.front() < finished) bankRequests_.pop_front();
  for (std::string& key : charts_.requestsFinished(finished))
    post(ChartRequests::kRequestUnanswered, std::any(std::move(key)));
}

// --- Charts ---

void DataSetService::ChartDataReceived(std::string_view reply, std::optional<std::int32_t> requestId) {
  for (const std::int32_t id : charts_.ChartDataReceived(reply, requestId)) {
    post(ChartRequests::notificationName(id), std::any(std::to_string(id)));
  }
}

// --- Account statement ---

void DataSetService::loadAccountStatement(std::string_view data) {
  const std::uint64_t number = ++statement_->received;
  if (!statementWorker_ || !mainQueue_) {
    applyAccountStatement(StatementTables::readAccountStatement(data), number);
    return;
  }
  // The document is read on the worker into plain records, then applied on the main thread in one
  // step; a service gone by then (a new login) drops it.
  std::weak_ptr<StatementState> target = statement_;
  MainQueue* mainQueue = mainQueue_;
  auto apply = [this, target, number](std::shared_ptr<AccountStatementContent> content) {
    if (target.lock()) applyAccountStatement(std::move(*content), number);
  };
  const bool queued = statementWorker_->async([document = std::string(data), mainQueue, apply] {
    auto content = std::make_shared<AccountStatementContent>(StatementTables::readAccountStatement(document));
    mainQueue->post([apply, content] { apply(content); });
  });
  if (!queued) TD_LOG_WARN("ParseAccountStatement - the statement reader has stopped; reply dropped");
}

void DataSetService::applyAccountStatement(AccountStatementContent&& content, std::uint64_t number) {
  if (number <= statement_->applied) {
    TD_LOG_INFO("ParseAccountStatement - a statement read after a later one was dropped");
    return;
  }
  statement_->applied = number;
  const std::size_t rows = content.InstrumentInfo.size() + content.OpenPositionInfo.size() +
                           content.PendingOrderInfo.size() + content.SettledPositionInfo.size() +
                           content.FinancialTransactionInfo.size();
  statement_->info.apply(std::move(content));
  post("AccountStatementNotification");
  if (hooks_.dataSetLoaded) hooks_.dataSetLoaded(AccountStatementContext, rows);
}

}  // namespace td
