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
#include <QTextDocument>

#include "platform/AppContext.h"
#include "platform/LanguageString.h"
#include "platform/MainQueue.h"
#include "ui/CommonAlert.h"

namespace td {
namespace {

QFont systemFont(double points) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSizeF(points);
  return font;
}

QString text(const char* key) {
  return QString::fromStdString(
      LanguageString::stringforSelectedLanguage(AppContext::current()->selectedLanguage(), key));
}

void alertLater(const QString& title, const QString& reason) {
  auto show = [title = title.toStdString(), reason = reason.toStdString()] {
    CommonAlert::ShowCommonAlertVieWwithMessage(reason, title);
  };
  if (MainQueue* queue = MainQueue::instance()) queue->post(std::move(show));
  else show();
}

}  // namespace

PrintTextView::PrintTextView(QString printJobTitle)
    : printJobTitle_(std::move(printJobTitle)), document_(std::make_unique<QTextDocument>()) {
  document_->setDefaultFont(systemFont(12));
  document_->setDocumentMargin(0);
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
    return text("9731").arg(where);
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
    layout->draw(&painter, context);
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
