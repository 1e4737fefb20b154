#pragma once
// The images of the watchlist family, from the application's images folder: the icon of each
// instrument type ("<type name>.png", "Others.png" for a type without one) and the watchlist marks
// of the symbol manager. Icons are loaded once per run. Main thread only.

#include <QIcon>
#include <string>

namespace td::images {

// "<type name>.png" when the images folder holds one, else "Others.png".
std::string itemTypeImage(const std::string& typeName);
// The icon of an image file of the images folder (a null icon when the file is missing).
const QIcon& named(const std::string& file);

inline constexpr const char* kMarked = "StatusAvailable.png";
inline constexpr const char* kUnmarked = "StatusNone.png";

}  // namespace td::images
