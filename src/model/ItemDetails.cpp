#include "model/ItemDetails.h"

#include <cmath>

namespace td {

double PriceUpdate::GetSpread(double tickSize) const { return std::fabs((Ask - Bid) / tickSize); }

void ItemDetails::ApplySpread(PriceUpdate& tick) const { ApplySpread(tick, Spreadtype, BidSpread, AskSpread); }

void ItemDetails::ApplySpread(PriceUpdate& tick, std::int32_t spreadType, std::int32_t bidSpread,
                              std::int32_t askSpread) const {
  if (tick.ItemCode != Code) return;
  if (tick.Bid == 0.0 || tick.Ask == 0.0) return;
  if (!(TickSize > 0.0)) return;
  switch (spreadType) {
    case SpreadTypeTopUp:
      ApplyTopupSpread(tick, bidSpread, askSpread);
      break;
    case SpreadTypeFixedWhenWider: {
      const std::int32_t sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(bidSpread) +
                                                         static_cast<std::uint32_t>(askSpread));
      if (static_cast<double>(sum) > tick.GetSpread(TickSize)) ApplyFixedSpread(tick, bidSpread, askSpread);
      break;
    }
    case SpreadTypeFixed:
      ApplyFixedSpread(tick, bidSpread, askSpread);
      break;
    default:
      break;
  }
}

void ItemDetails::ApplyFixedSpread(PriceUpdate& tick, double bidSpread, double askSpread) const {
  double mid = (tick.Bid + tick.Ask) / 2;
  mid = DoMidPriceTickCorrection(mid);
  tick.Bid = mid - bidSpread * TickSize;
  tick.Ask = mid + askSpread * TickSize;
}

void ItemDetails::ApplyTopupSpread(PriceUpdate& tick, double bidSpread, double askSpread) const {
  tick.Bid = tick.Bid - bidSpread * TickSize;
  tick.Ask = tick.Ask + askSpread * TickSize;
}

double ItemDetails::DoMidPriceTickCorrection(double price) const {
  if (!(TickSize > 0.0)) return price;
  const double r = std::fmod(price, TickSize);
  double result = price - r;
  if (r > TickSize / 2) result += TickSize;
  return result;
}

void ItemDetails::setTradingStatusId(std::int32_t status) {
  TradingStatusId = status;
  instrumentTradingStatus = (status >= 1 && status <= 4) ? status : 0;
}

std::string ItemDetails::getInstrumentTradingStatus(std::int32_t status) {
  switch (status) {
    case 0: return "Unknown";
    case 1: return "Active";
    case 2: return "CloseOnly";
    case 3: return "Expired";
    case 4: return "Disabled";
    default: return "";
  }
}

}  // namespace td
