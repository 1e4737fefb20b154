#pragma once
// The styled pieces of a print-out's text, appended at a cursor: a run of text in a colour, on a
// background, underlined or not, in the system font at a size; line breaks; an image.
//
// A paragraph takes its alignment from the piece that begins it; a line break starts a paragraph
// without any (left-aligned, the document's default font).

#include <QColor>
#include <QString>
#include <Qt>

class QImage;
class QTextCursor;

namespace td {

struct PrintTextStyle {
  QColor foreground{Qt::black};
  QColor background;  // invalid: none
  bool underline = false;
  double points = 12;
  Qt::Alignment alignment = Qt::AlignLeft;
};

class PrintText {
 public:
  // `getAttributedTitleForString:...`: the text (its "\n" start new paragraphs) in the style.
  static void append(QTextCursor& cursor, const QString& text, const PrintTextStyle& style);
  // `createNewLine:`: `count` line breaks.
  static void newLines(QTextCursor& cursor, int count);
  // `getImageAttributeString:`: the image, at its size on screen (scaled to the printer's
  // resolution when printed).
  static void image(QTextCursor& cursor, const QImage& image, const QString& name);
};

}  // namespace td
