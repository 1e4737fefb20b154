#include "ui/charts/PlotLayer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace td::charts {

void PlotSpace::setXRange(PlotRange range) {
  x_ = range;
  changed();
}

void PlotSpace::setYRange(PlotRange range) {
  y_ = range;
  changed();
}

void PlotSpace::change(Coordinate coordinate, PlotRange proposed) {
  const PlotRange applied = delegate_ ? delegate_->willChangePlotRangeTo(*this, proposed, coordinate) : proposed;
  (coordinate == Coordinate::X ? x_ : y_) = applied;
  changed();
  if (delegate_) delegate_->didChangePlotRange(*this, coordinate);
}

bool PlotSpace::displaceBy(Displacement proposed) {
  if (!interactive_) return false;
  const Displacement d = delegate_ ? delegate_->willDisplaceBy(*this, proposed) : proposed;
  const bool moveX = d.dx != 0 && std::isfinite(d.dx);
  const bool moveY = d.dy != 0 && std::isfinite(d.dy);
  if (moveX) change(Coordinate::X, {x_.location + d.dx, x_.length});
  if (moveY) change(Coordinate::Y, {y_.location + d.dy, y_.length});
  return moveX || moveY;
}

bool PlotSpace::scaleBy(double factor, double aboutX) {
  if (!interactive_ || !(factor > 0) || !std::isfinite(factor) || !std::isfinite(aboutX)) return false;
  if (delegate_ && !delegate_->shouldScaleBy(*this, factor, aboutX)) return false;
  const PlotRange now = x_;  // as the delegate left it
  change(Coordinate::X, {aboutX - (aboutX - now.location) / factor, now.length / factor});
  return true;
}

std::vector<std::int64_t> tickLocations(const AxisTicks& ticks, double from, double to) {
  std::vector<std::int64_t> out;
  const std::int64_t step = std::max<std::int64_t>(1, ticks.step);
  if (!std::isfinite(from) || !std::isfinite(to) || to < from || ticks.end <= 0) return out;
  const double low = std::max(0.0, from - static_cast<double>(ticks.first));
  std::int64_t at = static_cast<std::int64_t>(std::ceil(low / static_cast<double>(step))) * step;
  for (; at < ticks.end && static_cast<double>(at + ticks.first) <= to; at += step) out.push_back(at + ticks.first);
  return out;
}

bool Graph::hasPlot(std::string_view identifier) const {
  const auto ids = plotIdentifiers();
  return std::find(ids.begin(), ids.end(), identifier) != ids.end();
}

std::vector<std::pair<double, double>> sliceAngles(const std::vector<double>& widths, double start,
                                                   bool counterClockwise) {
  auto usable = [](double w) { return std::isfinite(w) && w > 0 ? w : 0.0; };
  double total = 0;
  for (double w : widths) total += usable(w);
  std::vector<std::pair<double, double>> out;
  out.reserve(widths.size());
  double at = start;
  const double turn = counterClockwise ? 1.0 : -1.0;
  for (double w : widths) {
    const double sweep = total > 0 ? usable(w) / total * 2 * std::numbers::pi * turn : 0.0;
    out.emplace_back(at, sweep);
    at += sweep;
  }
  return out;
}

}  // namespace td::charts
