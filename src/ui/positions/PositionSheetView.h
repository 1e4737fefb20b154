#pragma once
// What a sheet controller tells its window: redraw from my state, or end the sheet.

namespace td {

class PositionSheetView {
 public:
  virtual ~PositionSheetView() = default;
  virtual void refresh() = 0;
  virtual void endSheet() = 0;
};

}  // namespace td
