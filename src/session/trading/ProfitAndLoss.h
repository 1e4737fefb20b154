#pragma once
// Floating profit and loss, the account figures built on it, and the pro-rating of commission.

#include <cstdint>
#include <string_view>

#include "model/ReferenceData.h"
#include "session/trading/OrderBook.h"

namespace td {

class ProfitAndLoss {
 public:
  // `CalculateFloatingPL:Mode:Quantity:OrderPrice:CurrentPrice:`. 0 without an item or for a
  // quantity of 0 or less. By the item's PLCalcModeId m (below 1 counts as 1, above 6 gives 0), with
  // r before the sign rule:
  //   1 (OP - CP) x Q x CS
  //   2 (1/OP - 1/CP) x Q x CS                       0 unless OP > 0 and CP > 0
  //   3 (OP - CP) x 10^DP x Point x Q, rounded to a whole number (halves away from zero)
  //                                                  0 unless OP > 0 and CP > 0
  //   4 (OP - CP) x CS x Q / CP                      0 unless OP > 0 and CP > 0
  //   5 (OP - CP) x Q x CS x mid,  6 ... / mid        mid of the conversion item; 1 when none or 0
  // A buy (side 0) gives -r, any other side r. A result that is not finite gives 0.
  static double CalculateFloatingPL(const ItemDetails* item, std::int32_t side, double quantity, double orderPrice,
                                    double currentPrice);

  // `calcCommission:::`: commission / orderQty x remainingQty. An order quantity of 0 or less (or
  // not a number) keeps the commission as it is.
  static double calcCommission(std::string_view orderQty, std::string_view remainingQty, double commission);

  // `CalcPL:`: the order's UnrealisedPL at the item's Bid (buy) or Ask (sell); 0 when its item is
  // unknown; unchanged when its account is on Equity Hit (status 5: the server's figure stands).
  static void CalcPL(Order& order, const ReferenceData& reference);

  // `calcAccountDetails:`: UnrealisedPL = the sum over the visible open positions of the account;
  // Leverage = LeverageOnFProfit (gain) or RevLeverageOnFLoss (loss) percent of it (0 when the
  // group is unknown); Equity = Balance + Leverage + AccumulatingStorage + CollateralSecurity unless
  // the account is on Equity Hit; AvailableMargin = Equity - UsedMargin. An unknown account id
  // changes nothing.
  static void calcAccountDetails(std::int32_t accountId, const ReferenceData& reference, const OrderList& openOrders);
  // The figures calcAccountDetails gives the account, on a copy: the shared record stays as it is
  // (for windows that show the figures without writing them).
  static AccountDetails accountFigures(const AccountDetails& account, const ReferenceData& reference,
                                       const OrderList& openOrders);

  // The whole refresh of the floating figures in one pass: CalcPL for every visible open position,
  // then the account figures of every account, with the same results as calling CalcPL on each
  // position and calcAccountDetails on each account.
  static void refreshFloatingFigures(const ReferenceData& reference, const OrderList& openOrders);

 private:
  static void applyAccountFigures(AccountDetails& account, double unrealised, const ReferenceData& reference);
  // The floating result of the account's visible open positions.
  static double unrealisedOf(const AccountDetails& account, const ReferenceData& reference, const OrderList& openOrders);
};

}  // namespace td
