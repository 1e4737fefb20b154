#include "ui/printing/MSTablePrint.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextObjectInterface>
#include <algorithm>
#include <memory>
#include <numeric>

namespace td {
namespace {

constexpr int kRowObject = QTextFormat::UserObject + 0x5450;
constexpr int kTableProperty = QTextFormat::UserProperty + 0x5450;
constexpr int kRowProperty = kTableProperty + 1;       // the first row an object draws
constexpr int kRowCountProperty = kTableProperty + 2;  // how many rows it draws

QFont systemFont(double points, bool bold) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

double dotsPerInch(const QPaintDevice* device) {
  if (device) return device->logicalDpiY();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchY() : 96.0;
}

// Line breaks of a cell become line separators, which the text layout breaks at.
QString cellText(QString text) {
  text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  text.replace(QLatin1Char('\r'), QChar::LineSeparator);
  return text;
}

QTextOption wrapping(Qt::Alignment alignment) {
  QTextOption option(alignment & Qt::AlignHorizontal_Mask);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  return option;
}

// One table of a document: its grid, the renderer's settings when it was added, and its layout for
// the width and the device it was last measured for.
class PrintedTable {
 public:
  PrintedTable(const TableGrid& grid, const MSTablePrint& settings) : settings_(settings) {
    columns_ = grid.empty() ? 0 : static_cast<int>(grid.front().size());
    cells_.reserve(grid.size() * static_cast<std::size_t>(columns_));
    for (const auto& row : grid)
      for (int c = 0; c < columns_; ++c)
        cells_.push_back(c < static_cast<int>(row.size()) ? cellText(row[static_cast<std::size_t>(c)]) : QString());
    rows_ = columns_ == 0 ? 0 : static_cast<int>(cells_.size() / static_cast<std::size_t>(columns_));
  }

  int rows() const { return rows_; }

  // Column widths for the available width (0: every column its widest text) on the device. A table
  // whose words do not fit the width even one to a line is scaled down until they do, as a page is
  // fitted to the paper's width.
  void layoutFor(double available, const QPaintDevice* device) {
    const double dpi = dotsPerInch(device);
    if (available == available_ && dpi == dpi_ && !widths_.empty()) return;
    available_ = available;
    dpi_ = dpi;
    scaled_ = settings_;
    padding_ = MSTablePrint::kPadding;
    distribute(available, device);
    const double words = std::accumulate(minimum_.begin(), minimum_.end(), 0.0);
    if (available > 0 && words > available && settings_.layout() == MSTablePrint::Layout::Automatic) {
      const double scale = available / words * 0.98;
      for (MSTablePrint::TextStyle* style : {&scaled_.rowTextStyle, &scaled_.alternateRowTextStyle, &scaled_.headerTextStyle})
        style->font.setPointSizeF(style->font.pointSizeF() * scale);
      padding_ = MSTablePrint::kPadding * scale;
      distribute(available, device);
    }
    heights_.assign(static_cast<std::size_t>(rows_), -1);
  }

  double width() const { return std::accumulate(widths_.begin(), widths_.end(), 0.0); }

  double rowHeight(int row, const QPaintDevice* device) {
    if (row < 0 || row >= rows_) return 0;
    double& height = heights_[static_cast<std::size_t>(row)];
    if (height >= 0) return height;
    double tallest = 0;
    for (int c = 0; c < columns_; ++c) {
      const MSTablePrint::TextStyle& style = scaled_.textStyleOf(row, c);
      const QFontMetricsF metrics(style.font, device);
      const int lines = lineCount(row, c, style.font, device);
      tallest = std::max(tallest, lines * metrics.lineSpacing());
    }
    height = tallest + points(MSTablePrint::kBorderWidth);
    return height;
  }

  void drawRow(QPainter& painter, const QRectF& rect, int row, const QPaintDevice* device) const {
    if (row < 0 || row >= rows_) return;
    painter.save();
    const double padding = points(padding_);
    const QPen border(MSTablePrint::kBorderColor, points(MSTablePrint::kBorderWidth));
    double x = rect.left();
    for (int c = 0; c < columns_; ++c) {
      const QRectF cell(x, rect.top(), widths_[static_cast<std::size_t>(c)], rect.height());
      x += cell.width();
      painter.fillRect(cell, scaled_.backgroundOf(row, c));
      const MSTablePrint::TextStyle& style = scaled_.textStyleOf(row, c);
      const QString& text = cells_[index(row, c)];
      const QRectF inner = cell.adjusted(padding, 0, -padding, 0);
      if (!text.isEmpty()) {
        painter.setFont(style.font);
        painter.setPen(style.color);
        const QFontMetricsF metrics(style.font, device);
        if (fitsOnOneLine(row, c, inner.width())) {
          const double advance = advances_[index(row, c)];
          double left = inner.left();
          if (settings_.alignment & Qt::AlignRight) left = inner.right() - advance;
          else if (settings_.alignment & Qt::AlignHCenter) left = inner.left() + (inner.width() - advance) / 2;
          const double top = cell.top() + (cell.height() - metrics.height()) / 2;
          painter.drawText(QPointF(left, top + metrics.ascent()), text);
        } else {
          QTextLayout layout(text, style.font, const_cast<QPaintDevice*>(device));
          layout.setTextOption(wrapping(settings_.alignment));
          double height = 0;
          layout.beginLayout();
          for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(inner.width() + kSlack);
            line.setPosition(QPointF(0, height));
            height += metrics.lineSpacing();
          }
          layout.endLayout();
          painter.save();
          painter.setClipRect(cell, Qt::IntersectClip);
          layout.draw(&painter, QPointF(inner.left(), cell.top() + (cell.height() - height) / 2));
          painter.restore();
        }
      }
      painter.setPen(border);
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(cell);
    }
    painter.restore();
  }

