#include "ui/charts/ChartViews.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace td::charts {

QIcon chartTypeIcon(const std::string& name) {
  QPixmap pixmap(22, 18);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor green(0, 200, 0);
  if (name == "linechart") {
    p.setPen(QPen(green, 1.8));
    const QPointF points[] = {{2, 14}, {7, 8}, {11, 11}, {15, 4}, {20, 7}};
    p.drawPolyline(points, 5);
  } else if (name == "ohlcchart") {
    p.setPen(QPen(green, 1.6));
    const int tops[3] = {6, 2, 5}, bottoms[3] = {15, 11, 16};
    for (int k = 0; k < 3; ++k) {
      const int x = 5 + k * 6;
      p.drawLine(x, tops[k], x, bottoms[k]);
      p.drawLine(x - 3, tops[k] + 3, x, tops[k] + 3);
      p.drawLine(x, bottoms[k] - 3, x + 3, bottoms[k] - 3);
    }
  } else if (name == "candlestickchart") {
    p.setPen(QPen(green, 1.2));
    const int tops[3] = {3, 5, 1}, bottoms[3] = {15, 16, 12};
    for (int k = 0; k < 3; ++k) {
      const int x = 5 + k * 6;
      p.drawLine(QPointF(x, tops[k]), QPointF(x, bottoms[k]));
      p.setBrush(k == 1 ? QColor(Qt::black) : QColor(Qt::white));
      p.drawRect(QRectF(x - 2.5, tops[k] + 3, 5, bottoms[k] - tops[k] - 6));
    }
  } else {
    return {};
  }
  p.end();
  return QIcon(pixmap);
}

// ---- ChartHeader ----

ChartHeader::ChartHeader(QWidget* parent) : QWidget(parent), title_(new QLabel(this)) {
  setObjectName("chartHeader");
  setFixedHeight(22);
  title_->setObjectName("mainGraphTitleLabel");
  title_->setTextFormat(Qt::PlainText);
  QFont font = title_->font();
  font.setBold(true);
  font.setPixelSize(12);
  title_->setFont(font);
  QPalette palette = title_->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  title_->setPalette(palette);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 0, 2, 0);
  layout->setSpacing(2);
  layout->addWidget(title_);
  layout->addStretch(1);
}

void ChartHeader::addButton(QToolButton* button) { layout()->addWidget(button); }

void ChartHeader::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QLinearGradient shade(0, 0, 0, height());
  shade.setColorAt(0, QColor(64, 66, 72));
  shade.setColorAt(1, QColor(26, 27, 30));
  p.fillRect(rect(), shade);
}

namespace {

void stack(QWidget* owner, ChartHeader* header, PlotWidget* plot) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header);
  layout->addWidget(plot, 1);
  QPalette palette = owner->palette();
  palette.setColor(QPalette::Window, Qt::black);
  owner->setPalette(palette);
  owner->setAutoFillBackground(true);
  // Until the first graph, the header stays hidden (the chart shows nothing yet).
  header->hide();
}

}  // namespace

// ---- ChartPane ----

ChartPane::ChartPane(ChartSession& session, QWidget* parent)
    : QWidget(parent),
      header_(new ChartHeader(this)),
      plot_(new PlotWidget(this)),
      controller_(std::make_unique<ChartController>(session)) {
  setObjectName("chartPane");
  stack(this, header_, plot_);
  controller_->setHeaderView(this);
  controller_->setGraph(&plot_->graph());
}

ChartPane::~ChartPane() {
  // The controller draws into the plot; it goes first.
  controller_.reset();
}

void ChartPane::HideLabelandHeader(bool hide, const std::string& title) {
  header_->titleLabel()->setText(QString::fromStdString(title));
  header_->setVisible(!hide);
}

// ---- MainWindowChartView ----

MainWindowChartView::MainWindowChartView(ChartViewController& controller, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      header_(new ChartHeader(this)),
      plot_(new PlotWidget(this)),
      typeButton_(new QToolButton(header_)),
      intervalButton_(new QToolButton(header_)),
      typeMenu_(new QMenu(this)),
      intervalMenu_(new QMenu(this)) {
  setObjectName("mainWindowChart");
  stack(this, header_, plot_);
  typeButton_->setObjectName("chartTypeButton");
  intervalButton_->setObjectName("chartIntervalButton");
  typeMenu_->setObjectName("chartTypeMenu");
  intervalMenu_->setObjectName("chartIntervalMenu");
  for (QToolButton* button : {typeButton_, intervalButton_}) {
    button->setAutoRaise(true);
    button->setFixedHeight(20);
    header_->addButton(button);
  }
  typeButton_->setIconSize(QSize(22, 18));
  intervalButton_->setStyleSheet("QToolButton { color: white; font-weight: bold; padding: 0 4px; }");
  static constexpr const char* kTypes[3] = {"Line", "OHLC", "Candles"};
  for (int tag = 0; tag < 3; ++tag) {
    QAction* action = typeMenu_->addAction(chartTypeIcon(*ChartViewController::chartTypeImage(tag)), kTypes[tag]);
    action->setData(tag);
  }
  for (int tag = 0; tag < 7; ++tag)
    intervalMenu_->addAction(QString::fromStdString(*ChartViewController::intervalButtonTitle(tag)))->setData(tag);
  connect(typeButton_, &QToolButton::clicked, this, [this] { typeMenu_->popup(QCursor::pos()); });
  connect(intervalButton_, &QToolButton::clicked, this, [this] { intervalMenu_->popup(QCursor::pos()); });
  connect(typeMenu_, &QMenu::triggered, this,
          [this](QAction* action) { controller_.ChartTypePopUpButtonClicked(action->data().toInt()); });
  connect(intervalMenu_, &QMenu::triggered, this,
          [this](QAction* action) { controller_.IntervalPopUpButtonClicked(action->data().toInt()); });

  controller_.setView(this);
  controller_.engine().setGraph(&plot_->graph());
  controller_.awakeFromNib();
}

MainWindowChartView::~MainWindowChartView() {
  controller_.engine().setGraph(nullptr);
  controller_.setView(nullptr);
}

void MainWindowChartView::HideLabelandHeader(bool hide, const std::string& title) {
  header_->titleLabel()->setText(QString::fromStdString(title));
  header_->setVisible(!hide);
}

void MainWindowChartView::setChartTypeImage(const std::string& imageName) {
  typeImage_ = imageName;
  typeButton_->setIcon(chartTypeIcon(imageName));
  typeButton_->setToolTip(QString::fromStdString(imageName));
}

void MainWindowChartView::setIntervalTitle(const std::optional<std::string>& title) {
  if (title) intervalButton_->setText(QString::fromStdString(*title));
}

}  // namespace td::charts
