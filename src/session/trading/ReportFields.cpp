#include "session/trading/ReportFields.h"

#include "model/Conversions.h"
#include "wire/Formatter.h"

namespace td {

namespace wirecode {

std::int32_t orderType(std::string_view text) {
  switch (conv::toInt(text)) {
    case 29: return 1;
    case 30: return 2;
    case 31: return 3;
    default: return 0;
  }
}

std::int32_t tradingMode(std::string_view text, std::int32_t current) {
  switch (conv::toInt(text)) {
    case 45: return 0;
    case 46: return 1;
    default: return current;
  }
}

std::int32_t timeInForce(std::string_view text) {
  switch (conv::toInt(text)) {
    case 47: return 1;
    case 48: return 2;
    case 54: return 5;
    default: return 0;
  }
}

std::int32_t deliveryMode(std::string_view text) {
  switch (conv::toInt(text)) {
    case 51: return 1;
    case 52: return 2;
    case 53: return 3;
    default: return 0;
  }
}

}  // namespace wirecode

std::string displayDateTime(std::string_view wireTime) {
  return Formatter::formatDateandTimeFromString(wireTime, AMP_DATE_FORMAT, DISPLAY_DATE_TIME_FORMAT)
      .value_or(std::string());
}

std::string displayDate(std::string_view wireTime) {
  return Formatter::formatDateandTimeFromString(wireTime, AMP_DATE_FORMAT, DISPLAY_DATE_FORMAT)
      .value_or(std::string());
}

}  // namespace td
