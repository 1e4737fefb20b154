#include "model/FieldList.h"

#include <charconv>

#include "model/Conversions.h"

namespace td {

void MessageField::readUnusual() {
  const std::string_view field = text();
  const std::size_t eq = field.find('=');
  if (eq == std::string_view::npos) return;
  tag_ = conv::toInt(field.substr(0, eq));
  char key[16];
  char* keyEnd = std::to_chars(key, key + sizeof key - 1, tag_).ptr;
  *keyEnd++ = '=';
  const std::size_t at = field.find(std::string_view(key, static_cast<std::size_t>(keyEnd - key)));
  if (at != std::string_view::npos) valueAt_ = static_cast<std::uint32_t>(at + static_cast<std::size_t>(keyEnd - key));
}

}  // namespace td
