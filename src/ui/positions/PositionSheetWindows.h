#pragma once
// The windows of the three sheets: window-modal dialogs on the main window that show their
// controller's state and forward every edit and click to it. Each is made once and shown again for
// later records; closing one (its Cancel button, Escape, or the controller's end) hides it.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>

#include "ui/positions/ClosendCancelPositionWindowController.h"
#include "ui/positions/ModifyPositionWindowController.h"
#include "ui/positions/OffsetPositionWindowController.h"
#include "ui/positions/PositionSheetController.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

namespace td {

// What the three sheets share: presentation on the main window, the dismiss button and the binding
// guard.
class PositionSheetWindow : public QDialog, public PositionSheetView {
  Q_OBJECT
 public:
  explicit PositionSheetWindow(QWidget* mainWindow);
  // Shows the sheet over the top of the main window.
  void present();
  void endSheet() override;
  QPushButton* sendButton() const { return send_; }
  QPushButton* dismissButton() const { return dismiss_; }
  // The quantity combo of the modify and close sheets.
  QComboBox* quantityField() const { return quantity_; }

 protected:
  // The controller's closeModal.
  virtual void dismissed() = 0;
  void reject() override;
  QGroupBox* box() const { return box_; }
  QFormLayout* form() const { return form_; }
  // A read-only field of the form.
  QLabel* addField(const char* key, const char* objectName);
  // The record's account, symbol and name, and the quantity combo with its description; edits and
  // picks of the quantity go to the two functions.
  void addRecordFields(std::function<void(const std::string&)> quantityEdited, std::function<void(int)> quantityChosen);
  // Those fields, the box title and the send button from the controller.
  void showRecordFields(const SheetRecordFields& fields);
  // Text of a control set by the controller without echoing back as an edit.
  static void setText(QLineEdit* field, const std::string& text);
  static void setText(QComboBox* box, const std::string& text, const std::vector<std::string>& list);
  static QString qs(const std::string& text) { return QString::fromStdString(text); }
  bool binding_ = false;

 private:
  QGroupBox* box_;
  QFormLayout* form_;
  QPushButton* send_;
  QPushButton* dismiss_;
  QLabel* account_ = nullptr;
  QLabel* symbol_ = nullptr;
  QLabel* description_ = nullptr;
  QComboBox* quantity_ = nullptr;
  QLabel* quantityDescription_ = nullptr;
  bool ending_ = false;
};

class ClosendCancelPositionSheet final : public PositionSheetWindow {
  Q_OBJECT
 public:
  ClosendCancelPositionSheet(ClosendCancelPositionWindowController& controller, QWidget* mainWindow);
  ~ClosendCancelPositionSheet() override;
  void refresh() override;
  QCheckBox* deviationCheckBox() const { return deviationCheck_; }
  QLineEdit* deviationField() const { return deviation_; }

 protected:
  void dismissed() override { controller_.closeModal(); }

 private:
  ClosendCancelPositionWindowController& controller_;
  QLabel* orderType_;
  QLabel* orderPrice_;
  QLabel* currentPrice_;
  QLabel* estimatedPL_;
  QLabel* estimatedPLLabel_;
  QCheckBox* deviationCheck_;
  QLineEdit* deviation_;
  QWidget* deviationRow_;
};

class ModifyPositionSheet final : public PositionSheetWindow {
  Q_OBJECT
 public:
  ModifyPositionSheet(ModifyPositionWindowController& controller, QWidget* mainWindow);
  ~ModifyPositionSheet() override;
  void refresh() override;
  QLineEdit* orderPriceField() const { return orderPrice_; }
  QCheckBox* takeProfitCheckBox() const { return takeProfit_.check; }
  QLineEdit* takeProfitField() const { return takeProfit_.field; }
  QCheckBox* stopLossCheckBox() const { return stopLoss_.check; }
  QLineEdit* stopLossField() const { return stopLoss_.field; }

 protected:
  void dismissed() override { controller_.closeModal(); }

 private:
  struct BracketRow {
    QWidget* row = nullptr;
    QCheckBox* check = nullptr;
    QLineEdit* field = nullptr;
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
  };
  BracketRow makeBracketRow(const char* key, const char* name, bool takeProfit);
  void showBracket(const BracketRow& row, const ModifyPositionWindowController::Bracket& bracket);

  ModifyPositionWindowController& controller_;
  QLabel* orderType_;
  QLineEdit* orderPrice_;
  BracketRow takeProfit_;
  BracketRow stopLoss_;
};

class OffsetPositionSheet final : public PositionSheetWindow {
  Q_OBJECT
 public:
  OffsetPositionSheet(OffsetPositionWindowController& controller, QWidget* mainWindow);
  ~OffsetPositionSheet() override;
  void refresh() override;
  QTableView* table() const { return table_; }

 protected:
  void dismissed() override { controller_.closeModal(); }

 private:
  class RowsModel;
  OffsetPositionWindowController& controller_;
  RowsModel* rows_;
  QTableView* table_;
  QLabel* offsetAccount_;
  QLabel* offsetSymbol_;
  QLabel* openPrice_;
  QLabel* offsetQuantityField_;
  QLabel* offsetQuantity_;
  QLabel* remainingQuantity_;
};

}  // namespace td
