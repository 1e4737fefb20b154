#pragma once
// The texts and colours the quote boards share: prices with an item's decimals, the spread in
// ticks, the quote time, plain decimal numbers, and tick colouring.
//
// Tick colouring: a price that rose since the board last showed it is drawn green (RGB 0, 0.6, 0),
// one that fell red (RGB 0.6, 0, 0); the colour stays until the board's next once-a-second refresh
// finds the price unchanged. Each board keeps the prices it showed itself, so one board never takes
// the colour of a change from another (the position lists keep theirs on the item record).

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace td {

struct ItemDetails;

namespace quote {

// `formatDecimal::`: the value with `decimals` fraction digits (0 or fewer give 2).
QString price(double value, std::int32_t decimals);
// (ask - bid) / tick written with six decimals and shown as a plain decimal number ("2", "2.5",
// "-2"); "0" when the tick size is 0.
QString spreadInTicks(double ask, double bid, double tickSize);
// A value written with six decimals ("%f") and shown as a plain decimal number: 5.000000 gives "5",
// 2.500000 "2.5".
std::string plainDecimal(double value);
// The text read as a decimal number and written plainly ("2.50" gives "2.5"); the text itself when
// it is not a number.
std::string plainDecimalText(std::string_view text);

enum class Tick : std::uint8_t { Same, Up, Down };
QColor tickColor(Tick tick);  // invalid (the view's own text colour) for Same

// One price as a board shows it: the value it showed last, the colour of the last change, and
// whether the price moved since the last once-a-second refresh.
class TickedPrice {
 public:
  // Takes the price; true when the colour changed.
  bool show(double value);
  // The once-a-second refresh: a price that did not move since the last one loses its colour.
  // True when the colour changed.
  bool settle();
  Tick tick() const { return tick_; }
  double shown() const { return shown_; }

 private:
  double shown_ = 0;  // the first price shown compares with 0
  Tick tick_ = Tick::Same;
  bool moved_ = false;
};

// The quote time "HH:mm:ss" of an update time "MM/dd/yyyy HH:mm:ss" ("" when it does not read);
// converts only when the update time changed since the last call.
class QuoteTime {
 public:
  const QString& of(const std::string& updateTime);

 private:
  std::string raw_;
  QString text_;
  bool known_ = false;
};

}  // namespace quote
}  // namespace td
