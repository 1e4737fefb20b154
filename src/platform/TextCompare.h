#pragma once
// Comparing texts as the user reads them: the collation of the en_US locale (letters before their
// accented forms, case a lesser difference), for lists that the windows sort by a name or a key.

#include <string_view>

namespace td {

// Negative, zero or positive as `a` sorts before, with or after `b` (UTF-8 texts). Falls back to
// a plain byte comparison when the collation cannot be had.
int localizedCompare(std::string_view a, std::string_view b);

}  // namespace td
