#pragma once
// The font of the lists' data cells: Lucida Grande at 12 points, bold 13 where a cell stands out.
//
// The sizes are the desktop's points, which are the logical pixels that every other measure of the
// windows is given in (the 17-point watchlist rows, the 330 to 900-point split, the 380-point banner).
// Qt's own point is a 72nd of an inch, 4/3 of a logical pixel on a 96-dpi screen: 12 of those would not
// fit the lists' rows and would set one list larger than the others. So the size is set in Qt's
// device-independent pixels, and every list takes it from here.

#include <QFont>

namespace td {

QFont listCellFont();
// Bold, one point larger: a cell that must catch the eye (an account on Equity Hit).
QFont listCellEmphasisFont();

}  // namespace td
