#include "ui/watchlist/DetailWindowController.h"

#include <charconv>

#include "model/Conversions.h"
#include "orders/MarginCalculator.h"
#include "platform/LanguageString.h"
#include "session/BusinessBase.h"
#include "session/trading/ReadSide.h"
#include "ui/watchlist/QuoteFormat.h"
#include "wire/Formatter.h"

namespace td {
namespace {

// "%.0f": the nearest whole number, whatever the C locale.
std::string wholeNumber(double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

// The figure and its integer part in English words: "300 (three hundred)".
std::string withWords(double value) {
  const std::string figure = quote::plainDecimal(value);
  return figure + " (" + Formatter::spelloutFromString(figure) + ")";
}

}  // namespace

DetailWindowController::DetailWindowController(Services services, QObject* parent)
    : QAbstractTableModel(parent), services_(std::move(services)) {
  bankToken_ = services_.notifications->addObserver("BankDetailsNotification", [this](const Notification& n) {
    const auto* reply = n.objectAs<BankDetailsReply>();
    if (!bankRequest_ || !reply || reply->request != *bankRequest_) return;
    const std::shared_ptr<BusinessBase> asked = bankSession_.lock();
    if (!asked || asked != (services_.session ? services_.session() : nullptr)) return;
    bankRequest_.reset();
    bank_ = reply->details;
    if (isReceipt()) loadDeliveryReceiptDetails();
  });
}

DetailWindowController::~DetailWindowController() { services_.notifications->removeObserver(bankToken_); }

std::string DetailWindowController::text(const char* key) const {
  return LanguageString::stringforSelectedLanguage(services_.language ? services_.language() : 0, key);
}

void DetailWindowController::setValue(const std::string& value) {
  if (detailViewType_ == ContractDetails) {
    LoadsymbolcontractDetail(value);
    return;
  }
  if (!isReceipt()) return;
  positionId_.reset();
  if (!value.empty()) positionId_ = value;
  position_.reset();
  bank_.reset();
  bankRequest_.reset();
  loadDeliveryReceiptDetails();
  requestBankDetails();
}

void DetailWindowController::showWindow() {
  if (isReceipt()) {
    title_ = QStringLiteral("Delivery Receipt:");
    printButtonVisible_ = true;
  } else if (detailViewType_ == ContractDetails) {
    title_ = QStringLiteral("Instrument Details:");
    printButtonVisible_ = false;
  } else {
    return;
  }
  emit titleChanged();
}

void DetailWindowController::closeModal() { bankRequest_.reset(); }

std::vector<std::shared_ptr<Order>> DetailWindowController::positions(BusinessBase& session) const {
  if (detailViewType_ == OpenPositionReceipt) return session.getOpenOrderCollection();
  return ReadSide(session.orderBook(), session.referenceData(), session.selectedSymbols()).getExecutedOrderCollection();
}

std::shared_ptr<Order> DetailWindowController::position(BusinessBase& session) {
  if (!positionId_) return nullptr;
  for (const std::shared_ptr<Order>& order : positions(session)) {
    if (order && order->OpenPositionId == *positionId_) {
      position_ = order;
      break;
    }
  }
  return position_;
}

void DetailWindowController::setRows(std::vector<std::string> labels, std::vector<std::string> values) {
  beginResetModel();
  labels_ = std::move(labels);
  values_ = std::move(values);
  endResetModel();
}

void DetailWindowController::LoadsymbolcontractDetail(const std::string& itemCode) {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  if (!session) {
    setRows({}, {});
    return;
  }
  const ReferenceData& reference = session->referenceData();
  const std::shared_ptr<AccountDetails> account = reference.account(std::to_string(session->currentAccountSelected()));
  const std::shared_ptr<ItemDetails> found = reference.item(itemCode);
  const ItemDetails item = found ? *found : ItemDetails{};
  const std::shared_ptr<GroupInstruments> foundTerms =
      account && found ? reference.groupInstruments(*account, item.InstrumentId) : nullptr;
  const GroupInstruments terms = foundTerms ? *foundTerms : GroupInstruments{};

  std::vector<std::string> labels;
  std::vector<std::string> values;
  auto row = [&](const char* label, std::string value) {
    labels.emplace_back(label);
    values.push_back(std::move(value));
  };
  // A date row is left out only for the empty date; a missing date shows "-".
  auto dateRow = [&](const char* label, const std::string& date) {
    const auto wire = Formatter::formatDateandTimeFromString(date, DISPLAY_DATE_TIME_FORMAT, AMP_DATE_FORMAT);
    if (wire && *wire == "00010101000000") return;
    row(label, date.empty() ? std::string("-") : date);
  };
  const bool percent = terms.margincalculationMode == 2;
  auto margin = [&](double value) { return quote::plainDecimal(value) + (percent ? "%" : ""); };

  row("Symbol", item.Code);
  row("Type", item.InstrumentTypeName);
  row("Name", item.Name);
  row("Tick", Formatter::formatDecimal(item.TickSize, item.DecimalPlaces));
  row("Contract Size", wholeNumber(item.ContractSize));
  dateRow("First Notice Day", item.FND);
  dateRow("Last Trading Day", item.LTD);
  row("Buy Storage Rate", wholeNumber(terms.BuyInterestRate));
  row("Sell Storage Rate", wholeNumber(terms.SellInterestRate));
  row("Limit Min Pips", std::to_string(terms.LimitMinPips));
  row("Stop Min Pips", std::to_string(terms.StopMinPips));
  row("Initial Margin", margin(terms.InitialMargin));
  if (terms.IntradayOrderMargin != 0) row("Intraday Margin", margin(terms.IntradayOrderMargin));
  if (terms.BTSTOrderMargin != 0) row("BTST Margin", margin(terms.BTSTOrderMargin));
  row("Overnight Margin", margin(terms.OverNightMargin));
  setRows(std::move(labels), std::move(values));
}

void DetailWindowController::loadDeliveryReceiptDetails() {
  std::vector<std::string> labels{text("0380"), text("0239"), "Bank Name",  "Bank Account Number", text("0317"),
                                  text("0125"), text("0340"), text("0027"), text("0232"),          "Total Cost",
                                  text("0274"), text("0137"), "Delivery Date", text("0483")};
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  const std::shared_ptr<Order> order = session ? position(*session) : nullptr;
  if (!order) {
    setRows(std::move(labels), {});  // the labels without values
    return;
  }
  const ReferenceData& reference = session->referenceData();
  const std::shared_ptr<AccountDetails> foundAccount = reference.account(order->AccountNumber);
  const AccountDetails account = foundAccount ? *foundAccount : AccountDetails{};
  const std::shared_ptr<ItemDetails> item = reference.item(order->ItemCode);
  const std::shared_ptr<GroupInstruments> terms =
      foundAccount && item ? reference.groupInstruments(account, item->InstrumentId) : nullptr;

  const double quantity = conv::toDouble(order->OrderQty);
  const double price = conv::toDouble(order->OrderPrice);
  const double contractSize = item ? item->ContractSize : 0;
  const double totalCost = quantity * contractSize * price;
  const double margin = MarginCalculator::GetMarginForSingleLot(terms.get(), *order, item.get()) * quantity;

  std::vector<std::string> values{
      std::to_string(account.AccountId),
      account.AccountName,
      bank_ ? bank_->BankName : std::string(),
      bank_ && bank_->BankAccountNumber > 0 ? std::to_string(bank_->BankAccountNumber) : std::string(),
      order->OpenPositionId,
      order->ItemCode,
      Order::GetTradingModeString(order->tradingMode, false, {}),
      quote::plainDecimalText(order->OrderQty),
      Formatter::formatDecimal(price, item ? item->DecimalPlaces : 0),
      withWords(totalCost),
      withWords(margin),
      order->TransactionDateTime,
      order->ValueDate,
      order->ExpiryDate};
  setRows(std::move(labels), std::move(values));
}

void DetailWindowController::requestBankDetails() {
  const std::shared_ptr<BusinessBase> session = services_.session ? services_.session() : nullptr;
  const std::shared_ptr<Order> order = session ? position(*session) : nullptr;
  if (!order) return;
  const std::shared_ptr<AccountDetails> account = session->referenceData().account(order->AccountNumber);
  if (!account) return;
  bankRequest_ = session->requestBankDetails(*account);
  bankSession_ = session;
}

std::vector<std::vector<QString>> DetailWindowController::printGrid() const {
  std::vector<std::vector<QString>> grid;
  grid.push_back({QString::fromLatin1(kColumnIdentifiers[EntityColumn]),
                  QString::fromLatin1(kColumnIdentifiers[DetailsColumn])});
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    grid.push_back({QString::fromStdString(labels_[i]),
                    i < values_.size() ? QString::fromStdString(values_[i]) : QString()});
  }
  return grid;
}

int DetailWindowController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(labels_.size());
}

int DetailWindowController::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant DetailWindowController::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (index.column() == EntityColumn && row < labels_.size()) return QString::fromStdString(labels_[row]);
  if (index.column() == DetailsColumn && row < values_.size()) return QString::fromStdString(values_[row]);
  return {};
}

QVariant DetailWindowController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) return {};
  return QString::fromLatin1(kColumnIdentifiers[section]);
}

}  // namespace td
