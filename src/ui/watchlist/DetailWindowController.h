#pragma once
// The details sheet: a two-column table of label ("Entity") and value ("Details") rows, in one of
// two forms:
//   0  the contract details of an instrument, with the terms of the group of the selected account;
//   1  the delivery receipt of an open position, 2 of an executed position: account, bank account,
//      position, instrument, side, quantity, price, total cost and margin (both also in words) and
//      the dates; a receipt can be printed.
//
// A receipt is opened with the id of its position, and every reload finds the position by that id
// in the open or the executed positions, so a list that changes meanwhile never swaps the position
// under the receipt. The receipt asks for the bank
// account of the position's account and shows the bank rows empty until the reply to that very
// request arrives (never the bank account of another request or account).
//
// The controller is the table's item model; the Qt sheet (DetailSheet) and the symbol manager's
// details view bind to it. Main thread only.

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/NotificationCenter.h"

namespace td {

class BusinessBase;
struct BankDetails;
struct Order;

class DetailWindowController final : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Type : std::int32_t { ContractDetails = 0, OpenPositionReceipt = 1, ExecutedPositionReceipt = 2 };
  enum Column : int { EntityColumn, DetailsColumn, ColumnCount };

  struct Services {
    std::function<std::shared_ptr<BusinessBase>()> session;
    NotificationCenter* notifications = nullptr;
    std::function<int()> language;  // 0 English, 1 Simplified Chinese
  };

  explicit DetailWindowController(Services services, QObject* parent = nullptr);
  ~DetailWindowController() override;

  std::int32_t detailViewType() const { return detailViewType_; }
  void setDetailViewType(std::int32_t type) { detailViewType_ = type; }
  // `setValue:forKey:`: type 0 loads the contract details of the item code; types 1 and 2 take the
  // id of the position, load its receipt and ask for its account's bank account; other types load
  // nothing.
  void setValue(const std::string& value);
  // `showWindow`: the title and the print button of the type.
  void showWindow();
  // `closeModal:`: a bank reply that comes after the sheet closed is not taken.
  void closeModal();
  const QString& title() const { return title_; }
  bool printButtonVisible() const { return printButtonVisible_; }

  // `LoadsymbolcontractDetail:`.
  void LoadsymbolcontractDetail(const std::string& itemCode);
  // `loadDeliveryReceiptDetails`.
  void loadDeliveryReceiptDetails();
  // `requestBankDetails`.
  void requestBankDetails();

  const std::vector<std::string>& DetailList() const { return labels_; }
  const std::vector<std::string>& DetailValueArray() const { return values_; }
  // The id of the receipt's position.
  const std::optional<std::string>& positionId() const { return positionId_; }
  // The grid of a print-out: the column identifiers, then one row per label.
  std::vector<std::vector<QString>> printGrid() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  static constexpr const char* kColumnIdentifiers[ColumnCount] = {"Entity", "Details"};

 signals:
  void titleChanged();

 private:
  bool isReceipt() const { return detailViewType_ == OpenPositionReceipt || detailViewType_ == ExecutedPositionReceipt; }
  std::vector<std::shared_ptr<Order>> positions(BusinessBase& session) const;
  // The receipt's position: found again by its id (the record last found when it left the list).
  std::shared_ptr<Order> position(BusinessBase& session);
  void setRows(std::vector<std::string> labels, std::vector<std::string> values);
  std::string text(const char* key) const;

  Services services_;
  std::int32_t detailViewType_ = ContractDetails;
  std::vector<std::string> labels_;
  std::vector<std::string> values_;
  QString title_;
  bool printButtonVisible_ = false;
  std::optional<std::string> positionId_;
  std::shared_ptr<Order> position_;
  // The bank request of this receipt, the session it went to, and its reply's bank account.
  std::optional<std::uint64_t> bankRequest_;
  std::weak_ptr<BusinessBase> bankSession_;
  std::shared_ptr<BankDetails> bank_;
  ObserverToken bankToken_ = 0;
};

}  // namespace td
