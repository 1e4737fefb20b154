// The ticket's left drawer: one order for several accounts. Which accounts take part, their ticks
// and quantities, the deviation switch, the live figures of each row and the bulk order details.

#include <algorithm>

#include "model/AccountDetails.h"
#include "model/ItemDetails.h"
#include "platform/AppContext.h"
#include "session/BusinessBase.h"
#include "session/trading/ProfitAndLoss.h"
#include "ui/ticket/TicketFormat.h"
#include "ui/ticket/TradeTicketWindowController.h"
#include "wire/Formatter.h"
#include "wire/OrderRequests.h"

namespace td {

void TradeTicketWindowController::checkMultiTradeisAvailable() {
  ViewUpdate update(*this);
  const auto accounts = getAccountCollection();
  const bool withdrawn = std::any_of(accounts.begin(), accounts.end(), [](const auto& a) {
    return (a->accountSettings1 & AccountSettingNoMultiAccount) != 0;
  });
  state_.multitradeButton.visible = accounts.size() >= 2 && !withdrawn;
  if (state_.multitradeButton.visible) {
    LoadMultiAccountDetails();
    tableReload();
  }
}

void TradeTicketWindowController::LoadMultiAccountDetails() {
  ViewUpdate update(*this);
  resetMultiTradeRows([](const AccountDetails&) { return true; });
}

void TradeTicketWindowController::resetMultiTradeRows(const std::function<bool(const AccountDetails&)>& takes) {
  ViewUpdate update(*this);
  const bool unticks = toggleMultiTrade() && !checkPoints_.empty();
  multitradeModel_.rebuildRows([&] {
    multitradeAccounts_.clear();
    checkPoints_.clear();
    if (!takes) return;
    for (const auto& account : getAccountCollection())
      if (account && takes(*account)) initializeMultiTradeClass(account);
  });
  showSelectAll();
  if (unticks) updatePriceinTextField();
}

void TradeTicketWindowController::showSelectAll() {
  state_.selectAll.on = !multitradeAccounts_.empty() && checkPoints_.size() == multitradeAccounts_.size();
}

void TradeTicketWindowController::initializeMultiTradeClass(const std::shared_ptr<AccountDetails>& account) {
  if (!account) return;
  // With the deviation box ticked only accounts that allow a deviation take part.
  if (state_.deviationBox.on && (account->accountSettings1 & AccountSettingDeviation) == 0) return;
  multitradeAccounts_.push_back(std::make_shared<MultiTrade>(MultiTrade{account, 0}));
}

void TradeTicketWindowController::tableReload() { multitradeModel_.rebuildRows({}); }

void TradeTicketWindowController::DisableControlsonMultiTrade() {
  ViewUpdate update(*this);
  const bool multi = toggleMultiTrade();
  state_.account.enabled = state_.quantity.enabled = !multi;
  showSelectAll();
}

void TradeTicketWindowController::RefreshMultiTradeTableview() {
  if (toggleMultiTrade()) multitradeModel_.marginsChanged();
}

void TradeTicketWindowController::checkandloadOrderTypesforMultiAccount(const std::string& orderType) {
  if (!toggleMultiTrade()) return;
  ViewUpdate update(*this);
  const std::int32_t typeBit = orderType == MARKET_OT ? OrderTypeBitMarket
                               : orderType == LIMIT_OT ? OrderTypeBitLimit
                               : orderType == STOP_OT  ? OrderTypeBitStop
                                                       : 0;
  std::int32_t needed = typeBit;
  if (state_.takeProfit.on) needed |= OrderTypeBitTakeProfit;
  if (state_.stopLoss.on) needed |= OrderTypeBitStopLoss;
  const std::int32_t itemBits = itemDetails_ ? itemDetails_->availableOrderTypes : 0;
  // A bit counts only when both the account and the item have it; an order type without a bit takes
  // no account.
  resetMultiTradeRows(typeBit == 0 ? std::function<bool(const AccountDetails&)>()
                                   : [&](const AccountDetails& account) {
                                       return (account.availableOrderTypes & itemBits & needed) == needed;
                                     });
}

void TradeTicketWindowController::checkDeviationisAvailable(const std::string& orderType) {
  ViewUpdate update(*this);
  const bool show =
      orderType == MARKET_OT &&
      (toggleMultiTrade() || (accountDetails_ && (accountDetails_->accountSettings1 & AccountSettingDeviation) != 0));
  state_.deviationBox.visible = state_.deviation.visible = show;
  if (!show) {
    state_.deviationBox.on = false;
    setEnableDeviationControl(false);
    state_.deviation.text.clear();
  }
}

void TradeTicketWindowController::deviationCheckboxSelect(bool on) {
  ViewUpdate update(*this);
  state_.deviationBox.on = on;
  setEnableDeviationControl(on);
  if (on) state_.deviation.text = "0";
  else state_.deviation.text.clear();
  checkandloadOrderTypesforMultiAccount(state_.orderType.text);
}

void TradeTicketWindowController::setEnableDeviationControl(bool flag) {
  ViewUpdate update(*this);
  state_.deviation.enabled = flag;
}

std::string TradeTicketWindowController::GenerateMultiTradeOrderDetails() const {
  std::vector<BulkOrderEntry> entries;
  for (const auto& row : checkPoints_) entries.push_back({row->accountDet ? row->accountDet->AccountId : 0, row->quantity});
  const auto s = session();
  return OrderRequests::bulkOrderDetails(entries, s ? s->Requestid() : 0);
}

bool TradeTicketWindowController::isTicked(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= multitradeAccounts_.size()) return false;
  return std::find(checkPoints_.begin(), checkPoints_.end(), multitradeAccounts_[static_cast<std::size_t>(row)]) !=
         checkPoints_.end();
}

