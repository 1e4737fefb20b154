#include "ui/charts/ChartBars.h"

#include <charconv>
#include <chrono>

#include "platform/DateFormat.h"
#include "wire/MessageChecker.h"

namespace td::charts {

void BarSeries::ensureSize(std::size_t count) {
  count = std::min(count, capacity_);
  if (count <= size_) return;
  // Until the series first wraps, slot i is bar i and the vector grows at its end.
  if (slots_.size() < count) slots_.resize(count);
  size_ = count;
}

std::size_t BarSeries::slotAfter(std::size_t index) {
  if (index + 1 < capacity_) {
    ensureSize(index + 2);
    return index + 1;
  }
  // Full: the oldest bar's slot becomes the newest.
  ensureSize(capacity_);
  const std::size_t oldest = head_;
  head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
  slots_[oldest] = Bar{};
  return capacity_ - 1;
}

void BarSeries::forgetLabels() {
  for (Bar& bar : slots_) bar.labelState = Bar::Label::Unknown;
}

const ChartInterval* chartInterval(std::int64_t index) {
  if (index < 0 || index >= static_cast<std::int64_t>(kChartIntervals.size())) return nullptr;
  return &kChartIntervals[static_cast<std::size_t>(index)];
}

namespace {

std::optional<WallTime> wallTime(std::string_view pattern, std::string_view text) {
  // UTC on both sides: the text's wall time is taken as it stands, never moved by a zone's rules.
  const auto date = DateFormat::cached(pattern, DateFormat::Zone::Utc)->parse(text);
  if (!date) return std::nullopt;
  return std::chrono::duration_cast<std::chrono::seconds>(date->time_since_epoch()).count();
}

}  // namespace

std::optional<WallTime> updateWallTime(std::string_view text) { return wallTime("MM/dd/yyyy HH:mm:ss", text); }

std::optional<WallTime> barWallTime(const Bar& bar) {
  std::string text(bar.date.view());
  text.append(" ").append(bar.time.view());
  return wallTime("MM/dd/yy HH:mm:ss", text);
}

void stampBar(Bar& bar, WallTime at) {
  const Date date{std::chrono::seconds(at)};
  bar.setDate(DateFormat::cached("MM/dd/yy", DateFormat::Zone::Utc)->format(date));
  bar.setTime(DateFormat::cached("HH:mm:ss", DateFormat::Zone::Utc)->format(date));
}

BarGrid BarGrid::calendar(std::int64_t length) {
  constexpr std::int64_t kDay = 86400;
  // Day 0 of the count, 1 January 1970, was a Thursday; the Monday after is day 4.
  return {std::max<std::int64_t>(1, length), length % (7 * kDay) == 0 ? 4 * kDay : 0};
}

WallTime BarGrid::startOf(WallTime at) const {
  const std::int64_t step = std::max<std::int64_t>(1, length);
  std::int64_t into = (at - anchor) % step;
  if (into < 0) into += step;
  return at - into;
}

double leadingNumber(std::string_view token) {
  std::size_t at = 0;
  while (at < token.size() && (token[at] == ' ' || token[at] == '\t')) ++at;
  bool negative = false;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) negative = token[at++] == '-';
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) return 0;  // "--1" is no number
  double value = 0;
  const auto [end, error] = std::from_chars(token.data() + at, token.data() + token.size(), value);
  if (error != std::errc() || end == token.data() + at) return 0;
  return negative ? -value : value;
}

namespace {

// Calls fn(token) for every non-empty token of the section, in order.
template <typename Fn>
void forEachToken(std::string_view section, Fn&& fn) {
  std::size_t from = 0;
  while (from < section.size()) {
    std::size_t comma = section.find(',', from);
    if (comma == std::string_view::npos) comma = section.size();
    if (comma > from) fn(section.substr(from, comma - from));
    from = comma + 1;
  }
}

std::size_t countTokens(std::string_view section) {
  std::size_t n = 0;
  forEachToken(section, [&](std::string_view) { ++n; });
  return n;
}

}  // namespace

std::size_t parseChartReply(std::string_view reply, BarSeries& bars) {
  const std::string text = MessageChecker::removeTags(reply);
  const std::string_view body(text);

  // Sections by "#"; runs of "#" are one separator and empty sections do not count.
  std::array<std::string_view, 6> sections{};
  std::size_t found = 0;
  for (std::size_t from = 0; from < body.size() && found < sections.size();) {
    std::size_t hash = body.find('#', from);
    if (hash == std::string_view::npos) hash = body.size();
    if (hash > from) {
      std::string_view section = body.substr(from, hash - from);
      if (found >= 2) section = section.substr(0, section.find("<END>"));
      sections[found++] = section;
    }
    from = hash + 1;
  }

  std::array<std::size_t, 6> counts{};
  std::size_t longest = 0;
  for (std::size_t k = 0; k < found; ++k) longest = std::max(longest, counts[k] = countTokens(sections[k]));
  // More bars than fit: the oldest tokens of every section are left out, so bars stay aligned.
  const std::size_t skip = longest > bars.capacity() ? longest - bars.capacity() : 0;
  bars.ensureSize(longest - skip);

  for (std::size_t k = 0; k < found; ++k) {
    std::size_t i = 0;
    std::size_t index = 0;
    forEachToken(sections[k], [&](std::string_view token) {
      if (i++ < skip) return;
      Bar& bar = bars[index++];
      switch (k) {
        case 0: bar.setDate(token); break;
        case 1: bar.setTime(token); break;
        case 2:
          bar.closeText.assign(token);
          bar.close = leadingNumber(bar.closeText.view());
          break;
        case 3: bar.high = leadingNumber(token); break;
        case 4: bar.low = leadingNumber(token); break;
        default: bar.open = leadingNumber(token); break;
      }
    });
  }
  return found > 2 && counts[2] > skip ? counts[2] - skip : 0;
}

}  // namespace td::charts
