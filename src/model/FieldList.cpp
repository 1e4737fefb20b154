#include "model/FieldList.h"

#include <string>

#include "model/Conversions.h"

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

}  // namespace td
