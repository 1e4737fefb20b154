#include "ui/controls/ListFonts.h"

namespace td {

namespace {

QFont lucidaGrande(int points, bool bold) {
  QFont font(QStringLiteral("Lucida Grande"));
  font.setPixelSize(points);
  font.setBold(bold);
  return font;
}

}  // namespace

QFont listCellFont() { return lucidaGrande(12, false); }

QFont listCellEmphasisFont() { return lucidaGrande(13, true); }

}  // namespace td
