// The chart window on screen (offscreen): the indicator popover's check boxes reach the engine and
// the lower pane shows the indicator's graph.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include "ChartTestSupport.h"
#include "QtTestApp.h"
#include "ui/charts/ChartWindow.h"
#include "ui/charts/PlotIdentifiers.h"

namespace td::charts {
namespace {

TEST(ChartWindow, TheIndicatorPopoverSwitchesALowerGraphOnAndOff) {
  test::qtTestApp();
  test::FakeChartSession session;
  session.addItem("EURUSD", 5, 1.08)->InstrumentTypeName = "Forex";
  session.symbols = {"EURUSD"};
  ChartWindow window(session);
  window.show();
  session.reply("EURUSD^O", test::historyReply("EURUSD^O", 200, 1.08, 0.0002, 5));
  EXPECT_EQ(window.windowTitle(), "EURUSD, M1");
  EXPECT_EQ(window.popUp(ChartWindowView::PopUp::ChartType)->currentText(), "Candle Chart");
  EXPECT_TRUE(window.indicatorPane()->isHidden());

  QTest::mouseClick(window.analysisButton(), Qt::LeftButton);
  ASSERT_NE(window.analysisPopover(), nullptr);
  EXPECT_TRUE(window.analysisPopover()->isVisible());
  QCheckBox* macd = window.analysisPanel()->checkBox(Indicator::MACD);
  EXPECT_EQ(macd->objectName(), "macdCheckBox");
  macd->click();
  EXPECT_FALSE(window.indicatorPane()->isHidden());
  EXPECT_NE(window.indicatorPlot()->plottable(MACD_LINE_PLOT), nullptr);
  EXPECT_EQ(window.indicatorGraphTitleLabel()->text(), "MACD (12, 26, 9)");
  window.analysisPanel()->checkBox(Indicator::SMA)->click();
  EXPECT_NE(window.chartPane()->plot()->plottable(SMA_PLOT), nullptr);
  macd->click();
  EXPECT_TRUE(window.indicatorPane()->isHidden());
  EXPECT_FALSE(window.chartPane()->controller().isChartAnalysisEnabled());
}

}  // namespace
}  // namespace td::charts
