#pragma once
// The ticket's number fields, the editable Quantity header of its multi-account table and the text
// of its large price labels.
//
// The shared controls for these roles are being built in src/ui/controls; until they are in, the
// plain Qt stand-ins below fill the roles with the same rules (a decimal number with one point; a
// whole number of at most five digits; a header section edited in place that posts
// "TableHeaderEditNotification" with the typed text; a price whose last two characters stand out).
// Each alias in TicketControls is the one line to swap:
//   DecimalField -> JCustomTextField, WholeNumberField -> CustomTextField,
//   DecimalComboBox -> CustomComboBox, QuantityHeader -> NBETableHeaderView.
//
// The large price labels draw their text themselves (TicketPriceLabel): the same look as the
// shared price-label text, without laying out rich text at every tick.

#include <QComboBox>
#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace td {

class StandInDecimalField : public QLineEdit {
  Q_OBJECT
 public:
  explicit StandInDecimalField(QWidget* parent = nullptr);
};

class StandInWholeNumberField : public QLineEdit {
  Q_OBJECT
 public:
  explicit StandInWholeNumberField(QWidget* parent = nullptr);
};

class StandInDecimalComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit StandInDecimalComboBox(QWidget* parent = nullptr);
};

class StandInQuantityHeader : public QHeaderView {
  Q_OBJECT
 public:
  explicit StandInQuantityHeader(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
  // Opens a line edit over the section; ending it posts "TableHeaderEditNotification" once.
  void editSection(int logicalIndex);
  bool isEditing() const { return editor_ != nullptr; }
  QLineEdit* editor() const { return editor_; }

 private:
  void endEditing();

  QPointer<QLineEdit> editor_;
};

// A price centred in the label's font with its last two characters 20 points larger, so the last
// two digits stand out; a text of fewer than two characters is drawn plain. Its size is fixed by
// the longest price it expects, so a new price repaints only the label.
class TicketPriceLabel : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kEnlargement = 20.0;
  explicit TicketPriceLabel(QWidget* parent = nullptr);
  void setPrice(const QString& text);
  const QString& price() const { return text_; }
  // Where the enlarged part begins: two characters before the end, or the end for fewer than two.
  static qsizetype enlargedStart(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont bigFont() const;
  QString text_;
};

namespace TicketControls {
using DecimalField = StandInDecimalField;
using WholeNumberField = StandInWholeNumberField;
using DecimalComboBox = StandInDecimalComboBox;
using QuantityHeader = StandInQuantityHeader;
}  // namespace TicketControls

}  // namespace td
