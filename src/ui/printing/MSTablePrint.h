#pragma once
// The table renderer of the print-outs: puts a grid (TableGrid) into a text document as a table of
// bordered cells, a header row in bold on light grey over white rows.
//
// Each row of the table is one paragraph of the document holding one object that the renderer
// draws, so the document flows, pages and breaks the table between rows like any text (the header
// row shares its paragraph with the first row, so no page ends with a lone header); the rows of one
// table share their column widths. (The document's own text tables lay a cell out in some 100
// microseconds, which makes a statement of a few thousand rows take many seconds to print; a row
// object costs a fraction of that.)
//
// Column widths: `Automatic` gives each column its widest text and shares what the page has left
// in proportion (a table narrower than the page fills its width; a wider one shrinks its long
// columns first and wraps their texts at word boundaries); `Fixed` gives every column the same width.
// Cells: a border of 0.1 point in dark grey, 2 points of padding left and right, the text in the
// middle of the row's height.
//
// A renderer keeps its settings; each table takes a copy of them when it is added, so changing a
// renderer later changes no table already in a document. Main thread only (Qt's text classes).

#include <QColor>
#include <QFont>
#include <Qt>

#include "ui/printing/TableGrid.h"

class QTextCursor;

namespace td {

class MSTablePrint {
 public:
  struct TextStyle {
    QFont font;
    QColor color{Qt::black};
  };
  enum class Layout { Automatic = 0, Fixed = 1 };

  // Automatic layout, left alignment, a header row and no header column, alternate row colours on
  // (both white), light grey (170, 170, 170) header; rows in the system font at 8 points, the header
  // in the bold system font at 9 points.
  MSTablePrint();

  // Appends to the text at the cursor: a line break, the table, a line break. The table has as many
  // columns as row 0 has cells; a shorter row leaves its last cells empty, a longer one loses the
  // cells beyond. An empty grid appends the two line breaks alone.
  void attributedStringFromItems(QTextCursor& cursor, const TableGrid& grid) const;

  // The background and the text style of cell (row, column) by the rules of the settings below: the
  // row colour; the alternate row colour on even rows with a header row, or on odd rows without one
  // (when `alternateRows`); the header colour on row 0 (with `headerRow`) and on column 0 (with
  // `headerColumn`). The last rule that applies wins; the text styles follow the same rules, the
  // alternate one governed by `alternateTextRows`.
  QColor backgroundOf(int row, int column) const;
  const TextStyle& textStyleOf(int row, int column) const;

  Layout layout() const { return layout_; }
  void setLayout(Layout layout) { layout_ = layout; }

  Qt::Alignment alignment = Qt::AlignLeft;
  bool headerRow = true;
  bool headerColumn = false;
  bool alternateRows = true;
  bool alternateTextRows = false;
  QColor rowColor{255, 255, 255};
  QColor alternateRowColor{255, 255, 255};
  QColor headerColor{170, 170, 170};
  TextStyle rowTextStyle;
  TextStyle alternateRowTextStyle;
  TextStyle headerTextStyle;

  // The cell geometry, in points.
  static constexpr double kBorderWidth = 0.1;
  static constexpr double kPadding = 2;
  static inline const QColor kBorderColor{85, 85, 85};

 private:
  bool alternates(int row, bool enabled) const;
  Layout layout_ = Layout::Automatic;
};

}  // namespace td
