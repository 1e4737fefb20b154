#pragma once
// How the chat and notice lists draw their cells:
//  - ChatItemStyle: the lists' rows in the application's font (bold for an unread notice), with
//    the status dot of a contact or queue as the image of the image-and-text cell;
//  - ChatListCell: the image-and-text cell of the contacts and queues, group rows in bold;
//  - TranscriptDelegate: a transcript line wrapped to its column, its head (name, time and colon)
//    in dark red for the user's own lines and dark green for the partner's.

#include <QIdentityProxyModel>
#include <QIcon>
#include <QStyledItemDelegate>

#include "ui/chat/ChatItems.h"
#include "ui/controls/DrawingControls.h"

namespace td::chat {

// The dot of a status from the images folder ("StatusAvailable.png", "StatusPartiallyAvailable.png",
// "StatusNone.png"); a null icon for NoImage.
QIcon statusImage(StatusImage image);

class ChatItemStyle final : public QIdentityProxyModel {
  Q_OBJECT
 public:
  explicit ChatItemStyle(QAbstractItemModel* source, QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class ChatListCell final : public AAPLImageAndTextCell {
  Q_OBJECT
 public:
  using AAPLImageAndTextCell::AAPLImageAndTextCell;

  // High enough for the whole text in the cell's font (the text is inset from the row's edges).
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class TranscriptDelegate final : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  static QColor headColor(bool own);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The height the line needs when wrapped to the column's width.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace td::chat
