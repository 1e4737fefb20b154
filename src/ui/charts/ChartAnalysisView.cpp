#include "ui/charts/ChartAnalysisView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/controls/NumericFields.h"

namespace td::charts {
namespace {

QColor qcolour(const Rgb& c) { return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a)); }

QIcon swatch(const Rgb& colour) {
  QPixmap pixmap(28, 14);
  pixmap.fill(qcolour(colour));
  QPainter p(&pixmap);
  p.setPen(QColor(90, 90, 90));
  p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
  return QIcon(pixmap);
}

// The check boxes' object names, in the order of the indicators.
constexpr const char* kCheckBoxNames[kIndicatorCount] = {
    "smaCheckBox",         "emaCheckBox",         "bbCheckBox",
    "macdCheckBox",        "rocCheckBox",         "stdDevCheckBox",
    "cciCheckBox",         "rsiCheckBox",         "stochosticOscillatorCheckBox",
    "deMarkerCheckBox",    "momentumCheckBox",    "williamsCheckBox",
    "bearspowerCheckBox",  "bullspowerCheckBox",  "rviCheckBox",
    "trixCheckBox",        "atrCheckBox",         "awesomeOscillatorCheckBox",
    "acceleratorOscillatorCheckBox", "alligatorCheckBox"};

const char* fieldCaption(std::string_view key) {
  if (key == DEVIATION_KEY) return "Deviation";
  if (key == FAST_PERIOD_KEY) return "Fast";
  if (key == SLOW_PERIOD_KEY) return "Slow";
  if (key == SIGNAL_PERIOD_KEY) return "Signal";
  if (key == K_PERIOD_KEY) return "%K";
  if (key == D_PERIOD_KEY) return "%D";
  if (key == SLOWING_KEY) return "Slowing";
  if (key == JAWS_PERIOD_KEY || key == JAWS_LINE_COLOR_KEY) return "Jaws";
  if (key == TEETH_PERIOD_KEY || key == TEETH_LINE_COLOR_KEY) return "Teeth";
  if (key == LIPS_PERIOD_KEY || key == LIPS_LINE_COLOR_KEY) return "Lips";
  return "Period";
}

// The colours a colour button offers.
const std::vector<Rgb>& colourChoices() {
  static const std::vector<Rgb> kPalette{
      Rgb::of255(255, 215, 0),   Rgb::of255(255, 140, 0),  Rgb::of255(220, 20, 60),  Rgb::of255(255, 105, 180),
      Rgb::of255(186, 85, 211),  Rgb::of255(30, 144, 255), Rgb::of255(135, 206, 250), Rgb::of255(0, 206, 209),
      Rgb::of255(50, 205, 50),   Rgb::of255(173, 255, 47),  Rgb::of255(255, 255, 255), Rgb::of255(169, 169, 169)};
  return kPalette;
}

}  // namespace

ChartAnalysisPanel::ChartAnalysisPanel(ChartAnalysisViewController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), refusal_(new QLabel(this)) {
  setObjectName("chartAnalysisPanel");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 8, 10, 8);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  int row = 0;
  for (Indicator indicator : allIndicators()) {
    const IndicatorInfo& info = indicatorInfo(indicator);
    auto* box = new QCheckBox(QString::fromLatin1(info.name), this);
    box->setObjectName(kCheckBoxNames[static_cast<std::size_t>(indicator)]);
    connect(box, &QCheckBox::clicked, this, [this, indicator](bool on) { controller_.checkBoxChanged(indicator, on); });
    checkBoxes_[indicator] = box;
    grid->addWidget(box, row, 0);

    auto* controls = new QWidget(this);
    auto* line = new QHBoxLayout(controls);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(4);
    std::vector<const char*> keys = info.periodKeys;
    if (info.deviation) keys.push_back(DEVIATION_KEY);
    for (const char* key : keys) {
      auto* caption = new QLabel(QString::fromLatin1(fieldCaption(key)), controls);
      auto* edit = new CustomTextField(controls);
      edit->setFixedWidth(48);
      edit->setText(QString::fromStdString(controller_.fieldText(indicator, key)));
      connect(edit, &QLineEdit::textEdited, this, [this, indicator, key = std::string(key)](const QString& text) {
        controller_.setFieldText(indicator, key, text.toStdString());
      });
      fields_[{indicator, key}] = edit;
      line->addWidget(caption);
      line->addWidget(edit);
    }
    for (const char* key : info.colourKeys) addColourButton(indicator, key, controls);
    line->addStretch(1);
    grid->addWidget(controls, row, 1);
    ++row;
  }
  refusal_->setObjectName("indicatorRefusal");
  refusal_->setTextFormat(Qt::PlainText);
  refusal_->setWordWrap(true);
  refusal_->setStyleSheet("color: rgb(190, 0, 0);");
  grid->addWidget(refusal_, row, 0, 1, 2);
  controller_.setView(this);
}

ChartAnalysisPanel::~ChartAnalysisPanel() { controller_.setView(nullptr); }

void ChartAnalysisPanel::addColourButton(Indicator indicator, const std::string& key, QWidget* row) {
  auto* button = new QToolButton(row);
  button->setIconSize(QSize(28, 14));
  button->setIcon(swatch(controller_.colour(indicator, key)));
  button->setToolTip(QString::fromLatin1(fieldCaption(key)));
  button->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(button);
  for (const Rgb& colour : colourChoices()) {
    QAction* action = menu->addAction(swatch(colour), QString());
    connect(action, &QAction::triggered, this, [this, indicator, key, colour, button] {
      controller_.setColour(indicator, key, colour);
      button->setIcon(swatch(colour));
    });
  }
  button->setMenu(menu);
  colourButtons_[{indicator, key}] = button;
  row->layout()->addWidget(button);
}

QCheckBox* ChartAnalysisPanel::checkBox(Indicator indicator) const { return checkBoxes_.at(indicator); }

QLineEdit* ChartAnalysisPanel::field(Indicator indicator, const std::string& key) const {
  const auto it = fields_.find({indicator, key});
  return it == fields_.end() ? nullptr : it->second;
}

QToolButton* ChartAnalysisPanel::colourButton(Indicator indicator, const std::string& key) const {
  const auto it = colourButtons_.find({indicator, key});
  return it == colourButtons_.end() ? nullptr : it->second;
}

void ChartAnalysisPanel::setCheckBox(Indicator indicator, bool on) {
  QCheckBox* box = checkBox(indicator);
  const QSignalBlocker quiet(box);
  box->setChecked(on);
}

void ChartAnalysisPanel::showRefusal(const std::string& text) { refusal_->setText(QString::fromStdString(text)); }

}  // namespace td::charts
