#include "ui/watchlist/TablePrintout.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>

namespace td::printout {

std::unique_ptr<QTextDocument> tableDocument(const Grid& grid) {
  auto document = std::make_unique<QTextDocument>();
  std::size_t columns = 0;
  for (const auto& row : grid) columns = std::max(columns, row.size());
  if (grid.empty() || columns == 0) return document;
  QTextCursor cursor(document.get());
  QTextTableFormat tableFormat;
  const QColor borderColour(85, 85, 85);
  tableFormat.setBorderCollapse(true);
  tableFormat.setBorder(0.5);
  tableFormat.setBorderBrush(borderColour);
  tableFormat.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
  tableFormat.setCellSpacing(0);
  tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
  QTextTable* table = cursor.insertTable(static_cast<int>(grid.size()), static_cast<int>(columns), tableFormat);
  QTextCharFormat rowText;
  rowText.setFontPointSize(8);
  QTextCharFormat headerText;
  headerText.setFontPointSize(9);
  headerText.setFontWeight(QFont::Bold);
  for (std::size_t r = 0; r < grid.size(); ++r) {
    for (std::size_t c = 0; c < grid[r].size(); ++c) {
      QTextTableCell cell = table->cellAt(static_cast<int>(r), static_cast<int>(c));
      QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
      cellFormat.setBackground(r == 0 ? QColor(170, 170, 170) : QColor(Qt::white));
      cellFormat.setBorder(0.5);
      cellFormat.setBorderBrush(borderColour);
      cellFormat.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
      cellFormat.setLeftPadding(2);
      cellFormat.setRightPadding(2);
      cell.setFormat(cellFormat);
      // The empty cells too keep the row's text size.
      QTextCursor text = cell.firstCursorPosition();
      text.setBlockCharFormat(r == 0 ? headerText : rowText);
      text.insertText(grid[r][c], r == 0 ? headerText : rowText);
    }
  }
  return document;
}

void print(QTextDocument& document, QPrinter& printer, const QString& jobTitle) {
  printer.setDocName(jobTitle);
  QPainter painter(&printer);
  if (!painter.isActive()) return;
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  QFont small = painter.font();
  small.setPointSizeF(8);
  painter.setFont(small);
  const qreal line = painter.fontMetrics().height();
  const QRectF header(0, 0, page.width(), line * 2);
  const QRectF footer(0, page.height() - line * 1.5, page.width(), line * 1.5);
  const QRectF body(0, header.bottom(), page.width(), footer.top() - header.bottom());

  document.documentLayout()->setPaintDevice(&printer);
  document.setPageSize(body.size());
  const int pages = std::max(1, document.pageCount());
  for (int p = 0; p < pages; ++p) {
    if (p > 0) printer.newPage();
    painter.drawText(header, Qt::AlignLeft | Qt::AlignTop, jobTitle);
    painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, QString::number(p + 1));
    painter.save();
    painter.translate(body.left(), body.top() - p * body.height());
    document.drawContents(&painter, QRectF(0, p * body.height(), body.width(), body.height()));
    painter.restore();
  }
}

}  // namespace td::printout
