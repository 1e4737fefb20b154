#pragma once
// The Qt faces of the two quote boards. WatchlistView: the column board's table with its header
// column menu, the "i" cell (instrument details), the double-click (order ticket) and the drag of a
// row's symbol. AdvancedWatchlistView: the expanding board, whose expanded row holds the trading
// panel (AdvancedTableCell). Both bind to their controllers and decide nothing.

#include <QPointer>
#include <QTableView>
#include <QWidget>

#include "ui/controls/DrawingControls.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

namespace td {

class AdvancedWatchlistTableController;
class WatchlistTableController;

class WatchlistView final : public QTableView {
  Q_OBJECT
 public:
  WatchlistView(WatchlistTableController& controller, QWidget* parent = nullptr);
  // The header column menu (one checkable item per column).
  QMenu* headerMenu() const { return headerMenu_; }

 private:
  void applyHidden();

  WatchlistTableController& controller_;
  QMenu* headerMenu_;
};

// The expanded row of the expanding board, on the dark panel background. A click anywhere in it
// stays with the panel and its controls: only a row of the board expands or collapses.
class AdvancedTableCell final : public AMBackground {
  Q_OBJECT
 public:
  AdvancedTableCell(AdvancedWatchlistTableController& controller, QWidget* parent = nullptr);
  void fill();
  QPushButton* buyButton() const { return buy_; }
  QPushButton* sellButton() const { return sell_; }
  QLabel* spreadLabel() const { return spread_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  AdvancedWatchlistTableController& controller_;
  QLabel* symbol_;
  QLabel* bid_;
  QLabel* ask_;
  QLabel* time_;
  QLabel* low_;
  QLabel* high_;
  QLabel* spread_;
  QLabel* sellPrice_;
  QLabel* buyPrice_;
  QComboBox* quantity_;
  QPushButton* buy_;
  QPushButton* sell_;
};

class AdvancedWatchlistView final : public QTableView {
  Q_OBJECT
 public:
  AdvancedWatchlistView(AdvancedWatchlistTableController& controller, QWidget* parent = nullptr);
  AdvancedTableCell* panel() const { return panel_; }

 private:
  void expand(int previousRow, int row);

  AdvancedWatchlistTableController& controller_;
  QPointer<AdvancedTableCell> panel_;  // owned by the view as the expanded row's widget
};

}  // namespace td
