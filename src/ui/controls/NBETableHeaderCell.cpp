#include "ui/controls/NBETableHeaderCell.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <string>

#include "platform/AppContext.h"
#include "platform/NotificationCenter.h"

namespace td {
namespace {

QString keepNumeric(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    if ((c >= u'0' && c <= u'9') || c == u'.') out.append(c);
  }
  return out;
}

constexpr int kEditorInset = 3;   // room for the focus ring around the line edit
constexpr int kFocusRingWidth = 2;

}  // namespace

QString NBETableHeaderCell::filterText(const QString& text) {
  if (text.isEmpty()) return text;
  const QString head = text.left(text.size() - 1);
  // A second point typed at the end is dropped; what stays is filtered like any other text.
  if (text.back() == u'.' && head.contains(u'.')) return keepNumeric(head);
  return keepNumeric(text);
}

NBETableHeaderView::NBETableHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
  connect(this, &QHeaderView::sectionResized, this, [this] { placeEditor(); });
}

QRect NBETableHeaderView::sectionRect(int logicalIndex) const {
  const int position = sectionViewportPosition(logicalIndex);
  const int size = sectionSize(logicalIndex);
  if (orientation() == Qt::Horizontal) return QRect(position, 0, size, viewport()->height());
  return QRect(0, position, viewport()->width(), size);
}

void NBETableHeaderView::editSection(int logicalIndex) {
  if (editor_ || logicalIndex < 0 || logicalIndex >= count() || isSectionHidden(logicalIndex)) return;
  editedSection_ = logicalIndex;
  editor_ = new QLineEdit(viewport());
  editor_->setObjectName("headerEditor");
  editor_->setFrame(false);
  editor_->setAlignment(Qt::AlignCenter);
  editor_->setText(model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString() : QString());
  editor_->selectAll();
  editor_->installEventFilter(this);
  connect(editor_, &QLineEdit::textEdited, this, &NBETableHeaderView::filterEditorText);
  connect(editor_, &QLineEdit::editingFinished, this, &NBETableHeaderView::endEditing);
  placeEditor();
  editor_->show();
  editor_->setFocus(Qt::OtherFocusReason);
  viewport()->update();
}

void NBETableHeaderView::placeEditor() {
  if (!editor_) return;
  editor_->setGeometry(sectionRect(editedSection_).adjusted(kEditorInset, kEditorInset, -kEditorInset, -kEditorInset));
}

QSize NBETableHeaderView::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  if (editableSection_ < 0 || orientation() != Qt::Horizontal) return size;
  // Room for the line edit inside the focus ring.
  QLineEdit probe;
  probe.setFrame(false);
  size.setHeight(std::max(size.height(), probe.sizeHint().height() + 2 * kEditorInset));
  return size;
}

void NBETableHeaderView::updateGeometries() {
  QHeaderView::updateGeometries();
  placeEditor();
}

void NBETableHeaderView::filterEditorText(const QString& text) {
  const QString filtered = NBETableHeaderCell::filterText(text);
  if (filtered == text) return;
  const int removed = static_cast<int>(text.size() - filtered.size());
  const int cursor = std::max(0, editor_->cursorPosition() - removed);
  editor_->setText(filtered);
  editor_->setCursorPosition(std::min(cursor, static_cast<int>(filtered.size())));
}

bool NBETableHeaderView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    endEditing();
    return true;
  }
  return QHeaderView::eventFilter(watched, event);
}

void NBETableHeaderView::endEditing() {
  // editingFinished comes for Return and again for the focus leaving: only the first one counts.
  if (!editor_) return;
  QLineEdit* editor = editor_;
  editor_ = nullptr;
  const int section = editedSection_;
  editedSection_ = -1;
  const QString text = editor->text();
  editor->removeEventFilter(this);
  editor->disconnect(this);
  editor->hide();
  editor->deleteLater();
  if (model()) model()->setHeaderData(section, orientation(), text, Qt::DisplayRole);
  viewport()->update();
  AppContext::current()->notificationCenter()->post(NBETableHeaderCell::kEditNotification, text.toStdString());
  emit sectionEditEnded(section, text);
}

void NBETableHeaderView::mouseDoubleClickEvent(QMouseEvent* event) {
  const int section = logicalIndexAt(event->position().toPoint());
  if (section >= 0 && section == editableSection_) {
    editSection(section);
    return;
  }
  QHeaderView::mouseDoubleClickEvent(event);
}

void NBETableHeaderView::paintEvent(QPaintEvent* event) {
  QHeaderView::paintEvent(event);
  if (!editor_) return;
  // The focus ring around the edited section, over the section's own drawing.
  QPainter painter(viewport());
  QPen ring(palette().color(QPalette::Active, QPalette::Highlight), kFocusRingWidth);
  ring.setJoinStyle(Qt::MiterJoin);
  painter.setPen(ring);
  painter.setBrush(Qt::NoBrush);
  const int half = kFocusRingWidth / 2;
  painter.drawRect(sectionRect(editedSection_).adjusted(half, half, -half, -half));
}

}  // namespace td
