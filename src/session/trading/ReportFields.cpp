#include "session/trading/ReportFields.h"

#include "model/Conversions.h"
#include "wire/Formatter.h"

namespace td {

ReportField readField(std::string_view field) {
  ReportField out;
  const std::size_t eq = field.find('=');
  if (eq == std::string_view::npos) return out;
  const std::string_view prefix = field.substr(0, eq);
  out.tag = conv::toInt(prefix);
  // The usual form: the tag written plainly, so its key starts the field.
  bool plain = !prefix.empty() && prefix.size() < 10 && prefix[0] != '0';
  for (const char c : prefix) plain = plain && c >= '0' && c <= '9';
  if (plain) {
    out.value = field.substr(eq + 1);
    return out;
  }
  const std::string key = std::to_string(out.tag) + "=";
  const std::size_t at = field.find(key);
  if (at != std::string_view::npos) out.value = field.substr(at + key.size());
  return out;
}

std::optional<std::string_view> lastValue(FieldList fields, int tag) {
  std::optional<std::string_view> found;
  for (const std::string_view text : fields) {
    const ReportField field = readField(text);
    if (field.tag == tag && field.value) found = field.value;
  }
  return found;
}

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
