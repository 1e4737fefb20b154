#pragma once
// Margin arithmetic of orders and positions. Margin is charged per lot by the order's delivery mode
// and the account group's terms for the instrument; when an account holds buy and sell lots of one
// instrument and delivery mode, the matched (hedged) part is charged only LiquidationMargin per
// cent of the margin, unless the account margins the net position only (HedgeModeId other than 1).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace td {

class ReferenceData;
struct AccountDetails;
struct GroupInstruments;
struct ItemDetails;
struct Order;

class MarginCalculator {
 public:
  // `GetMarginForSingleLot:::`: BTSTOrderMargin for delivery mode 3, IntradayOrderMargin for 2,
  // InitialMargin otherwise; with margincalculationMode 2 that figure is a percentage of the order's
  // value (OrderPrice x ContractSize x m / 100). 0 without group terms.
  static double GetMarginForSingleLot(const GroupInstruments* terms, const Order& order, const ItemDetails* item);

  // `GetTotalLots:::::`: adds the RemainingQty of every open position of the account, item and
  // delivery mode to `buy` or `sell` by its side. The totals are not reset first.
  static void GetTotalLots(std::span<const std::shared_ptr<Order>> openPositions, std::string_view itemCode,
                           std::string_view accountNumber, std::int32_t deliveryMode, double& buy, double& sell);

  // `Hedge:::::::`: the margin of `buy` and `sell` lots at `marginPerLot`. Net only: |b - s| x m;
  // otherwise the smaller side at pct per cent plus the net at the full margin. `ignoreNet` makes
  // a net-only account count as hedging.
  static double Hedge(double buy, double sell, bool netOnly, double marginPerLot, double hedgePercent,
                      bool ignoreNet);

  // The part of `CheckMargin:` after the lookups: true when the account can carry `quantity` more
  // lots on the side (0 buy) given the open lots `buy` and `sell` (read only when needed).
  struct MarginInputs {
    double marginPerLot = 0;
    double hedgePercent = 0;
    bool netOnly = true;
    double availableMargin = 0;
    double usedMargin = 0;
    double equity = 0;
  };
  template <class OpenLots>
  static bool hasFreeMargin(const MarginInputs& in, double quantity, std::int32_t side, OpenLots&& openLots) {
    if (in.marginPerLot * quantity <= in.availableMargin) return true;
    double buy = 0;
    double sell = 0;
    openLots(buy, sell);
    const double before = Hedge(buy, sell, in.netOnly, in.marginPerLot, in.hedgePercent, false);
    if (side == 0) {
      buy += quantity;
      if (sell >= buy) return true;
    } else {
      sell += quantity;
      if (buy >= sell) return true;
    }
    const double after = Hedge(buy, sell, in.netOnly, in.marginPerLot, in.hedgePercent, false);
    return in.equity > in.usedMargin - before + after;
  }

  // `CalcHedgeMargin:` without the store: the key "<item code>#<delivery mode>" and the hedge
  // margin "%.2f" of the position's item and delivery mode in the given account (the one chosen in
  // the application; none reads as an account without margins, id 0 and net-only margining).
  static std::pair<std::string, std::string> hedgeMarginEntry(const ReferenceData& data,
                                                             const AccountDetails* account,
                                                             std::span<const std::shared_ptr<Order>> openPositions,
                                                             const Order& position);
};

}  // namespace td
