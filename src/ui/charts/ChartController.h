#pragma once
// The chart engine of the chart window and of the order ticket's chart pane: eight major y
// intervals after a change of the visible bars, live bars held back while an indicator holds the
// analysis flag, and the twenty indicators (ChartIndicators).

#include "ui/charts/ChartEngine.h"
#include "ui/charts/ChartIndicators.h"

namespace td::charts {

class ChartController : public ChartEngine {
 public:
  explicit ChartController(ChartSession& session) : ChartEngine(session, Options{}), indicators_(*this) {
    setIndicatorLayer(&indicators_);
  }
  ~ChartController() override { setIndicatorLayer(nullptr); }

  ChartIndicators& indicators() { return indicators_; }

 private:
  ChartIndicators indicators_;
};

}  // namespace td::charts
