#pragma once
// What the chat and notice lists show beyond their texts, as item roles their views draw (the
// status dots of contacts and queues, the bold of unread notices, the coloured head of a
// transcript line), and the text of a transcript line.

#include <QAbstractTableModel>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "chat/ChatRecords.h"

namespace td::chat {

// The status dot drawn before a contact or a queue.
enum class StatusImage {
  NoImage = 0,               // group rows
  StatusAvailable,           // online contact, available queue
  StatusPartiallyAvailable,  // queue waiting for acceptance
  StatusNone,                // offline contact, queue not available
};

enum ItemRole : int {
  StatusImageRole = Qt::UserRole + 1,  // int of StatusImage
  GroupRowRole,                        // bool: drawn as a group row
  UnreadRole,                          // bool: drawn in bold
  HeadLengthRole,                      // int: UTF-16 units of the coloured head of a transcript line
  OwnLineRole,                         // bool: the logged-in user's line (dark red head, else dark green)
};

inline constexpr std::string_view TRANSCRIPT_TIME_FORMAT = "dd/MM/yyyy hh:mm:ss a";

// A wire time ("yyyyMMddHHmmss") in the pattern; "" for an empty, all-zero or unreadable time.
std::string displayTime(std::string_view wireTime, std::string_view pattern);

// A text of the server for a list cell: without the line break that ends a chat line.
std::string displayText(std::string_view text);

// A table of the chat family: its columns named by their identifiers (the header titles), its
// rows counted by the subclass.
class ChatTable : public QAbstractTableModel {
 public:
  explicit ChatTable(std::vector<const char*> columns) : columns_(std::move(columns)) {}

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows(); }
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 protected:
  virtual int rows() const = 0;
  // The row of an index of this table, or -1.
  int rowOf(const QModelIndex& index) const;

 private:
  std::vector<const char*> columns_;
};

// One transcript row: "%@[%@]:\t%@" with the sender's display name (the user name when the line
// carries none), the time in TRANSCRIPT_TIME_FORMAT and the message; the head is everything before
// the first tab. The message ends without its closing line break.
struct TranscriptLine {
  std::string text;
  std::size_t headBytes = 0;
  bool own = false;
};
TranscriptLine transcriptLine(const ChatMessageEntry& entry, std::string_view ownUserName);

}  // namespace td::chat