 private:
  std::size_t index(int row, int column) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column);
  }
  double points(double value) const { return value * dpi_ / 72.0; }

  // Measures the cells and shares the width among the columns.
  void distribute(double available, const QPaintDevice* device) {
    measure(device);
    const double padding = 2 * points(padding_);
    std::vector<double> natural(static_cast<std::size_t>(columns_), padding);
    std::vector<double>& minimum = minimum_;
    minimum.assign(static_cast<std::size_t>(columns_), padding);
    for (int r = 0; r < rows_; ++r) {
      for (int c = 0; c < columns_; ++c) {
        const std::size_t i = index(r, c);
        natural[static_cast<std::size_t>(c)] = std::max(natural[static_cast<std::size_t>(c)], advances_[i] + padding);
        minimum[static_cast<std::size_t>(c)] = std::max(minimum[static_cast<std::size_t>(c)], words_[i] + padding);
      }
    }
    widths_.assign(static_cast<std::size_t>(columns_), 0);
    const double naturalSum = std::accumulate(natural.begin(), natural.end(), 0.0);
    const double minimumSum = std::accumulate(minimum.begin(), minimum.end(), 0.0);
    if (columns_ == 0) {
    } else if (settings_.layout() == MSTablePrint::Layout::Fixed && available > 0) {
      std::fill(widths_.begin(), widths_.end(), available / columns_);
    } else if (available <= 0) {
      widths_ = natural;
    } else if (naturalSum <= available) {
      // Every text fits: the table fills the width, the columns in proportion to their texts.
      for (int c = 0; c < columns_; ++c)
        widths_[static_cast<std::size_t>(c)] = available * natural[static_cast<std::size_t>(c)] / naturalSum;
    } else if (minimumSum < available && naturalSum > minimumSum) {
      // Long texts wrap: each column keeps its longest word and the rest is shared by what it lacks.
      const double share = (available - minimumSum) / (naturalSum - minimumSum);
      for (int c = 0; c < columns_; ++c) {
        const auto u = static_cast<std::size_t>(c);
        widths_[u] = minimum[u] + (natural[u] - minimum[u]) * share;
      }
    } else {
      // Not even the words fit: every column shrinks alike and its texts break anywhere.
      for (int c = 0; c < columns_; ++c)
        widths_[static_cast<std::size_t>(c)] = available * minimum[static_cast<std::size_t>(c)] / minimumSum;
    }
  }

  // The advance of every cell and of its longest word.
  void measure(const QPaintDevice* device) {
    advances_.assign(cells_.size(), 0);
    words_.assign(cells_.size(), 0);
    for (int r = 0; r < rows_; ++r) {
      for (int c = 0; c < columns_; ++c) {
        const std::size_t i = index(r, c);
        const QString& text = cells_[i];
        if (text.isEmpty()) continue;
        const QFontMetricsF metrics(scaled_.textStyleOf(r, c).font, device);
        if (text.contains(QChar::LineSeparator)) {
          double widest = 0;
          for (const QString& part : text.split(QChar::LineSeparator)) widest = std::max(widest, metrics.horizontalAdvance(part));
          advances_[i] = widest;
        } else {
          advances_[i] = metrics.horizontalAdvance(text);
        }
        if (text.contains(QLatin1Char(' ')) || text.contains(QChar::LineSeparator)) {
          double longest = 0;
          for (const QString& word : text.split(QRegularExpression(QStringLiteral("[ \\x{2028}]")), Qt::SkipEmptyParts))
            longest = std::max(longest, metrics.horizontalAdvance(word));
          words_[i] = longest;
        } else {
          words_[i] = advances_[i];
        }
      }
    }
  }

  // A text as wide as its column fits: the sums of the widths may round it a hair narrower.
  static constexpr double kSlack = 0.5;

  bool fitsOnOneLine(int row, int column, double width) const {
    const std::size_t i = index(row, column);
    return advances_[i] <= width + kSlack && !cells_[i].contains(QChar::LineSeparator);
  }

  int lineCount(int row, int column, const QFont& font, const QPaintDevice* device) const {
    const double width = widths_[static_cast<std::size_t>(column)] - 2 * points(padding_);
    if (fitsOnOneLine(row, column, width)) return 1;
    QTextLayout layout(cells_[index(row, column)], font, const_cast<QPaintDevice*>(device));
    layout.setTextOption(wrapping(settings_.alignment));
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(std::max(width + kSlack, 1.0));
      ++lines;
    }
    layout.endLayout();
    return std::max(lines, 1);
  }

  MSTablePrint settings_;
  MSTablePrint scaled_;  // the settings with the fonts at the size the table prints in
  double padding_ = MSTablePrint::kPadding;
  std::vector<double> minimum_;
  std::vector<QString> cells_;  // row by row
  int columns_ = 0;
  int rows_ = 0;
  double available_ = -2;
  double dpi_ = 0;
  std::vector<double> advances_;
  std::vector<double> words_;
  std::vector<double> widths_;
  std::vector<double> heights_;
};

