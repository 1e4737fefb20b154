#include "ui/printing/PrintText.h"

#include <QFontDatabase>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace td {

void PrintText::append(QTextCursor& cursor, const QString& text, const PrintTextStyle& style) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSizeF(style.points);
  QTextCharFormat format;
  format.setFont(font);
  format.setForeground(style.foreground);
  if (style.background.isValid()) format.setBackground(style.background);
  format.setFontUnderline(style.underline);
  const QStringList paragraphs = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < paragraphs.size(); ++i) {
    if (i > 0) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    if (paragraphs[i].isEmpty()) continue;
    if (cursor.atBlockStart()) {
      QTextBlockFormat block = cursor.blockFormat();
      block.setAlignment(style.alignment);
      cursor.setBlockFormat(block);
    }
    cursor.insertText(paragraphs[i], format);
  }
}

void PrintText::newLines(QTextCursor& cursor, int count) {
  for (int i = 0; i < count; ++i) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

void PrintText::image(QTextCursor& cursor, const QImage& image, const QString& name) {
  if (image.isNull()) return;
  cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
  QTextImageFormat format;
  format.setName(name);
  format.setWidth(image.width());
  format.setHeight(image.height());
  cursor.insertImage(format);
}

}  // namespace td
