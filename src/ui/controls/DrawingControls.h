#pragma once
// The application's own drawn controls:
//  - AAPLImageAndTextCell: a table-cell delegate that draws an image before the text (symbols
//    lists, chat queues and contacts);
//  - AMBackground: the dark gradient background of panels;
//  - WindowSheetBackgroundView: the light background of sheets;
//  - AMDarkButtonCell: a push button on a dark gradient bezel.
// The geometry is in DrawingGeometry.h.

#include <QPixmap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QWidget>
#include <optional>

class QPainter;
class QVBoxLayout;

namespace td {

// A grey level (0 black, 1 white) with an alpha.
QColor greyColor(double level, double alpha = 1.0);

class AAPLImageAndTextCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit AAPLImageAndTextCell(QObject* parent = nullptr);

  // The image of every cell that has none of its own; a cell's own image is its model's
  // Qt::DecorationRole (a QPixmap, QImage or QIcon).
  const QPixmap& myImage() const { return myImage_; }
  void setMyImage(QPixmap image) { myImage_ = std::move(image); }

  // The image drawn for the index (null when there is none).
  QPixmap imageFor(const QModelIndex& index, const QStyleOptionViewItem& option) const;
  // The text rectangle for the cell's frame, where the text is drawn and the editor is placed.
  QRectF titleRect(const QRectF& frame, const QModelIndex& index, const QStyleOptionViewItem& option) const;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 protected:
  // The text in the small system font; the decoration is drawn here, not by the style.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  QPixmap myImage_;
};

class AMBackground : public QWidget {
  Q_OBJECT
 public:
  explicit AMBackground(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class WindowSheetBackgroundView : public QWidget {
  Q_OBJECT
 public:
  explicit WindowSheetBackgroundView(QWidget* parent = nullptr);

  // Lays a background over the whole of `sheet` and returns the vertical layout of its content.
  static QVBoxLayout* fillSheet(QWidget* sheet);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class AMDarkButtonCell : public QPushButton {
  Q_OBJECT
 public:
  explicit AMDarkButtonCell(const QString& title = {}, QWidget* parent = nullptr);

  // The bezel in `frame`; `highlighted` darkens it as while the button is pressed.
  static void drawBezelWithFrame(QPainter& painter, const QRectF& frame, bool highlighted);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace td
