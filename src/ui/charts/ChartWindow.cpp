#include "ui/charts/ChartWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QSplitter>
#include <QVBoxLayout>
#include <filesystem>

#include "platform/Resources.h"

namespace td::charts {
namespace {

std::filesystem::path imagePath(const std::string& file) { return Resources::directory() / "images" / file; }

bool imageExists(const std::string& file) {
  std::error_code error;
  return std::filesystem::is_regular_file(imagePath(file), error);
}

}  // namespace

ChartWindow::ChartWindow(ChartSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      symbols_(new QComboBox(this)),
      intervals_(new QComboBox(this)),
      types_(new QComboBox(this)),
      split_(new QSplitter(Qt::Vertical, this)),
      chartPane_(new ChartPane(session, split_)),
      indicatorPane_(new QWidget(split_)) {
  setObjectName("chartWindow");
  symbols_->setObjectName("symbolPopButton");
  intervals_->setObjectName("intervalPopUpButton");
  types_->setObjectName("chartTypePopButton");
  symbols_->setMinimumContentsLength(10);
  symbols_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  types_->setIconSize(QSize(22, 18));

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(6, 6, 6, 0);
  bar->addWidget(symbols_);
  bar->addWidget(intervals_);
  bar->addWidget(types_);
  bar->addStretch(1);

  split_->setObjectName("chartSplitView");
  indicatorPane_->setObjectName("indicatorPane");
  split_->addWidget(chartPane_);
  split_->addWidget(indicatorPane_);
  split_->setCollapsible(0, false);
  split_->setCollapsible(1, true);
  split_->setHandleWidth(0);  // the divider is hidden and never dragged
  split_->setSizes({topFrameHeight_, bottomFrameHeight_});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  layout->addLayout(bar);
  layout->addWidget(split_, 1);
  setMinimumSize(640, 420);
  resize(sizeHint());

  connect(symbols_, &QComboBox::activated, this, [this](int index) { controller_->SymbolPopUpItemSelected(index); });
  connect(intervals_, &QComboBox::activated, this, [this](int index) { controller_->IntervalItemSelected(index); });
  connect(types_, &QComboBox::activated, this, [this](int index) { controller_->ChartTypeControlSelected(index); });

  controller_ = std::make_unique<ChartWindowController>(session, chartPane_->controller(), imageExists);
  controller_->setView(this);
  controller_->windowDidLoad();
}

ChartWindow::~ChartWindow() { controller_->setView(nullptr); }

QComboBox* ChartWindow::popUp(PopUp popUp) const {
  switch (popUp) {
    case PopUp::Symbol: return symbols_;
    case PopUp::Interval: return intervals_;
    case PopUp::ChartType: return types_;
  }
  return symbols_;
}

void ChartWindow::setPopUpItems(PopUp which, const std::vector<std::string>& titles) {
  QComboBox* box = popUp(which);
  box->clear();
  for (const auto& title : titles) box->addItem(QString::fromStdString(title));
}

void ChartWindow::selectPopUpItem(PopUp which, int index) { popUp(which)->setCurrentIndex(index); }

int ChartWindow::selectedIndex(PopUp which) const { return popUp(which)->currentIndex(); }

std::string ChartWindow::selectedTitle(PopUp which) const { return popUp(which)->currentText().toStdString(); }

void ChartWindow::setPopUpItemImage(PopUp which, int index, const std::string& image) {
  QComboBox* box = popUp(which);
  if (index < 0 || index >= box->count()) return;
  QIcon icon = chartTypeIcon(image);
  if (icon.isNull() && imageExists(image)) icon = QIcon(QString::fromStdString(imagePath(image).string()));
  box->setItemIcon(index, icon);
}

void ChartWindow::setWindowTitle(const std::string& title) { QWidget::setWindowTitle(QString::fromStdString(title)); }

bool ChartWindow::isBottomViewCollapsed() const { return indicatorPane_->isHidden(); }

void ChartWindow::collapseBottomView() {
  indicatorPane_->hide();
  split_->setSizes({split_->height(), 0});
}

void ChartWindow::uncollapseBottomView() {
  indicatorPane_->show();
  split_->setSizes({topFrameHeight_, bottomFrameHeight_});
}

}  // namespace td::charts
