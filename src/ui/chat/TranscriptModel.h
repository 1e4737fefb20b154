#pragma once
// The lines of one room, one row each in the single column "Message": the text of the chat
// window's conversation pane and of the transcript window. Reading takes a copy of the room's
// lines as they stand; the owner reloads when the room changes.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "ui/chat/ChatItems.h"

namespace td::chat {

class TranscriptModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr const char* kMessageColumn = "Message";

  using QAbstractTableModel::QAbstractTableModel;

  // The lines of the room stored under the key in the session of the moment (none for "" or a key
  // under which no room stands); a line is the user's own when its sender is the logged-in user.
  void reload(const std::string& roomKey);
  void clear();

  const std::vector<TranscriptLine>& lines() const { return lines_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Display: the line's text; HeadLengthRole, OwnLineRole: how its head is coloured.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  std::vector<TranscriptLine> lines_;
};

}  // namespace td::chat
