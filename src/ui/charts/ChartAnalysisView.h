#pragma once
// The indicator settings panel: one row per indicator with its check box, its period fields (whole
// numbers of at most five digits) and its colour buttons, and a line that says why a switch-on was
// refused. It binds to ChartAnalysisViewController.

#include <QWidget>
#include <map>
#include <string>

#include "ui/charts/ChartAnalysisViewController.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace td::charts {

class ChartAnalysisPanel : public QWidget, public ChartAnalysisView {
  Q_OBJECT
 public:
  ChartAnalysisPanel(ChartAnalysisViewController& controller, QWidget* parent = nullptr);
  ~ChartAnalysisPanel() override;

  QCheckBox* checkBox(Indicator indicator) const;
  QLineEdit* field(Indicator indicator, const std::string& key) const;
  QToolButton* colourButton(Indicator indicator, const std::string& key) const;
  QLabel* refusalLabel() const { return refusal_; }

  void setCheckBox(Indicator indicator, bool on) override;
  void showRefusal(const std::string& text) override;

 private:
  void addColourButton(Indicator indicator, const std::string& key, QWidget* row);

  ChartAnalysisViewController& controller_;
  std::map<Indicator, QCheckBox*> checkBoxes_;
  std::map<std::pair<Indicator, std::string>, QLineEdit*> fields_;
  std::map<std::pair<Indicator, std::string>, QToolButton*> colourButtons_;
  QLabel* refusal_;
};

}  // namespace td::charts
