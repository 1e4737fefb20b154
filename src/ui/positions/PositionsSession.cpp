#include "ui/positions/PositionsSession.h"

#include "model/ReferenceData.h"
#include "orders/OrderMananger.h"
#include "platform/AppContext.h"
#include "platform/Log.h"
#include "session/BusinessBase.h"
#include "session/trading/ReadSide.h"

namespace td {

std::shared_ptr<ItemDetails> PositionsSession::item(std::string_view code) const {
  const ReferenceData* data = referenceData();
  return data ? data->item(code) : nullptr;
}

std::shared_ptr<AccountDetails> PositionsSession::account(std::string_view accountNumber) const {
  const ReferenceData* data = referenceData();
  return data ? data->account(accountNumber) : nullptr;
}

std::shared_ptr<GroupInstruments> PositionsSession::groupInstruments(std::string_view accountNumber,
                                                                    std::string_view itemCode) const {
  const ReferenceData* data = referenceData();
  if (!data) return nullptr;
  const auto found = data->item(itemCode);
  const auto owner = data->account(accountNumber);
  return found && owner ? data->groupInstruments(*owner, found->InstrumentId) : nullptr;
}

std::shared_ptr<Order> PositionsSession::find(const OrderRows& rows, std::string Order::*id, std::string_view key) {
  if (key.empty()) return nullptr;
  for (const auto& row : rows) {
    if (row && (*row).*id == key) return row;
  }
  return nullptr;
}

namespace {

std::shared_ptr<BusinessBase> session() { return AppContext::current()->businessbase(); }

template <class Get>
OrderRows read(Get get) {
  const auto s = session();
  if (!s) return {};
  return get(ReadSide(s->orderBook(), s->referenceData(), s->selectedSymbols()));
}

// The desk of the session of the moment; a request without one is logged and goes nowhere (no
// session, no records: no sheet can have asked for it).
template <class Call>
bool withDesk(const char* what, Call call) {
  const auto desk = AppContext::current()->orderMananger();
  if (!desk) {
    TD_LOG_WARN(std::string(what) + ": no order desk");
    return false;
  }
  return call(*desk);
}

}  // namespace

const ReferenceData* LivePositionsSession::referenceData() const {
  // The context keeps the session alive until the next login click, which cannot come while a
  // caller on the main thread uses the records.
  const auto s = session();
  return s ? &s->referenceData() : nullptr;
}

OrderRows LivePositionsSession::getOpenOrderCollection() const {
  return read([](const ReadSide& r) { return r.getOpenOrderCollection(); });
}
OrderRows LivePositionsSession::getPendingOrderCollection() const {
  return read([](const ReadSide& r) { return r.getPendingOrderCollection(); });
}
OrderRows LivePositionsSession::getCancelledOrderCollection() const {
  return read([](const ReadSide& r) { return r.getCancelledOrderCollection(); });
}
OrderRows LivePositionsSession::getSettledOrderCollection() const {
  return read([](const ReadSide& r) { return r.getSettledOrderCollection(); });
}
OrderRows LivePositionsSession::getExecutedOrderCollection() const {
  return read([](const ReadSide& r) { return r.getExecutedOrderCollection(); });
}

void LivePositionsSession::setExecutedPositionState(bool search) {
  if (const auto s = session()) s->isExecutedPositionSearch = search;
}

void LivePositionsSession::clearExecutedOrderSearchCollection() {
  if (const auto s = session()) s->ExecutedOrderSearchCollection.clear();
}

bool LivePositionsSession::requestExecutedPosition(const SearchInfo& search) {
  const auto s = session();
  return s && s->requestExecutedPosition(search);
}

double LivePositionsSession::GetMarginForSingleLot(const Order& order) const {
  const auto desk = AppContext::current()->orderMananger();
  return desk ? desk->GetMarginForSingleLot(order) : 0;
}

std::string LivePositionsSession::UpdateTakeProfitandStopLoss(std::int32_t side, std::string_view itemCode,
                                                              bool takeProfit, std::int32_t accountNumber,
                                                              std::int32_t orderType,
                                                              std::string_view orderPrice,
                                                              PriceBounds::BracketOf request) const {
  const auto desk = AppContext::current()->orderMananger();
  return desk ? desk->UpdateTakeProfitandStopLoss(side, itemCode, takeProfit, accountNumber, orderType, orderPrice,
                                                  PriceBounds::kPrefill, request)
              : std::string();
}

bool LivePositionsSession::PlacePartialOrder(const OrderInfo& info) {
  return withDesk("close", [&](OrderMananger& desk) { return desk.PlacePartialOrder(info); });
}

bool LivePositionsSession::PlaceEditBracketOrder(const OrderInfo& info) {
  return withDesk("bracket edit", [&](OrderMananger& desk) { return desk.PlaceEditBracketOrder(info); });
}

bool LivePositionsSession::PlaceEditWorkingOrder(const OrderInfo& info) {
  return withDesk("working-order edit", [&](OrderMananger& desk) { return desk.PlaceEditWorkingOrder(info); });
}

bool LivePositionsSession::PlaceOffsetOrder(const std::string& offsetList, const std::string& itemCode,
                                            const std::string& accountNo) {
  return withDesk("offset", [&](OrderMananger& desk) { return desk.PlaceOffsetOrder(offsetList, itemCode, accountNo); });
}

}  // namespace td
