#include "ui/watchlist/QuoteFormat.h"

#include "platform/Decimal.h"
#include "wire/Formatter.h"

namespace td::quote {

QString price(double value, std::int32_t decimals) {
  return QString::fromStdString(Formatter::formatDecimal(value, decimals));
}

std::string plainDecimal(double value) { return Decimal::parse(Formatter::formatDecimal(value, 6)).toString(); }

std::string plainDecimalText(std::string_view text) {
  const Decimal number = Decimal::parse(text);
  return number.isNaN() ? std::string(text) : number.toString();
}

QString spreadInTicks(double ask, double bid, double tickSize) {
  if (tickSize == 0) return QStringLiteral("0");
  return QString::fromStdString(plainDecimal((ask - bid) / tickSize));
}

QColor tickColor(Tick tick) {
  switch (tick) {
    case Tick::Up: return QColor::fromRgbF(0, 0.6f, 0);
    case Tick::Down: return QColor::fromRgbF(0.6f, 0, 0);
    case Tick::Same: break;
  }
  return {};
}

bool TickedPrice::show(double value) {
  if (value == shown_) return false;
  const Tick before = tick_;
  tick_ = value > shown_ ? Tick::Up : Tick::Down;
  shown_ = value;
  moved_ = true;
  return tick_ != before;
}

bool TickedPrice::settle() {
  if (moved_) {
    moved_ = false;
    return false;
  }
  if (tick_ == Tick::Same) return false;
  tick_ = Tick::Same;
  return true;
}

const QString& QuoteTime::of(const std::string& updateTime) {
  if (!known_ || updateTime != raw_) {
    raw_ = updateTime;
    known_ = true;
    text_ = QString::fromStdString(
        Formatter::formatDateandTimeFromString(updateTime, DISPLAY_DATE_TIME_FORMAT, DISPLAY_TIME_FORMAT).value_or(""));
  }
  return text_;
}

}  // namespace td::quote
