#include "ui/watchlist/DetailSheet.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

#include "ui/controls/Captions.h"
#include "ui/controls/DrawingControls.h"
#include "ui/watchlist/DetailWindowController.h"
#include "ui/printing/PrintTextView.h"
#include "ui/watchlist/ReceiptPrintout.h"

namespace td {

DetailView::DetailView(DetailWindowController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
  setObjectName("detailView");
  title_ = new QLabel(controller.title(), this);
  title_->setObjectName("titleTextField");
  title_->setTextFormat(Qt::PlainText);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  table_ = new QTableView(this);
  table_->setObjectName("detailTableView");
  table_->setModel(&controller);
  table_->setWordWrap(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  // Long values wrap onto more lines instead of being cut.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(DetailWindowController::EntityColumn,
                                                   QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setAlternatingRowColors(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(title_);
  layout->addWidget(table_, 1);
  // A view without a title (the symbol manager's) shows no empty title line.
  title_->setVisible(!controller.title().isEmpty());
  connect(&controller, &DetailWindowController::titleChanged, this, [this] {
    title_->setText(controller_.title());
    title_->setVisible(!controller_.title().isEmpty());
  });
}

DetailSheet::DetailSheet(DetailWindowController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
  setObjectName("detailSheet");
  setWindowModality(Qt::WindowModal);
  setWindowTitle(QStringLiteral("Details"));
  view_ = new DetailView(controller, this);
  print_ = new QPushButton(caption("9607"), this);
  print_->setObjectName("printButton");
  auto* close = new QPushButton(caption("9606"), this);
  close->setObjectName("closeButton");
  close->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(print_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  QVBoxLayout* layout = WindowSheetBackgroundView::fillSheet(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  connect(print_, &QPushButton::clicked, this, [this] { print(); });
  connect(close, &QPushButton::clicked, this, [this] { accept(); });
  connect(&controller, &DetailWindowController::titleChanged, this,
          [this] { print_->setVisible(controller_.printButtonVisible()); });
  print_->setVisible(controller.printButtonVisible());
  resize(460, 470);
}

void DetailSheet::present() {
  open();
  raise();
  activateWindow();
}

void DetailSheet::done(int result) {
  controller_.closeModal();
  QDialog::done(result);
}

void DetailSheet::print() {
  // The print dialog as a sheet, or a PDF file where no printer exists.
  PrintOperation::run(receiptPrintout(controller_.printGrid()), this);
}

}  // namespace td
