// Table printing: the grid of a table view, the renderer's cell rules, and print-outs read back as
// PDF text (pdftotext) and as pixels.

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include "PdfText.h"
#include "QtTestApp.h"
#include "ui/printing/MSTablePrint.h"
#include "ui/printing/PrintTextView.h"
#include "ui/printing/TableGrid.h"

namespace td {
namespace {

TableGrid grid(std::initializer_list<std::vector<QString>> rows) { return TableGrid(rows); }

// A model whose third column prints more than it shows.
class PrintModel final : public QStandardItemModel {
 public:
  PrintModel() : QStandardItemModel(2, 3) {
    setHorizontalHeaderLabels({"Id", "Symbol", "Time"});
    for (int r = 0; r < 2; ++r) {
      setItem(r, 0, new QStandardItem(QString::number(r + 1)));
      setItem(r, 1, new QStandardItem(r == 0 ? "EURUSD" : "DAX"));
      setItem(r, 2, new QStandardItem("09:06:26"));
    }
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == PrintTextRole) return index.column() == 2 ? QVariant("12/02/2026 09:06:26") : QVariant();
    return QStandardItemModel::data(index, role);
  }
};

TEST(TablePrinting, TheGridHoldsTheVisibleColumnsInScreenOrderAndTheRowsTheCallerCounts) {
  test::qtTestApp();
  PrintModel model;
  QTableView view;
  view.setModel(&model);
  view.horizontalHeader()->moveSection(2, 0);  // Time first on screen
  view.setColumnHidden(1, true);
  const TableGrid three = ConsolidatedTableData::getConsolidatedDataFromTableView(view, 3);
  ASSERT_EQ(three.size(), 4u);
  EXPECT_EQ(three[0], (std::vector<QString>{"Time", "Id"}));
  EXPECT_EQ(three[1], (std::vector<QString>{"12/02/2026 09:06:26", "1"}));  // the print text where there is one
  EXPECT_EQ(three[2], (std::vector<QString>{"12/02/2026 09:06:26", "2"}));
  EXPECT_EQ(three[3], (std::vector<QString>{"", ""}));  // beyond the model
  const TableGrid none = ConsolidatedTableData::getConsolidatedDataFromTableView(view, 0);
  EXPECT_EQ(none, (TableGrid{{"Time", "Id"}}));
}

TEST(TablePrinting, CellsTakeTheirColoursAndTypeByTheRowAndColumnRules) {
  test::qtTestApp();
  MSTablePrint renderer;
  const QColor grey(170, 170, 170), white(255, 255, 255);
  EXPECT_EQ(renderer.backgroundOf(0, 1), grey);
  EXPECT_EQ(renderer.backgroundOf(1, 0), white);
  EXPECT_EQ(renderer.backgroundOf(2, 2), white);
  EXPECT_TRUE(renderer.textStyleOf(0, 1).font.bold());
  EXPECT_EQ(renderer.textStyleOf(0, 1).font.pointSizeF(), 9);
  EXPECT_FALSE(renderer.textStyleOf(2, 0).font.bold());
  EXPECT_EQ(renderer.textStyleOf(2, 0).font.pointSizeF(), 8);

  renderer.alternateRowColor = Qt::yellow;
  renderer.headerColumn = true;
  EXPECT_EQ(renderer.backgroundOf(2, 1), QColor(Qt::yellow));  // even rows alternate under a header row
  EXPECT_EQ(renderer.backgroundOf(1, 1), white);
  EXPECT_EQ(renderer.backgroundOf(1, 0), grey);                // the header column wins
  EXPECT_TRUE(renderer.textStyleOf(1, 0).font.bold());
  renderer.headerRow = false;
  EXPECT_EQ(renderer.backgroundOf(1, 1), QColor(Qt::yellow));  // without one the odd rows do
  EXPECT_EQ(renderer.backgroundOf(0, 1), white);
  renderer.alternateRows = false;
  EXPECT_EQ(renderer.backgroundOf(1, 1), white);
}

TEST(TablePrinting, ThreeRowsDrawAGreyHeaderOverWhiteRowsWithinBorders) {
  test::qtTestApp();
  QImage image(600, 200, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QTextDocument document;
  document.setDocumentMargin(0);
  document.documentLayout()->setPaintDevice(&image);
  document.setPageSize(QSizeF(600, 200));
  QTextCursor cursor(&document);
  MSTablePrint().attributedStringFromItems(cursor, grid({{"A", "B", "C"}, {"1", "2", "3"}, {"4", "5", "6"}}));
  EXPECT_EQ(document.toPlainText().count(QChar::ObjectReplacementCharacter), 2);  // the header rides with row 1
  QPainter painter(&image);
  document.documentLayout()->draw(&painter, {});
  painter.end();
  // Sample each row's second cell near its right end, clear of text and borders.
  const QTextBlock first = document.firstBlock().next();  // the header and row 1
  const QRectF top = document.documentLayout()->blockBoundingRect(first);
  const QRectF last = document.documentLayout()->blockBoundingRect(first.next());  // row 2
  ASSERT_GT(top.height(), 0);
  EXPECT_EQ(image.pixelColor(390, static_cast<int>(top.top() + top.height() / 4)), QColor(170, 170, 170));
  EXPECT_EQ(image.pixelColor(390, static_cast<int>(top.top() + top.height() * 3 / 4)), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(390, static_cast<int>(last.center().y())), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(390, static_cast<int>(last.bottom()) + 4), QColor(Qt::blue));  // nothing below
}

TEST(TablePrinting, APrintOutCarriesItsTitleAndPageNumbersAndBreaksLongTablesBetweenRows) {
  test::qtTestApp();
  QTemporaryDir dir;
  PrintTextView view(QStringLiteral("Deposit & Withdrawal"));
  view.setPrintTime(QDateTime(QDate(2026, 3, 10), QTime(15, 30)));
  TableGrid rows{{"Row", "Text"}};
  for (int r = 1; r <= 150; ++r) rows.push_back({QString::number(r), QStringLiteral("line %1").arg(r)});
  QTextCursor cursor(&view.document());
  MSTablePrint().attributedStringFromItems(cursor, rows);
  const QString path = dir.filePath("long.pdf");
  ASSERT_FALSE(view.printToPdf(path));
  ASSERT_GE(view.pageCount(), 2);
  const QString text = test::pdfText(path, false);
  EXPECT_EQ(text.count("Deposit & Withdrawal"), view.pageCount());
  EXPECT_EQ(text.count("03/10/2026 15:30"), view.pageCount());
  for (int page = 1; page <= view.pageCount(); ++page)
    EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %2").arg(page).arg(view.pageCount())));
  for (const char* cellText : {"line 1\n", "line 77\n", "line 150\n"})
    EXPECT_TRUE(text.contains(QRegularExpression(cellText))) << cellText;

  // Empty paragraphs after the last row add no blank pages.
  const int pages = view.pageCount();
  cursor.movePosition(QTextCursor::End);
  for (int i = 0; i < 200; ++i) cursor.insertBlock();
  ASSERT_FALSE(view.printToPdf(path));
  EXPECT_EQ(view.pageCount(), pages);

  // A file that cannot be written is reported, not printed.
  const auto error = view.printToPdf(dir.filePath("no/such/folder/out.pdf"));
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->contains("no/such/folder/out.pdf")) << error->toStdString();
}

TEST(TablePrinting, WideTablesKeepTheirWordsWhole) {
  test::qtTestApp();
  QTemporaryDir dir;
  PrintTextView view(QStringLiteral("Job"));
  QTextCursor cursor(&view.document());
  MSTablePrint().attributedStringFromItems(
      cursor, grid({{"Position Id", "Symbol", "Quantity", "Type", "Open Price", "Current Price", "Profit", "Confirmed Time",
                     "Commission", "Storage", "Validity", "Value Date", "Expiry Date"},
                    {"5001", "XAUUSD", "3", "B", "2028.20", "2034.75", "1965.00", "12/03/2026 09:02:13", "7.50", "0.00",
                     "Regular", "12/03/2026", "12/03/2027"},
                    {"5002", "BTCUSD", "3", "S", "43381.00", "43252.00", "387.00", "12/03/2026 08:15:25", "7.50",
                     "0.00", "Regular", "12/03/2026", "12/03/2027"}}));
  const QString path = dir.filePath("wide.pdf");
  ASSERT_FALSE(view.printToPdf(path));
  const QString text = test::pdfText(path);
  for (const char* word : {"Type", "Symbol", "Validity", "43381.00", "43252.00", "Regular", "Commission"})
    EXPECT_TRUE(text.contains(QLatin1String(word))) << word << "\n" << text.toStdString();
}

}  // namespace
}  // namespace td
