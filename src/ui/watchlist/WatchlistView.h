#pragma once
// The Qt faces of the two quote boards. WatchlistView: the column board's table with its header
// column menu, its row menu (order ticket, instrument details), the "i" cell, the double-click and
// the drag of a row's symbol. AdvancedWatchlistView: the expanding board, whose expanded row holds
// the trading panel (AdvancedTableCell). Both bind to their controllers and decide nothing.

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
  // The header column menu (one checkable item per column) and the row menu, as they pop up.
  QMenu* headerMenu() const { return headerMenu_; }
  QMenu* rowMenu(int row);

 private:
  void applyHidden();

  WatchlistTableController& controller_;
  QMenu* headerMenu_;
  QMenu* rowMenu_;
};

// The expanded row of the expanding board, on the dark panel background.
class AdvancedTableCell final : public AMBackground {
  Q_OBJECT
 public:
  AdvancedTableCell(AdvancedWatchlistTableController& controller, QWidget* parent = nullptr);
  void fill();
  QPushButton* buyButton() const { return buy_; }
  QPushButton* sellButton() const { return sell_; }
  QLabel* spreadLabel() const { return spread_; }

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
