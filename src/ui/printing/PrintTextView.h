#pragma once
// A print-out: a text document with a job title, printed page by page on a printer or into a PDF
// file, and the print operation that asks the user where it goes.
//
// Every page carries a header (the job title on the left, the date and time of printing on the
// right) and a footer ("Page n of m"); the document flows through the space between, in the width of
// the page, never centred vertically. Tables of MSTablePrint break between their rows.
//
// Main thread only.
//
// Use: make the view with its job title, compose the content into document() (text, images,
// MSTablePrint::attributedStringFromItems), then PrintOperation::run (the print panel as a sheet of
// the calling window, or a PDF file where no printer is installed) or printToPdf.

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QPrinter;
class QTextDocument;
class QWidget;

namespace td {

class PrintTextView {
 public:
  explicit PrintTextView(QString printJobTitle = {});
  ~PrintTextView();
  PrintTextView(const PrintTextView&) = delete;
  PrintTextView& operator=(const PrintTextView&) = delete;

  const QString& printJobTitle() const { return printJobTitle_; }
  void setPrintJobTitle(QString title) { printJobTitle_ = std::move(title); }

  // The content; its default font is the system font at 12 points.
  QTextDocument& document() { return *document_; }

  // The printer as every print-out starts: high resolution, the default paper, half an inch of
  // margin all round, the job title as the document's name.
  static void preparePrinter(QPrinter& printer, const QString& jobTitle);

  // Lays the document out for the printer's pages and prints them. Nothing on success, else the
  // reason (the printer could not be opened, for instance a PDF file that cannot be written).
  std::optional<QString> print(QPrinter& printer);
  // preparePrinter for a PDF file at `path`, then print.
  std::optional<QString> printToPdf(const QString& path);

  // Pages of the last print.
  int pageCount() const { return pages_; }
  // The time printed in the page header; the current time when not set.
  void setPrintTime(QDateTime time) { printTime_ = std::move(time); }

 private:
  QString printJobTitle_;
  std::unique_ptr<QTextDocument> document_;
  QDateTime printTime_;
  int pages_ = 0;
};

class PrintOperation {
 public:
  // How a failed print is told; the default posts an alert with the job title and the reason.
  using ErrorHandler = std::function<void(const QString& title, const QString& reason)>;

  // Shows the print panel as a window-modal sheet of `window` and prints the view on OK; where no
  // printer is installed, asks for a PDF file (named after the job title) the same way and prints
  // into it. Cancelling leaves nothing behind. Returns at once; the view is kept until the end.
  static void run(std::shared_ptr<PrintTextView> view, QWidget* window, ErrorHandler onError = {});

  // True when the system knows at least one printer.
  static bool hasPrinter();
};

}  // namespace td
