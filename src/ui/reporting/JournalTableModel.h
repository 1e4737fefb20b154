#pragma once
// The journal table of the main window: the session's journal lines, newest first, in two columns
// ("Time" and "Message").
//
// The lines stay where the session keeps them, in the order they were appended; row r of n lines is
// line n - 1 - r, so nothing is copied or reversed, however long the journal grows. The table
// follows the list on "JournalTableNotification" (lines appended since then come in at the top) and
// starts over with the new session's list after a new login ("LoginSuccessNotification").
//
// A line is the time and the message joined by "#$#"; the message is everything after the first
// "#$#" (a message may hold the separator itself), and a line without one shows all of it as the
// time and no message. Main thread only.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/NotificationCenter.h"
#include "ui/reporting/IdentifiedTableModel.h"

namespace td {

class ReportingSource;

class JournalTableModel final : public IdentifiedTableModel {
  Q_OBJECT
 public:
  explicit JournalTableModel(ReportingSource& source, QObject* parent = nullptr);
  ~JournalTableModel() override;

  // `journalTableUpdate:`: catches up with the session's list.
  void journalTableUpdate();

  // The time and the message of a line.
  static std::pair<std::string_view, std::string_view> splitLine(std::string_view line);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  ReportingSource& source_;
  std::weak_ptr<const std::vector<std::string>> lines_;  // the list shown; the session is not kept
  int count_ = 0;                                         // lines shown
  ObserverToken journalToken_ = 0;
  ObserverToken loginToken_ = 0;
};

}  // namespace td
