#include "ui/printing/PrintTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <cmath>

#include "platform/AppContext.h"
#include "ui/controls/Captions.h"

namespace td {
namespace {

QFont systemFont(double points) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSizeF(points);
  return font;
}

// The application's alert, shown as a task of its own (not inside the dialog's signal).
void alertLater(const QString& title, const QString& reason) {
  AppContext::current()->userAlerts()->showAlert(title.toStdString(), reason.toStdString());
}

// Where a block's first line begins, in the document.
double firstLineTop(const QTextBlock& block) {
  const QTextLayout* layout = block.layout();
  return layout->position().y() + (layout->lineCount() > 0 ? layout->lineAt(0).y() : 0);
}

// The foot of the document's last paragraph that holds anything (empty paragraphs after it would
// only add blank pages).
double contentBottom(const QTextDocument& document) {
  for (QTextBlock block = document.lastBlock(); block.isValid(); block = block.previous()) {
    if (block.length() <= 1) continue;
    const QTextLayout* layout = block.layout();
    if (layout->lineCount() == 0) continue;
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    return layout->position().y() + last.y() + last.height();
  }
  return 0;
}

}  // namespace

PrintTextView::PrintTextView(QString printJobTitle)
    : printJobTitle_(std::move(printJobTitle)), document_(std::make_unique<QTextDocument>()) {
  document_->setDefaultFont(systemFont(12));
  document_->setDocumentMargin(0);
  document_->setUndoRedoEnabled(false);  // composed once, never edited
  // No page yet: the document is laid out once, for the printer's page, not after every piece.
  document_->setPageSize(QSizeF(0, 0));
}

PrintTextView::~PrintTextView() = default;

void PrintTextView::preparePrinter(QPrinter& printer, const QString& jobTitle) {
  printer.setDocName(jobTitle);
  printer.setCreator(QStringLiteral("TarnwickDesk"));
  printer.setPageMargins(QMarginsF(36, 36, 36, 36), QPageLayout::Point);
}

std::optional<QString> PrintTextView::print(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    const QString where = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    return caption("9731").arg(where);
  }
  const QRectF page(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
  const QFont bandFont = systemFont(9);
  const QFontMetricsF band(bandFont, &printer);
  const double bandHeight = 2 * band.lineSpacing();
  const QRectF body(0, bandHeight, page.width(), std::max(page.height() - 2 * bandHeight, band.lineSpacing()));

  QAbstractTextDocumentLayout* layout = document_->documentLayout();
  layout->setPaintDevice(&printer);
  document_->setPageSize(body.size());
  pages_ = document_->pageCount();
  const QString printed = (printTime_.isValid() ? printTime_ : QDateTime::currentDateTime())
                              .toString(QStringLiteral("MM/dd/yyyy HH:mm"));
  // A document of paragraphs alone (no frames or text tables) is drawn block by block, each on the
  // page its first line is on, and ends with its last paragraph that shows anything.
  const bool flowing = document_->rootFrame()->childFrames().isEmpty();
  if (flowing) pages_ = std::max(1, static_cast<int>(std::ceil(contentBottom(*document_) / body.height())));
  QTextBlock first = document_->begin();
  for (int index = 0; index < pages_; ++index) {
    if (index > 0) printer.newPage();
    painter.setFont(bandFont);
    painter.setPen(Qt::black);
    const QRectF header(0, 0, page.width(), band.lineSpacing());
    painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, printJobTitle_);
    painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter, printed);
    const QRectF footer(0, page.height() - band.lineSpacing(), page.width(), band.lineSpacing());
    painter.drawText(footer, Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(index + 1).arg(pages_));

    painter.save();
    painter.translate(body.left(), body.top() - index * body.height());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, index * body.height(), body.width(), body.height());
    painter.setClipRect(context.clip);
    if (flowing) {
      // The blocks of this page alone: the layout's own drawing walks the whole document for every page.
      while (first.isValid() && layout->blockBoundingRect(first).bottom() <= context.clip.top()) first = first.next();
      for (QTextBlock block = first; block.isValid(); block = block.next()) {
        // A block pushed to the next page keeps its place at the foot of this one: what it would
        // draw there (a border, a background) is not its page's.
        if (firstLineTop(block) >= context.clip.bottom()) break;
        block.layout()->draw(&painter, QPointF(0, 0), {}, context.clip);
      }
    } else {
      layout->draw(&painter, context);
    }
    painter.restore();
  }
  painter.end();
  layout->setPaintDevice(nullptr);  // the printer may go now
  return std::nullopt;
}

std::optional<QString> PrintTextView::printToPdf(const QString& path) {
  QPrinter printer(QPrinter::HighResolution);
  preparePrinter(printer, printJobTitle_);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  return print(printer);
}

bool PrintOperation::hasPrinter() { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

void PrintOperation::run(std::shared_ptr<PrintTextView> view, QWidget* window, ErrorHandler onError) {
  if (!view) return;
  if (!onError) onError = alertLater;
  if (hasPrinter()) {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    PrintTextView::preparePrinter(*printer, view->printJobTitle());
    auto* dialog = new QPrintDialog(printer.get(), window);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog, [view, printer, onError] {
      if (auto error = view->print(*printer)) onError(view->printJobTitle(), *error);
    });
    dialog->open();
    return;
  }
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  auto* dialog = new QFileDialog(window, view->printJobTitle(), folder, QStringLiteral("PDF (*.pdf)"));
  dialog->setObjectName(QStringLiteral("printToPdfDialog"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix(QStringLiteral("pdf"));
  dialog->selectFile(QString(view->printJobTitle()).replace(QLatin1Char('/'), QLatin1Char('-')) +
                     QStringLiteral(".pdf"));
  dialog->setWindowModality(Qt::WindowModal);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [view, onError](const QString& path) {
    if (auto error = view->printToPdf(path)) onError(view->printJobTitle(), *error);
  });
  dialog->open();
}

}  // namespace td
