#pragma once
// Number formatters over ICU with the fixed locale en_US.
//   Plain    digits, "." before the fraction, no grouping, no fraction digits unless asked for
//   Decimal  grouping of thousands with ",", "." before the fraction, 0 to 3 fraction digits
//   SpellOut English words: 42 gives "forty-two", -7 "minus seven"
// Rounding to the last fraction digit is half-even. A NumberFormat is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace td {

class NumberFormat {
 public:
  enum class Style { Plain, Decimal, SpellOut };

  explicit NumberFormat(Style style);
  ~NumberFormat();
  NumberFormat(NumberFormat&&) noexcept;
  NumberFormat& operator=(NumberFormat&&) noexcept;

  Style style() const;
  // The maximum is raised to the minimum when it lies below it.
  void setMinimumFractionDigits(int digits);
  void setMaximumFractionDigits(int digits);

  // Reads the whole text as a number in this style; nothing when any of it does not read.
  std::optional<double> parse(std::string_view text);
  std::string format(double value);
  std::string format(std::int64_t value);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace td
