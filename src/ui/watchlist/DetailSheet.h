#pragma once
// The details sheet's widgets: DetailView (the title line over the two-column table, also the
// symbol manager's details view) and DetailSheet (the sheet on the main window with Print and
// Close). Both bind to a DetailWindowController and decide nothing themselves.

#include <QDialog>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;

namespace td {

class DetailWindowController;

class DetailView final : public QWidget {
  Q_OBJECT
 public:
  DetailView(DetailWindowController& controller, QWidget* parent = nullptr);
  QTableView* table() const { return table_; }
  QLabel* titleField() const { return title_; }

 private:
  DetailWindowController& controller_;
  QLabel* title_;
  QTableView* table_;
};

class DetailSheet final : public QDialog {
  Q_OBJECT
 public:
  DetailSheet(DetailWindowController& controller, QWidget* parent);
  DetailView* view() const { return view_; }
  QPushButton* printButton() const { return print_; }
  // Shows the sheet over its window (window-modal) and brings it to the front.
  void present();
  // `print:`: the print panel, then the receipt to a printer or a PDF file.
  void print();

 protected:
  void done(int result) override;

 private:
  DetailWindowController& controller_;
  DetailView* view_;
  QPushButton* print_;
};

}  // namespace td
