#pragma once
// The symbol manager's sheet: the type outline, the search field, the symbol table with Add and
// Remove, the details view of the selected symbol and Close. It binds to an
// AddRemoveWindowController (and the details view to its own DetailWindowController).

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableView;
class QTreeWidget;

namespace td {

class AddRemoveWindowController;
class DetailView;
class DetailWindowController;

class SymbolManagerSheet final : public QDialog {
  Q_OBJECT
 public:
  SymbolManagerSheet(AddRemoveWindowController& controller, DetailWindowController& details, QWidget* parent);

  // `showWindow` and the sheet shown over its window.
  void present();

  QTreeWidget* outline() const { return outline_; }
  QTableView* symbolTable() const { return table_; }
  QLineEdit* searchField() const { return search_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* removeButton() const { return remove_; }
  DetailView* detailView() const { return details_; }

 private:
  void fillOutline();
  std::vector<int> selectedRows() const;

  AddRemoveWindowController& controller_;
  QTreeWidget* outline_;
  QLineEdit* search_;
  QTableView* table_;
  QPushButton* add_;
  QPushButton* remove_;
  DetailView* details_;
};

}  // namespace td
