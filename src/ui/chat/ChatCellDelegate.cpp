#include "ui/chat/ChatCellDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "ui/watchlist/Images.h"

namespace td::chat {
namespace {

constexpr double kMargin = 2.0;

// The line as a document: the head coloured, the rest in the cell's colour, wrapped to `width`.
void layOut(QTextDocument& document, const QModelIndex& index, const QStyleOptionViewItem& option, double width,
            const QColor& textColor) {
  const QString text = index.data(Qt::DisplayRole).toString();
  const int head = std::clamp(index.data(HeadLengthRole).toInt(), 0, static_cast<int>(text.size()));
  document.setDefaultFont(option.font);
  document.setDocumentMargin(kMargin);
  document.setTextWidth(std::max(1.0, width));
  QTextCursor cursor(&document);
  QTextCharFormat format;
  format.setForeground(TranscriptDelegate::headColor(index.data(OwnLineRole).toBool()));
  cursor.insertText(text.left(head), format);
  format.setForeground(textColor);
  // The tab after the head is drawn as a gap of two spaces, whatever the head's width.
  const bool tab = head < text.size() && text[head] == u'\t';
  cursor.insertText(tab ? QStringLiteral("  ") + text.mid(head + 1) : text.mid(head), format);
}

// The width of the line's column: the cell's own when laid out, else the column's in its table.
double columnWidth(const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (option.rect.width() > 0) return option.rect.width();
  if (const auto* table = qobject_cast<const QTableView*>(option.widget)) return table->columnWidth(index.column());
  return 200.0;
}

}  // namespace

QIcon statusImage(StatusImage image) {
  switch (image) {
    case StatusImage::NoImage: break;
    case StatusImage::StatusAvailable: return images::named("StatusAvailable.png");
    case StatusImage::StatusPartiallyAvailable: return images::named("StatusPartiallyAvailable.png");
    case StatusImage::StatusNone: return images::named("StatusNone.png");
  }
  return {};
}

// ---- ChatItemStyle ----

ChatItemStyle::ChatItemStyle(QAbstractItemModel* source, QObject* parent) : QIdentityProxyModel(parent) {
  setSourceModel(source);
}

QVariant ChatItemStyle::data(const QModelIndex& index, int role) const {
  switch (role) {
    case Qt::DecorationRole: {
      const QVariant status = QIdentityProxyModel::data(index, StatusImageRole);
      if (!status.isValid()) return {};
      const QIcon image = statusImage(static_cast<StatusImage>(status.toInt()));
      return image.isNull() ? QVariant() : QVariant(image);
    }
    case Qt::FontRole: {
      QFont font = QApplication::font();
      font.setBold(QIdentityProxyModel::data(index, UnreadRole).toBool());
      return font;
    }
    default: return QIdentityProxyModel::data(index, role);
  }
}

// ---- ChatListCell ----

void ChatListCell::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  AAPLImageAndTextCell::initStyleOption(option, index);
  if (!index.data(GroupRowRole).toBool()) return;
  option->font.setBold(true);
  option->fontMetrics = QFontMetrics(option->font);
}

QSize ChatListCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  QSize size = AAPLImageAndTextCell::sizeHint(option, index);
  size.setHeight(std::max(size.height(), opt.fontMetrics.height() + 6));
  return size;
}

// ---- TranscriptDelegate ----

QColor TranscriptDelegate::headColor(bool own) {
  return own ? QColor::fromRgbF(0.6, 0.0, 0.0, 1.0) : QColor::fromRgbF(0.0, 0.6, 0.0, 1.0);
}

void TranscriptDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  QTextDocument document;
  layOut(document, index, opt, option.rect.width(), opt.palette.color(QPalette::Text));
  painter->save();
  painter->translate(option.rect.topLeft());
  painter->setClipRect(QRect(QPoint(0, 0), option.rect.size()));
  document.drawContents(painter);
  painter->restore();
}

QSize TranscriptDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const double width = columnWidth(option, index);
  QTextDocument document;
  layOut(document, index, opt, width, opt.palette.color(QPalette::Text));
  return QSize(static_cast<int>(width), static_cast<int>(std::ceil(document.size().height())));
}

}  // namespace td::chat
