#include "model/statement/AccountStatementInfo.h"

#include <algorithm>

#include "model/Conversions.h"

namespace td {

void AccountStatementInfo::apply(AccountStatementContent&& content) {
  // Move-assignment keeps each member object in place: references the windows hold stay valid.
  InstrumentInfo = std::move(content.InstrumentInfo);
  OpenPositionInfo = std::move(content.OpenPositionInfo);
  PendingOrderInfo = std::move(content.PendingOrderInfo);
  SettledPositionInfo = std::move(content.SettledPositionInfo);
  FinancialTransactionInfo = std::move(content.FinancialTransactionInfo);
  if (content.hasAccountInfo) {
    StartInfo = std::move(content.StartInfo);
    EndInfo = std::move(content.EndInfo);
  }
}

const FinancialTransactionHistoryInfo* AccountStatementInfo::getFinancialTransactionHistoryInfo(
    std::int32_t subTransactionType) const {
  for (const auto& t : FinancialTransactionInfo) {
    if (t.SubTransactionType == subTransactionType) return &t;
  }
  return nullptr;
}

double AccountStatementInfo::sumOfTypes(std::initializer_list<std::int32_t> types) const {
  double sum = 0;
  for (const auto& t : FinancialTransactionInfo) {
    if (std::find(types.begin(), types.end(), t.SubTransactionType) != types.end()) sum += t.CrAmount - t.DrAmount;
  }
  return sum;
}

double AccountStatementInfo::firstOfType(std::int32_t type) const {
  const auto* t = getFinancialTransactionHistoryInfo(type);
  return t ? t->CrAmount - t->DrAmount : 0.0;
}

double AccountStatementInfo::getDeposit() const { return sumOfTypes({1, 11, 14}); }
double AccountStatementInfo::getWithDrawal() const { return sumOfTypes({2, 12}); }
double AccountStatementInfo::getMiscellaneous() const { return sumOfTypes({10, 13, 17, 18, 19}); }
double AccountStatementInfo::getCommission() const { return firstOfType(SubTransactionCommission); }
double AccountStatementInfo::getTDS() const { return firstOfType(SubTransactionTDS); }
double AccountStatementInfo::getRealizedStorage() const { return firstOfType(SubTransactionRealizedStorage); }
double AccountStatementInfo::getAdjustments() const { return firstOfType(SubTransactionAdjustment); }
double AccountStatementInfo::getDailyTDS() const { return firstOfType(SubTransactionDailyTDS); }
double AccountStatementInfo::getMonthlyTDS() const { return firstOfType(SubTransactionMonthlyTDS); }
double AccountStatementInfo::getSettledPL() const {
  return firstOfType(SubTransactionSettledPL8) + firstOfType(SubTransactionSettledPL7);
}

namespace {
template <class Rows, class Field>
double total(const Rows& rows, Field field) {
  double sum = 0;
  for (const auto& r : rows) sum += field(r);
  return sum;
}
}  // namespace

double AccountStatementInfo::getSettledQuantity() const {
  return total(SettledPositionInfo, [](const auto& r) { return conv::toDouble(r.SettledQty); });
}
double AccountStatementInfo::getSettledProfitorLoss() const {
  return total(SettledPositionInfo, [](const auto& r) { return conv::toDouble(r.SettledPL); });
}
double AccountStatementInfo::getSettledCommission() const {
  return total(SettledPositionInfo, [](const auto& r) { return r.Commision; });
}
double AccountStatementInfo::getSettledStorage() const {
  return total(SettledPositionInfo, [](const auto& r) { return r.Storage; });
}
double AccountStatementInfo::getSettledTDS() const {
  return total(SettledPositionInfo, [](const auto& r) { return r.OtherCharges; });
}
double AccountStatementInfo::getOpenQuantity() const {
  return total(OpenPositionInfo, [](const auto& r) { return conv::toDouble(r.RemainingQty); });
}
double AccountStatementInfo::getOpenProfitorLoss() const {
  return total(OpenPositionInfo, [](const auto& r) { return r.UnrealisedPL; });
}
double AccountStatementInfo::getOpenCommission() const {
  return total(OpenPositionInfo, [](const auto& r) { return r.Commision; });
}
double AccountStatementInfo::getOpenStorage() const {
  return total(OpenPositionInfo, [](const auto& r) { return r.Storage; });
}

}  // namespace td
