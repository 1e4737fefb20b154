#include "ui/reporting/SearchCriteria.h"

#include <algorithm>
#include <ctime>

#include "ui/reporting/ReportingSource.h"
#include "wire/Formatter.h"

namespace td {

void AccountChoice::load(const ReportingSource& source) {
  items_.clear();
  for (const auto& account : source.accounts())
    if (account) items_.push_back(std::to_string(account->AccountId));
  selected_ = items_.empty() ? -1 : 0;
}

void AccountChoice::select(int index) { selected_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1; }

std::string AccountChoice::text() const {
  return selected_ >= 0 ? items_[static_cast<std::size_t>(selected_)] : std::string();
}

SearchPeriod::SearchPeriod(std::function<Date()> now) : now_(std::move(now)) { setDateValues(); }

Date SearchPeriod::atTimeOfDay(Date day, int hour, int minute, int second) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(day);
  std::tm local{};
  localtime_r(&seconds, &local);
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

void SearchPeriod::setDateValues() {
  const Date today = now();
  // Not held: the limits of the moment before are stale by now; limitToDaysBack holds them.
  from_ = atTimeOfDay(today, 0, 0, 0);
  to_ = atTimeOfDay(today, 12, 0, 0);
}

void SearchPeriod::limitToDaysBack(std::int64_t days) {
  const Date current = now();
  minimum_ = Formatter::getDate(current, -days);
  maximum_ = current;
  from_ = held(from_);
  to_ = held(to_);
}

Date SearchPeriod::held(Date date) const {
  if (minimum_ && date < *minimum_) date = *minimum_;
  if (maximum_ && date > *maximum_) date = *maximum_;
  return date;
}

}  // namespace td
