#pragma once
// Captions of the windows: the text of a 4-digit key in the language the user chose (the key
// itself when the table lacks it).

#include <QString>
#include <string_view>

namespace td {

QString caption(std::string_view key);

}  // namespace td
