#pragma once
// The bars of a chart and the chart-history reply that fills them.
//
// Reply text (tag 17 of type 1041): "<" header fields by "~" ">" (field 1 is the chart key), then
// six sections by "#" (dates "MM/dd/yy", times "HH:mm:ss", closes, highs, lows, opens), each a list
// of tokens by ","; token i of every section belongs to bar i, oldest first; "<END>" closes it.
//
// BarSeries holds at most 100,002 bars, index 0 the oldest. When it is full, a new bar drops the
// oldest and every index moves down by one; nothing is ever written past the end. A bar keeps its
// date, time and close as the reply or the feed wrote them (cut to 10, 8 and 9 characters), its
// four prices as numbers read once, and the axis label made from its date and time.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td::charts {

// A text of at most N characters kept in place.
template <std::size_t N>
class FixedText {
 public:
  void assign(std::string_view text) {
    size_ = static_cast<std::uint8_t>(std::min(text.size(), N));
    std::copy_n(text.data(), size_, data_.data());
  }
  std::string_view view() const { return {data_.data(), size_}; }
  bool empty() const { return size_ == 0; }
  bool operator==(std::string_view text) const { return view() == text; }

 private:
  std::array<char, N> data_{};
  std::uint8_t size_ = 0;
};

struct Bar {
  double open = 0, high = 0, low = 0, close = 0;
  FixedText<10> date;
  FixedText<8> time;
  FixedText<9> closeText;
  // The axis label of this bar, made on first use; forgotten when the date or time changes.
  enum class Label : std::uint8_t { Unknown, Made, Unreadable };
  Label labelState = Label::Unknown;
  FixedText<15> label;

  void setDate(std::string_view text) {
    date.assign(text);
    labelState = Label::Unknown;
  }
  void setTime(std::string_view text) {
    time.assign(text);
    labelState = Label::Unknown;
  }
};

class BarSeries {
 public:
  static constexpr std::size_t kCapacity = 100002;

  explicit BarSeries(std::size_t capacity = kCapacity) : capacity_(std::max<std::size_t>(1, capacity)) {}

  std::size_t capacity() const { return capacity_; }
  std::size_t size() const { return size_; }
  Bar& operator[](std::size_t index) { return slots_[physical(index)]; }
  const Bar& operator[](std::size_t index) const { return slots_[physical(index)]; }

  // Makes slots 0 to count - 1 exist (count at most the capacity); new slots are zero.
  void ensureSize(std::size_t count);
  // The slot after `index`: the next one when there is room, else the oldest bar is dropped and the
  // new slot is the last (index capacity - 1). Returns the new slot's index.
  std::size_t slotAfter(std::size_t index);
  // Forgets every cached axis label.
  void forgetLabels();

 private:
  std::size_t physical(std::size_t index) const {
    const std::size_t at = head_ + index;
    return at < capacity_ ? at : at - capacity_;
  }

  std::size_t capacity_;
  std::size_t head_ = 0;  // slot of bar 0 once the series has wrapped
  std::size_t size_ = 0;
  std::vector<Bar> slots_;
};

// The interval table: code sent and keyed, title, bar length in seconds.
struct ChartInterval {
  const char* code;
  const char* title;
  double barSeconds;
};
inline constexpr std::array<ChartInterval, 8> kChartIntervals{{{"T", "Tick", 1},
                                                               {"O", "One Minute", 60},
                                                               {"5", "Five Minutes", 300},
                                                               {"1", "Ten Minutes", 600},
                                                               {"3", "Thirty Minutes", 1800},
                                                               {"H", "Hourly", 3600},
                                                               {"D", "Daily", 86400},
                                                               {"W", "Weekly", 604800}}};
// The row of an interval index; none outside 0 to 7.
const ChartInterval* chartInterval(std::int64_t index);

// ---- when a bar stands ----
// The feed's update times and the history's bar times are both the server's wall clock. They are
// counted here in seconds of that clock read as if it ran in UTC, so that the bars of an interval
// keep to its grid (the full minute, the full hour, midnight), across a change of daylight-saving
// time too.
using WallTime = std::int64_t;

// An item's update time "MM/dd/yyyy HH:mm:ss"; none when it does not read.
std::optional<WallTime> updateWallTime(std::string_view text);
// A bar's date "MM/dd/yy" and time "HH:mm:ss", two-digit years read as the axis labels read them;
// none when they do not read.
std::optional<WallTime> barWallTime(const Bar& bar);
// Writes a bar's date and time.
void stampBar(Bar& bar, WallTime at);

// The intervals of one bar length, each starting at a moment of the grid through `anchor`.
struct BarGrid {
  std::int64_t length = 60;
  WallTime anchor = 0;
  // The calendar's grid: intervals up to a day from midnight, weeks from Monday.
  static BarGrid calendar(std::int64_t length);
  // The start of the interval that holds `at`.
  WallTime startOf(WallTime at) const;
};

// The leading decimal number of a token (blanks and a sign allowed before it); 0 when there is none.
double leadingNumber(std::string_view token);

// Parses a reply into the bars, from index 0 on, each section into its own field. A reply of more
// bars than the capacity keeps its newest bars. Returns the number of closes stored; 0 when the
// reply has none (the other fields are written all the same).
std::size_t parseChartReply(std::string_view reply, BarSeries& bars);

}  // namespace td::charts
