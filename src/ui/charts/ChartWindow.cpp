#include "ui/charts/ChartWindow.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "platform/Resources.h"
#include "ui/controls/Captions.h"

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
      analysisButton_(new QToolButton(this)),
      split_(new QSplitter(Qt::Vertical, this)),
      chartPane_(new ChartPane(session, split_)),
      indicatorPane_(new QWidget(split_)),
      indicatorTitle_(new QLabel(indicatorPane_)),
      indicatorPlot_(new PlotWidget(indicatorPane_)) {
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
  bar->addWidget(analysisButton_);
  bar->addStretch(1);
  analysisButton_->setObjectName("analysisButton");
  analysisButton_->setText(caption("9502"));
  connect(analysisButton_, &QToolButton::clicked, this, [this] { analysisButtonClicked(); });

  split_->setObjectName("chartSplitView");
  indicatorPane_->setObjectName("indicatorPane");
  auto* lower = new QVBoxLayout(indicatorPane_);
  lower->setContentsMargins(0, 0, 0, 0);
  lower->setSpacing(0);
  indicatorTitle_->setObjectName("indicatorGraphTitleLabel");
  indicatorTitle_->setTextFormat(Qt::PlainText);
  indicatorTitle_->setStyleSheet("QLabel { background: black; color: white; font-weight: bold; padding: 2px 6px; }");
  lower->addWidget(indicatorTitle_);
  lower->addWidget(indicatorPlot_, 1);
  QPalette black = indicatorPane_->palette();
  black.setColor(QPalette::Window, Qt::black);
  indicatorPane_->setPalette(black);
  indicatorPane_->setAutoFillBackground(true);
  chartPane_->controller().indicators().setIndicatorGraphView(this);
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

ChartWindow::~ChartWindow() {
  // The settings panel is bound to the controller, which goes before the child widgets.
  delete popover_;
  controller_->setView(nullptr);
  chartPane_->controller().indicators().setIndicatorGraphView(nullptr);
}

void ChartWindow::createAnalysisPopover() {
  if (popover_) return;
  // Transient: it closes when the user clicks outside it.
  popover_ = new QFrame(this, Qt::Popup);
  popover_->setObjectName("analysisPopover");
  popover_->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(popover_);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(popover_);
  panel_ = new ChartAnalysisPanel(controller_->chartAnalysisViewController(), scroll);
  scroll->setWidget(panel_);
  scroll->setWidgetResizable(true);
  layout->addWidget(scroll);
  popover_->resize(panel_->sizeHint().width() + 24, std::min(560, panel_->sizeHint().height() + 8));
}

void ChartWindow::analysisButtonClicked() {
  createAnalysisPopover();
  popover_->move(analysisButton_->mapToGlobal(QPoint(0, analysisButton_->height())));
  popover_->show();
  // The panel opens at its top.
  if (auto* scroll = popover_->findChild<QScrollArea*>()) scroll->ensureVisible(0, 0);
}

void ChartWindow::showIndicatorGraphTitle(bool shown, const std::string& title) {
  indicatorTitle_->setText(QString::fromStdString(title));
  // Hidden, the title keeps its room, as a transparent label would.
  QSizePolicy policy = indicatorTitle_->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  indicatorTitle_->setSizePolicy(policy);
  indicatorTitle_->setVisible(shown);
}

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
