#pragma once
// The lines of one room, one row each in the single column "Message": the text of the chat
// window's conversation pane and of the transcript window. Reading takes a copy of the room's
// lines as they stand; the owner reloads when the room changes.

#include <string>
#include <vector>

#include "ui/chat/ChatItems.h"

namespace td::chat {

class TranscriptModel final : public ChatTable {
  Q_OBJECT
 public:
  static constexpr const char* kMessageColumn = "Message";

  TranscriptModel() : ChatTable({kMessageColumn}) {}

  // The lines of the room stored under the key in the session of the moment (none for "" or a key
  // under which no room stands); a line is the user's own when its sender is the logged-in user.
  void reload(const std::string& roomKey);
  void clear();

  const std::vector<TranscriptLine>& lines() const { return lines_; }

  // Display: the line's text; HeadLengthRole, OwnLineRole: how its head is coloured.
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  int rows() const override { return static_cast<int>(lines_.size()); }

  std::vector<TranscriptLine> lines_;
};

}  // namespace td::chat
