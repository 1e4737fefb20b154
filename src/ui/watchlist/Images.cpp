#include "ui/watchlist/Images.h"

#include <filesystem>
#include <map>

#include "platform/Resources.h"

namespace td::images {

std::string itemTypeImage(const std::string& typeName) {
  const std::string name = typeName + ".png";
  std::error_code ec;
  if (!typeName.empty() && typeName.find('/') == std::string::npos &&
      std::filesystem::is_regular_file(Resources::directory() / "images" / name, ec)) {
    return name;
  }
  return "Others.png";
}

const QIcon& named(const std::string& file) {
  static std::map<std::string, QIcon> icons;
  auto it = icons.find(file);
  if (it == icons.end()) {
    const std::filesystem::path path = Resources::directory() / "images" / file;
    it = icons.emplace(file, QIcon(QString::fromStdString(path.string()))).first;
  }
  return it->second;
}

}  // namespace td::images
