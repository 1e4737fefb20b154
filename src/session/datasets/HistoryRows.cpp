#include "session/datasets/HistoryRows.h"

#include <array>

#include "model/Conversions.h"
#include "wire/Separators.h"

namespace td {

namespace {

// The first N columns of a row, or nothing when the row has fewer.
template <std::size_t N>
std::optional<std::array<std::string_view, N>> columns(std::string_view row) {
  std::array<std::string_view, N> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (start > row.size()) return std::nullopt;
    const std::size_t end = row.find(MessageInnerTagSeperatortw, start);
    const std::size_t stop = end == std::string_view::npos ? row.size() : end;
    out[i] = row.substr(start, stop - start);
    start = stop + 1;  // past the end of the row once the last column has been taken
  }
  return out;
}

struct Reader {
  std::string_view c;
  std::string text() const { return std::string(c); }
  std::int32_t integer() const { return conv::toInt(c); }
  double decimal() const { return conv::toDouble(c); }
  bool flag() const { return conv::toFlag(c); }
};

}  // namespace

std::optional<OpenOrderHD> OpenOrderHD::initWithMessage(std::string_view row) {
  const auto cols = columns<kColumns>(row);
  if (!cols) return std::nullopt;
  auto at = [&](std::size_t i) { return Reader{(*cols)[i]}; };
  OpenOrderHD r;
  r.PositionId = at(0).text();
  r.AccountId = at(1).text();
  r.InstrumentId = at(2).integer();
  r.IsBuy = at(3).flag();
  r.RefOrderTicketId = at(4).text();
  r.RefPendingOrderId = at(5).text();
  r.OrderExecutionId = at(6).text();
  r.PositionInitialQty = at(7).decimal();
  r.PositionQty = at(8).decimal();
  r.OrderPrice = at(9).decimal();
  r.CommisionPaid = at(10).decimal();
  r.PositionDate = at(11).text();
  r.ConfirmationModeId = at(12).text();
  r.ConfirmedBy = at(13).text();
  r.UnrealisedPL = at(14).decimal();
  r.TradeRouteId = at(15).text();
  r.RoutePositionId = at(16).text();
  r.DeliveryMode = at(17).integer();
  r.OrderTypeId = at(18).integer();
  r.Storage = at(19).decimal();
  r.ValueDate = at(20).text();
  r.ExpiryDate = at(21).text();
  return r;
}

std::optional<PendingOrderHD> PendingOrderHD::initWithMessage(std::string_view row) {
  const auto cols = columns<kColumns>(row);
  if (!cols) return std::nullopt;
  auto at = [&](std::size_t i) { return Reader{(*cols)[i]}; };
  PendingOrderHD r;
  r.PendingOrderId = at(0).text();
  r.RefTicketId = at(1).text();
  r.AccountId = at(2).text();
  r.InstrumentId = at(3).integer();
  r.IsBuy = at(4).flag();
  r.OrderTypeId = at(5).integer();
  r.OrderQty = at(6).decimal();
  r.MinQty = at(7).decimal();
  r.DisclosedQty = at(8).decimal();
  r.RemainingQty = at(9).decimal();
  r.OrderPrice = at(10).decimal();
  r.LimitPrice = at(11).decimal();
  r.StopPrice = at(12).decimal();
  r.TralingStopPrice = at(13).decimal();
  r.DeliveryModeId = at(14).integer();
  r.TimeInForceId = at(15).integer();
  r.ExpiryDateTime = at(16).text();
  r.OCOLLimitPrice = at(17).decimal();
  r.OCOLStopPrice = at(18).decimal();
  r.OCOSLimit = at(19).decimal();
  r.OCOSStop = at(20).decimal();
  r.Spread = at(21).text();
  r.TradeRouteId = at(22).text();
  r.RoutePendingOrderId = at(23).text();
  r.OrderAtServerDateTime = at(24).text();
  r.RefPositionIdOfBracket = at(25).text();
  r.TouchQty = at(26).decimal();
  r.TouchPrice = at(27).decimal();
  r.TouchDateTime = at(28).text();
  return r;
}

std::optional<SettledOrderHD> SettledOrderHD::initWithMessage(std::string_view row) {
  const auto cols = columns<kColumns>(row);
  if (!cols) return std::nullopt;
  auto at = [&](std::size_t i) { return Reader{(*cols)[i]}; };
  SettledOrderHD r;
  r.SettlementId = at(0).text();
  r.AccountId = at(1).text();
  r.InstrumentId = at(2).integer();
  r.RefPositionId = at(3).text();
  r.RefClosingPositionId = at(4).text();
  r.SettledQty = at(5).decimal();
  r.SettledPL = at(6).decimal();
  r.SettlementDate = at(7).text();
  r.CurrencyRate = at(8).decimal();
  r.Storage = at(9).decimal();
  r.CommisionPaid = at(10).decimal();
  r.OtherCharges = at(11).decimal();
  r.IsBuy = at(12).flag();
  r.OpenPrice = at(13).text();
  r.ClosePrice = at(14).text();
  r.OpenPositionDate = at(15).text();
  r.ClosePositionDate = at(16).text();
  r.DeliveryModeId = at(17).integer();
  return r;
}

std::optional<CancelledOrderHD> CancelledOrderHD::initWithMessage(std::string_view row) {
  const auto cols = columns<kColumns>(row);
  if (!cols) return std::nullopt;
  auto at = [&](std::size_t i) { return Reader{(*cols)[i]}; };
  CancelledOrderHD r;
  r.CancelledOrderId = at(0).text();
  r.CancelledQty = at(1).decimal();
  r.RefTicketId = at(2).text();
  r.RefPendingOrderId = at(3).text();
  r.InstrumentId = at(4).integer();
  r.AccountId = at(5).text();
  r.CancelReasonId = at(6).text();
  r.CancelDateTime = at(7).text();
  r.ActionByUserId = at(8).text();
  r.IsBuy = at(9).flag();
  r.DeliveryMode = at(10).integer();
  r.OrderAsk = at(11).decimal();
  r.OrderBid = at(12).decimal();
  r.OrderHigh = at(13).decimal();
  r.OrderLow = at(14).decimal();
  r.OrderTypeId = at(15).integer();
  r.OrderPrice = at(16).decimal();
  r.OrderTime = at(17).text();
  return r;
}

std::optional<EquityHitPriceInfos> EquityHitPriceInfos::initWithMessage(std::string_view row) {
  const auto cols = columns<kColumns>(row);
  if (!cols) return std::nullopt;
  auto at = [&](std::size_t i) { return Reader{(*cols)[i]}; };
  EquityHitPriceInfos r;
  r.EHOrderHistoryId = at(0).integer();
  r.RefEHMCId = at(1).integer();
  r.PositionId = at(2).text();
  r.InstrumentId = at(3).integer();
  r.OrderPrice = at(4).decimal();
  r.HitPrice = at(5).decimal();
  r.AccountId = at(6).text();
  r.UnrealisedPL = at(7).decimal();
  r.UnrealisedCharges = at(8).decimal();
  r.AccumulatingStorage = at(9).decimal();
  r.IsBuy = at(10).flag();
  r.PositionQty = at(11).decimal();
  r.CurrencyRate = at(12).decimal();
  r.ContractSize = at(13).decimal();
  return r;
}

}  // namespace td
