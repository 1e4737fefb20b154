#pragma once
// A table header whose chosen section the user can edit in place, as a number: the multi-account
// table of the ticket takes a quantity typed into its "Quantity" header for every row.
//
// NBETableHeaderCell holds the text rule (plain, tested headless); NBETableHeaderView is the Qt
// header that opens a line edit over the section, keeps its text numeric while it is typed, draws a
// focus ring around the section while it is edited, and when the edit ends (Return, Enter, Escape
// or the focus leaving) posts "TableHeaderEditNotification" once through the application's
// notification centre, its object the text (std::string, UTF-8).

#include <QHeaderView>
#include <QPointer>
#include <QString>

class QLineEdit;

namespace td {

class NBETableHeaderCell {
 public:
  static constexpr const char* kEditNotification = "TableHeaderEditNotification";

  // The text after a change: everything but "1234567890." removed; a point typed at the end of a
  // text that already holds one is dropped as well.
  static QString filterText(const QString& text);
};

class NBETableHeaderView : public QHeaderView {
  Q_OBJECT
 public:
  explicit NBETableHeaderView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  // The section a double click edits (-1: none, the default).
  void setEditableSection(int logicalIndex) {
    editableSection_ = logicalIndex;
    updateGeometry();
  }
  int editableSection() const { return editableSection_; }

  // Opens the line edit over the section, holding its title selected. Does nothing while another
  // edit is open or for a section that does not exist.
  void editSection(int logicalIndex);
  bool isEditing() const { return editor_ != nullptr; }
  int editedSection() const { return editedSection_; }
  QLineEdit* editor() const { return editor_; }
  // Tall enough for the line edit when a section is editable.
  QSize sizeHint() const override;

 signals:
  // After the notification: the section and its final text.
  void sectionEditEnded(int logicalIndex, const QString& text);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void updateGeometries() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QRect sectionRect(int logicalIndex) const;
  void placeEditor();
  void filterEditorText(const QString& text);
  void endEditing();

  int editableSection_ = -1;
  int editedSection_ = -1;
  QPointer<QLineEdit> editor_;
};

}  // namespace td
