#pragma once
// What a search window (statement, deposits and withdrawals) searches: one of the session's
// accounts, and a period of two dates that start as today at 00:00:00 and today at 12:00:00 (local
// time), optionally held between a first and a last selectable date.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DateFormat.h"

namespace td {

class ReportingSource;

// The account: chosen from the session's accounts only, never typed.
class AccountChoice {
 public:
  // `loadAccountCombo`: the ids ("%d") of the session's accounts, in its order; the first is chosen
  // (none when there is none).
  void load(const ReportingSource& source);
  // The user's choice; an index out of range chooses none.
  void select(int index);

  const std::vector<std::string>& items() const { return items_; }
  int selected() const { return selected_; }
  // The chosen id; "" when none.
  std::string text() const;

 private:
  std::vector<std::string> items_;
  int selected_ = -1;
};

class SearchPeriod {
 public:
  // `now` gives the current time (empty: the system clock).
  explicit SearchPeriod(std::function<Date()> now = {});

  // `setDateValues`: today 00:00:00 to today 12:00:00, as they are (limitToDaysBack holds them).
  void setDateValues();
  // The limits: from `days` days before now up to now; both dates are held within them.
  void limitToDaysBack(std::int64_t days);

  // A date the user chose, held within the limits.
  void setFromDate(Date date) { from_ = held(date); }
  void setToDate(Date date) { to_ = held(date); }

  Date fromDate() const { return from_; }
  Date toDate() const { return to_; }
  const std::optional<Date>& minimumDate() const { return minimum_; }
  const std::optional<Date>& maximumDate() const { return maximum_; }
  Date now() const { return now_ ? now_() : std::chrono::system_clock::now(); }

  // The local calendar day of `day` at the given time of day.
  static Date atTimeOfDay(Date day, int hour, int minute, int second);

 private:
  Date held(Date date) const;

  std::function<Date()> now_;
  Date from_{};
  Date to_{};
  std::optional<Date> minimum_;
  std::optional<Date> maximum_;
};

}  // namespace td
