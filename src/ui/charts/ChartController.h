#pragma once
// The chart engine of the chart window and of the order ticket's chart pane: eight major y
// intervals after a change of the visible bars, and live bars held back while an indicator holds
// the analysis flag.

#include "ui/charts/ChartEngine.h"

namespace td::charts {

class ChartController : public ChartEngine {
 public:
  explicit ChartController(ChartSession& session) : ChartEngine(session, Options{}) {}
};

}  // namespace td::charts
