#include "ui/reporting/ReportTableView.h"

#include <QAction>
#include <QComboBox>
#include <QSignalBlocker>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QMenu>

namespace td {

ReportTableView::ReportTableView(QAbstractItemModel* model, const QString& objectName, ColumnMenu menu,
                                 QWidget* parent)
    : QTableView(parent) {
  setObjectName(objectName);
  setModel(model);
  QFont cells = font();
  cells.setPixelSize(12);
  setFont(cells);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setAlternatingRowColors(true);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(QFontMetrics(cells).height() + 6);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSectionsMovable(true);
  if (menu == ColumnMenu::Shown) {
    SetHeaderMenuItems();
    connect(model, &QAbstractItemModel::modelReset, this, [this] { SetHeaderMenuItems(); });
  }
}

void ReportTableView::SetHeaderMenuItems() {
  delete columnMenu_;
  columnMenu_ = new QMenu(this);
  columnMenu_->setObjectName(objectName() + QStringLiteral("ColumnMenu"));
  QHeaderView* header = horizontalHeader();
  for (int column = 0; column < model()->columnCount(); ++column) {
    QAction* entry = columnMenu_->addAction(model()->headerData(column, Qt::Horizontal).toString());
    entry->setCheckable(true);
    entry->setChecked(!header->isSectionHidden(column));
    entry->setData(column);
    connect(entry, &QAction::triggered, this, [this, entry] { toggleColumn(entry); });
  }
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  disconnect(header, &QWidget::customContextMenuRequested, this, nullptr);
  connect(header, &QWidget::customContextMenuRequested, this,
          [this, header](const QPoint& at) { columnMenu_->popup(header->mapToGlobal(at)); });
}

void ReportTableView::fitColumns() {
  // The last column stretches over what is left.
  const int fitted = model()->columnCount() - (horizontalHeader()->stretchLastSection() ? 1 : 0);
  for (int column = 0; column < fitted; ++column) {
    resizeColumnToContents(column);
    setColumnWidth(column, columnWidth(column) + 14);
  }
}

void ReportTableView::toggleColumn(QAction* entry) {
  // The action has already flipped its tick: a ticked entry shows its column.
  horizontalHeader()->setSectionHidden(entry->data().toInt(), !entry->isChecked());
}

QDateTime toQDateTime(Date date) {
  return QDateTime::fromMSecsSinceEpoch(
      std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count());
}

Date fromQDateTime(const QDateTime& date) {
  return Date(std::chrono::duration_cast<Date::duration>(std::chrono::milliseconds(date.toMSecsSinceEpoch())));
}

QDateTimeEdit* makeDateEdit(const QString& objectName, QWidget* parent) {
  auto* edit = new QDateTimeEdit(parent);
  edit->setObjectName(objectName);
  edit->setDisplayFormat(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
  edit->setCalendarPopup(true);
  return edit;
}

void showPeriod(QDateTimeEdit& from, QDateTimeEdit& to, const SearchPeriod& period) {
  for (auto [edit, date] : {std::pair{&from, period.fromDate()}, std::pair{&to, period.toDate()}}) {
    const QSignalBlocker quiet(edit);
    if (period.minimumDate() && period.maximumDate())
      edit->setDateTimeRange(toQDateTime(*period.minimumDate()), toQDateTime(*period.maximumDate()));
    edit->setDateTime(toQDateTime(date));
  }
}

void showChoices(QComboBox& box, const std::vector<std::string>& items, int selected) {
  const QSignalBlocker quiet(&box);
  box.clear();
  for (const std::string& item : items) box.addItem(QString::fromStdString(item));
  box.setCurrentIndex(selected);
}

}  // namespace td
