#include "ui/reporting/ReportTableView.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QMenu>

#include "ui/controls/ColumnMenu.h"
#include "ui/controls/ListFonts.h"

namespace td {

ReportTableView::ReportTableView(QAbstractItemModel* model, const QString& objectName, ColumnMenu menu,
                                 QWidget* parent)
    : QTableView(parent) {
  setObjectName(objectName);
  setModel(model);
  setFont(listCellFont());
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setAlternatingRowColors(true);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSectionsMovable(true);
  if (menu == ColumnMenu::Shown) {
    columnMenu_ = new QMenu(this);
    columnMenu_->setObjectName(objectName + QStringLiteral("ColumnMenu"));
    fillColumnMenu(*columnMenu_, *this);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { fillColumnMenu(*columnMenu_, *this); });
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { columnMenu_->popup(horizontalHeader()->mapToGlobal(at)); });
  }
}

void ReportTableView::fitColumns() {
  // The last column stretches over what is left.
  const int fitted = model()->columnCount() - (horizontalHeader()->stretchLastSection() ? 1 : 0);
  for (int column = 0; column < fitted; ++column) {
    resizeColumnToContents(column);
    setColumnWidth(column, columnWidth(column) + 14);
  }
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
