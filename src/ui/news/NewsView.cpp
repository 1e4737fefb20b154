#include "ui/news/NewsView.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/AppContext.h"
#include "ui/MainWindow.h"
#include "ui/controls/ListFonts.h"

namespace td {

NewsView::NewsView(const std::string& newsHost, NewsTableController::Hooks hooks, QWidget* parent)
    : QWidget(parent),
      controller_(new NewsTableController(newsHost, std::move(hooks), this)),
      popUp_(new QComboBox(this)),
      table_(new QTableView(this)) {
  setObjectName("newsView");
  popUp_->setObjectName("NewsCategoryPopButton");
  for (const char* title : kNewsCategories) popUp_->addItem(QString::fromUtf8(title));
  popUp_->setMaxVisibleItems(static_cast<int>(kNewsCategories.size()));
  popUp_->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  // The list's cells in the lists' font; rows keep the document's order.
  table_->setObjectName("newsTableView");
  table_->setModel(controller_);
  table_->setFont(listCellFont());
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setAlternatingRowColors(true);
  table_->setShowGrid(false);
  table_->setWordWrap(false);
  table_->setTextElideMode(Qt::ElideRight);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(table_->font()).height() + 8);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setHighlightSections(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addWidget(popUp_, 0, Qt::AlignLeft);
  layout->addWidget(table_, 1);

  // `activated` also fires when the shown category is chosen again: it loads afresh.
  connect(popUp_, &QComboBox::activated, this,
          [this](int index) { controller_->PopUpItemSelected(popUp_->itemText(index).toStdString()); });
  // Double clicks on the headers do not reach here; with no row selected nothing opens.
  connect(table_, &QTableView::doubleClicked, this, [this] {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    controller_->doubleAction(rows.isEmpty() ? -1 : rows.front().row());
  });

  controller_->LoadNews(popUp_->currentText().toStdString());
}

void installNews(MainWindow& window) {
  window.addMainTab(QStringLiteral("News"), new NewsView(AppContext::current()->logindata().presets().newsHost));
}

}  // namespace td