// Draws the rows of the tables of one document; registered with the document's layout on first use
// and owned by the document.
class TableRowHandler final : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)
 public:
  static TableRowHandler& of(QTextDocument& document) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    if (auto* handler = dynamic_cast<TableRowHandler*>(layout->handlerForObject(kRowObject))) return *handler;
    auto* handler = new TableRowHandler(&document);
    layout->registerHandler(kRowObject, handler);
    return *handler;
  }

  int add(std::unique_ptr<PrintedTable> table) {
    tables_.push_back(std::move(table));
    return static_cast<int>(tables_.size()) - 1;
  }

  QSizeF intrinsicSize(QTextDocument* document, int, const QTextFormat& format) override {
    PrintedTable* table = tableOf(format);
    if (!table) return {};
    const QPaintDevice* device = document->documentLayout()->paintDevice();
    table->layoutFor(availableWidth(*document), device);
    const int first = format.intProperty(kRowProperty);
    double height = 0;
    for (int row = first; row < first + format.intProperty(kRowCountProperty); ++row) height += table->rowHeight(row, device);
    return {table->width(), height};
  }

  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                  const QTextFormat& format) override {
    PrintedTable* table = tableOf(format);
    if (!table) return;
    const QPaintDevice* device = document->documentLayout()->paintDevice();
    const int first = format.intProperty(kRowProperty);
    QRectF row = rect;
    for (int r = first; r < first + format.intProperty(kRowCountProperty); ++r) {
      row.setHeight(table->rowHeight(r, device));
      table->drawRow(*painter, row, r, device);
      row.moveTop(row.bottom());
    }
  }

 private:
  explicit TableRowHandler(QObject* parent) : QObject(parent) {}

  PrintedTable* tableOf(const QTextFormat& format) const {
    const int id = format.intProperty(kTableProperty);
    return id >= 0 && id < static_cast<int>(tables_.size()) ? tables_[static_cast<std::size_t>(id)].get() : nullptr;
  }

  // The width of the page's text (0 when the document has none: every column its widest text).
  static double availableWidth(const QTextDocument& document) {
    double width = document.pageSize().width();
    if (width <= 0) width = document.textWidth();
    if (width <= 0) return 0;
    return std::max(width - 2 * document.documentMargin(), 1.0);
  }

  std::vector<std::unique_ptr<PrintedTable>> tables_;
};

}  // namespace

MSTablePrint::MSTablePrint()
    : rowTextStyle{systemFont(8, false)}, alternateRowTextStyle{systemFont(8, false)},
      headerTextStyle{systemFont(9, true)} {}

bool MSTablePrint::alternates(int row, bool enabled) const {
  return enabled && ((row % 2 == 0 && headerRow) || (row % 2 == 1 && !headerRow));
}

QColor MSTablePrint::backgroundOf(int row, int column) const {
  QColor colour = rowColor;
  if (alternates(row, alternateRows)) colour = alternateRowColor;
  if (row == 0 && headerRow) colour = headerColor;
  if (column == 0 && headerColumn) colour = headerColor;
  return colour;
}

const MSTablePrint::TextStyle& MSTablePrint::textStyleOf(int row, int column) const {
  const TextStyle* style = &rowTextStyle;
  if (alternates(row, alternateTextRows)) style = &alternateRowTextStyle;
  if (row == 0 && headerRow) style = &headerTextStyle;
  if (column == 0 && headerColumn) style = &headerTextStyle;
  return *style;
}

void MSTablePrint::attributedStringFromItems(QTextCursor& cursor, const TableGrid& grid) const {
  cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
  auto table = std::make_unique<PrintedTable>(grid, *this);
  const int rows = table->rows();
  if (rows > 0) {
    QTextDocument& document = *cursor.document();
    const int id = TableRowHandler::of(document).add(std::move(table));
    QTextCharFormat row;
    row.setObjectType(kRowObject);
    row.setFontPointSize(1);  // the row's line is as high as the row itself
    row.setProperty(kTableProperty, id);
    // The header row and the first row are one paragraph, so that a page never ends with a header.
    for (int r = 0; r < rows;) {
      const int count = r == 0 && headerRow && rows > 1 ? 2 : 1;
      row.setProperty(kRowProperty, r);
      row.setProperty(kRowCountProperty, count);
      cursor.insertText(QString(QChar::ObjectReplacementCharacter), row);
      cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
      r += count;
    }
  }
  cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

}  // namespace td

#include "MSTablePrint.moc"
