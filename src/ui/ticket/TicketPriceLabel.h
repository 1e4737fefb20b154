#pragma once
// The ticket's large price labels: the price centred in the label's font with its last two
// characters 20 points larger, so the last two digits stand out (the look of the shared price-label
// text, CustomLabelStyle), drawn directly instead of laid out as rich text at every tick. A text of
// fewer than two characters is drawn plain. The size is fixed by the longest price it expects, so a
// new price repaints only the label.

#include <QString>
#include <QWidget>

namespace td {

class TicketPriceLabel : public QWidget {
  Q_OBJECT
 public:
  explicit TicketPriceLabel(QWidget* parent = nullptr);
  void setPrice(const QString& text);
  const QString& price() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont bigFont() const;
  QString text_;
};

}  // namespace td
