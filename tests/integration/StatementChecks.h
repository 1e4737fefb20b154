#pragma once
// What an account statement, read by the client, must hold together: the account summary adds up
// from the opening to the closing balance, and its figures are those of the tables above it.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "model/statement/AccountStatementInfo.h"

namespace td::testing {

inline ::testing::AssertionResult near(const char* what, double got, double want) {
  if (std::fabs(got - want) < 0.005) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << what << ": " << got << " where " << want << " was expected";
}

// The summary's rows between "Opening Balance" and "Closing Balance" lead from one to the other;
// its settled profit or loss and commission are the totals of the closed transactions; its
// unrealised profit or loss is the total of the open positions and its equity follows from them (at
// a group that counts all of the floating profit or loss).
// The money table has one row per sub-type, since the summary counts only the first of some.
inline ::testing::AssertionResult statementAddsUp(const AccountStatementInfo& s) {
  if (!s.StartInfo || !s.EndInfo) return ::testing::AssertionFailure() << "no account snapshots";
  std::set<int> subTypes;
  for (const auto& t : s.FinancialTransactionInfo)
    if (!subTypes.insert(t.SubTransactionType).second)
      return ::testing::AssertionFailure() << "sub-type " << t.SubTransactionType << " in two rows";
  const double movements = s.getDeposit() + s.getWithDrawal() + s.getAdjustments() + s.getCommission() +
                           s.getRealizedStorage() + s.getSettledPL() + s.getTDS() + s.getDailyTDS() +
                           s.getMonthlyTDS() + s.getMiscellaneous();
  const AccountHistoryInfo& end = *s.EndInfo;
  for (auto result : {near("closing balance", end.Balance, s.StartInfo->OpeningBalanceOfDay + movements),
                      near("settled P/L", s.getSettledPL(), s.getSettledProfitorLoss()),
                      near("commission", s.getCommission(), -s.getSettledCommission()),
                      near("unrealised P/L", end.UnrealisedPL, s.getOpenProfitorLoss()),
                      near("equity", end.Equity,
                           end.Balance + end.UnrealisedPL + end.CollateralSecurity + end.AccumulatingStorage)})
    if (!result) return result;
  return ::testing::AssertionSuccess();
}

}  // namespace td::testing
