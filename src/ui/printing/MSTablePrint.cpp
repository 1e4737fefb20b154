#include "ui/printing/MSTablePrint.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextObjectInterface>
#include <algorithm>
#include <memory>
#include <array>
#include <deque>
#include <numeric>
#include <unordered_map>

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
    for (MSTablePrint::TextStyle* style : {&scaled_.rowTextStyle, &scaled_.alternateRowTextStyle, &scaled_.headerTextStyle})
      style->font.setKerning(false);
    padding_ = MSTablePrint::kPadding;
    metrics_.clear();
    distribute(available, device);
    const double words = std::accumulate(minimum_.begin(), minimum_.end(), 0.0);
    if (available > 0 && words > available && settings_.layout() == MSTablePrint::Layout::Automatic) {
      const double scale = available / words * 0.98;
      for (MSTablePrint::TextStyle* style : {&scaled_.rowTextStyle, &scaled_.alternateRowTextStyle, &scaled_.headerTextStyle})
        style->font.setPointSizeF(style->font.pointSizeF() * scale);
      metrics_.clear();
      padding_ = MSTablePrint::kPadding * scale;
      distribute(available, device);
    }
    heights_.assign(static_cast<std::size_t>(rows_), -1);
    wrapped_.clear();
  }

  double width() const { return std::accumulate(widths_.begin(), widths_.end(), 0.0); }

  double rowHeight(int row, const QPaintDevice* device) {
    if (row < 0 || row >= rows_) return 0;
    double& height = heights_[static_cast<std::size_t>(row)];
    if (height >= 0) return height;
    double tallest = 0;
    for (int c = 0; c < columns_; ++c) {
      const MSTablePrint::TextStyle& style = scaled_.textStyleOf(row, c);
      const double lines = static_cast<double>(linesOf(row, c, device).size());
      tallest = std::max(tallest, std::max(lines, 1.0) * metricsOf(style, device).lineSpacing());
    }
    height = tallest + points(MSTablePrint::kBorderWidth);
    return height;
  }

  void drawRow(QPainter& painter, const QRectF& rect, int row, const QPaintDevice* device) const {
    if (row < 0 || row >= rows_) return;
    painter.save();
    // Backgrounds: one rectangle for each run of cells of one colour.
    double x = rect.left();
    for (int c = 0; c < columns_;) {
      const QColor colour = scaled_.backgroundOf(row, c);
      double width = 0;
      for (; c < columns_ && scaled_.backgroundOf(row, c) == colour; ++c) width += widths_[static_cast<std::size_t>(c)];
      painter.fillRect(QRectF(x, rect.top(), width, rect.height()), colour);
      x += width;
    }
    // Texts.
    const double padding = points(padding_);
    x = rect.left();
    const QFont* font = nullptr;
    for (int c = 0; c < columns_; ++c) {
      const QRectF cell(x, rect.top(), widths_[static_cast<std::size_t>(c)], rect.height());
      x += cell.width();
      const QString& text = cells_[index(row, c)];
      if (text.isEmpty()) continue;
      const MSTablePrint::TextStyle& style = scaled_.textStyleOf(row, c);
      if (font != &style.font) {
        font = &style.font;
        painter.setFont(style.font);
        painter.setPen(style.color);
      }
      const QRectF inner = cell.adjusted(padding, 0, -padding, 0);
      const QFontMetricsF& metrics = metricsOf(style, device);
      const std::vector<QString>& lines = linesOf(row, c, device);
      double top = cell.top() + (cell.height() - static_cast<double>(lines.size()) * metrics.lineSpacing()) / 2;
      if (lines.size() > 1) {
        painter.save();
        painter.setClipRect(cell, Qt::IntersectClip);
      }
      for (const QString& line : lines) {
        const double advance = lines.size() == 1 ? advances_[index(row, c)] : advanceOf(style, line, device);
        double left = inner.left();
        if (settings_.alignment & Qt::AlignRight) left = inner.right() - advance;
        else if (settings_.alignment & Qt::AlignHCenter) left = inner.left() + (inner.width() - advance) / 2;
        painter.drawText(QPointF(left, top + metrics.ascent()), line);
        top += metrics.lineSpacing();
      }
      if (lines.size() > 1) painter.restore();
    }
    // Borders: the row's top and bottom edges and one line at each column edge, in one call.
    std::vector<QLineF> lines{QLineF(rect.left(), rect.top(), rect.right(), rect.top()),
                              QLineF(rect.left(), rect.bottom(), rect.right(), rect.bottom())};
    x = rect.left();
    lines.emplace_back(x, rect.top(), x, rect.bottom());
    for (int c = 0; c < columns_; ++c) {
      x += widths_[static_cast<std::size_t>(c)];
      lines.emplace_back(x, rect.top(), x, rect.bottom());
    }
    painter.setPen(QPen(MSTablePrint::kBorderColor, points(MSTablePrint::kBorderWidth)));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
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
        const MSTablePrint::TextStyle& style = scaled_.textStyleOf(r, c);
        if (!text.contains(QLatin1Char(' ')) && !text.contains(QChar::LineSeparator)) {
          advances_[i] = words_[i] = advanceOf(style, text, device);
          continue;
        }
        // The widest line (at line separators) and the widest word (at blanks).
        for (const QStringView line : QStringView(text).split(QChar::LineSeparator)) {
          advances_[i] = std::max(advances_[i], advanceOf(style, line, device));
          for (const QStringView word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            words_[i] = std::max(words_[i], advanceOf(style, word, device));
        }
      }
    }
  }

  // The metrics of a style of the scaled settings on the device, made once per layout, with the
  // advances of the Latin letters it has measured.
  struct Measure {
    const QFont* font;
    QFontMetricsF metrics;
    std::array<double, 0x250> latin;
  };
  const Measure& measureOf(const MSTablePrint::TextStyle& style, const QPaintDevice* device) const {
    for (const Measure& measure : metrics_)
      if (measure.font == &style.font) return measure;
    Measure& measure = metrics_.emplace_back(Measure{&style.font, QFontMetricsF(style.font, device), {}});
    measure.latin.fill(-1);
    return measure;
  }
  const QFontMetricsF& metricsOf(const MSTablePrint::TextStyle& style, const QPaintDevice* device) const {
    return measureOf(style, device).metrics;
  }
  // A text's advance: the sum of its letters' for Latin text (the fonts print without kerning, so
  // the sum is what the line takes), the shaped text's otherwise.
  double advanceOf(const MSTablePrint::TextStyle& style, QStringView text, const QPaintDevice* device) const {
    auto& measure = const_cast<Measure&>(measureOf(style, device));
    double sum = 0;
    for (const QChar letter : text) {
      if (letter.unicode() >= measure.latin.size()) return measure.metrics.horizontalAdvance(text.toString());
      double& advance = measure.latin[letter.unicode()];
      if (advance < 0) advance = measure.metrics.horizontalAdvance(letter);
      sum += advance;
    }
    return sum;
  }

  // A text as wide as its column fits: the sums of the widths may round it a hair narrower.
  static constexpr double kSlack = 0.5;

  bool fitsOnOneLine(int row, int column, double width) const {
    const std::size_t i = index(row, column);
    return advances_[i] <= width + kSlack && !cells_[i].contains(QChar::LineSeparator);
  }

  // The lines of a cell in its column: the text itself when it fits, else broken at its line
  // separators and, greedily, at blanks; a word wider than the column breaks where it must.
  const std::vector<QString>& linesOf(int row, int column, const QPaintDevice* device) const {
    const std::size_t i = index(row, column);
    const auto found = wrapped_.find(i);
    if (found != wrapped_.end()) return found->second;
    std::vector<QString>& lines = wrapped_[i];
    const QString& text = cells_[i];
    const double width = widths_[static_cast<std::size_t>(column)] - 2 * points(padding_) + kSlack;
    if (fitsOnOneLine(row, column, width - kSlack)) {
      lines.push_back(text);
      return lines;
    }
    const MSTablePrint::TextStyle& style = scaled_.textStyleOf(row, column);
    for (const QString& paragraph : text.split(QChar::LineSeparator)) {
      QString line;
      for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (advanceOf(style, longer, device) <= width) {
          line = longer;
          continue;
        }
        if (!line.isEmpty()) lines.push_back(line);
        line = word;
        if (advanceOf(style, word, device) > width) {
          // Too long for any line: the text layout breaks it anywhere.
          QTextLayout layout(word, style.font, const_cast<QPaintDevice*>(device));
          layout.setTextOption(wrapping(Qt::AlignLeft));
          layout.beginLayout();
          for (QTextLine piece = layout.createLine(); piece.isValid(); piece = layout.createLine()) {
            piece.setLineWidth(std::max(width, 1.0));
            lines.push_back(word.mid(piece.textStart(), piece.textLength()));
          }
          layout.endLayout();
          line = lines.back();
          lines.pop_back();
        }
      }
      lines.push_back(line);
    }
    return lines;
  }

  MSTablePrint settings_;
  MSTablePrint scaled_;  // the settings with the fonts at the size the table prints in
  double padding_ = MSTablePrint::kPadding;
  std::vector<double> minimum_;
  mutable std::deque<Measure> metrics_;  // a deque keeps the references handed out
  mutable std::unordered_map<std::size_t, std::vector<QString>> wrapped_;  // lines by cell, for the widths
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
  // One edit: the document tells its layout of the change once, not once per row.
  cursor.beginEditBlock();
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
  cursor.endEditBlock();
}

}  // namespace td

#include "MSTablePrint.moc"