std::string TradeTicketWindowController::availableMarginText(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= multitradeAccounts_.size()) return {};
  const auto& account = multitradeAccounts_[static_cast<std::size_t>(row)]->accountDet;
  const auto s = session();
  if (!account || !s) return {};
  // Figured on a copy: the shared record is the one the margin check reads.
  const AccountDetails figures = ProfitAndLoss::accountFigures(*account, s->referenceData(), s->getOpenOrderCollection());
  const std::string text = ticket::printfString("%.2f", figures.AvailableMargin);
  return Formatter::formatDecimalWithString(text).value_or(text);
}

void TradeTicketWindowController::QuantitySelectedAtIndex(int row, const std::string& quantity) {
  if (row < 0 || static_cast<std::size_t>(row) >= multitradeAccounts_.size()) return;
  ViewUpdate update(*this);
  multitradeAccounts_[static_cast<std::size_t>(row)]->quantity = OrderRequests::leadingNumber(quantity);
  multitradeModel_.valuesChanged();
  // The ticket's quantity is the sum over every row, ticked or not.
  double sum = 0;
  for (const auto& trade : multitradeAccounts_) sum += trade->quantity;
  state_.quantity.text = shortestNumber(sum);
  calculateContarctValueforQuantity(sum);
}

void TradeTicketWindowController::hitCheckbox(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= multitradeAccounts_.size()) return;
  ViewUpdate update(*this);
  const auto& trade = multitradeAccounts_[static_cast<std::size_t>(row)];
  const auto found = std::find(checkPoints_.begin(), checkPoints_.end(), trade);
  if (found != checkPoints_.end()) checkPoints_.erase(found);
  else checkPoints_.push_back(trade);
  showSelectAll();
  multitradeModel_.valuesChanged();
  if (toggleMultiTrade()) updatePriceinTextField();
}

void TradeTicketWindowController::selectAllMultiAccountCheckBoxClicked(bool on) {
  ViewUpdate update(*this);
  checkPoints_.clear();
  if (on) checkPoints_ = multitradeAccounts_;
  showSelectAll();
  multitradeModel_.valuesChanged();
  if (toggleMultiTrade()) updatePriceinTextField();
}

bool TradeTicketWindowController::doubleClickInTableViewHeader(int row, int column) {
  if (!quantityHeaderEditable() || row != -1 || column != MultiTradeTableModel::QuantityColumn) return false;
  if (view_) view_->editQuantityHeader();
  return true;
}

void TradeTicketWindowController::TableHeaderEdited(const Notification& notification) {
  const auto* text = notification.objectAs<std::string>();
  if (text == nullptr) return;
  ViewUpdate update(*this);
  const double quantity = OrderRequests::leadingNumber(*text);
  for (const auto& trade : checkPoints_) trade->quantity = quantity;
  const double total = quantity * static_cast<double>(checkPoints_.size());
  state_.quantity.text = shortestNumber(total);
  multitradeModel_.valuesChanged();
  calculateContarctValueforQuantity(total);
}

}  // namespace td
