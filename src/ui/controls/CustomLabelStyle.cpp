#include "ui/controls/CustomLabelStyle.h"

#include <QWidget>

namespace td {
namespace {

QString sizeStyle(const QFont& font, double extra) {
  if (font.pointSizeF() > 0) return QStringLiteral("font-size:%1pt;").arg(font.pointSizeF() + extra);
  return QStringLiteral("font-size:%1px;").arg(font.pixelSize() + extra);
}

QString familyStyle(const QFont& font) {
  QString family = font.family();
  family.remove(u'\'').remove(u'"').remove(u';').remove(u'<').remove(u'>');
  return QStringLiteral("font-family:'%1';").arg(family);
}

}  // namespace

qsizetype CustomLabelStyle::enlargedStart(const QString& text) {
  qsizetype at = text.size();
  for (int characters = 0; characters < 2; ++characters) {
    if (at == 0) return -1;
    --at;
    if (at > 0 && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate()) --at;
  }
  return at;
}

QString CustomLabelStyle::createTextStyle(const QFont& font, const QString& text) {
  const QString base = familyStyle(font) + sizeStyle(font, 0.0);
  const qsizetype start = enlargedStart(text);
  QString body;
  if (start < 0) {
    body = text.toHtmlEscaped();
  } else {
    body = text.left(start).toHtmlEscaped() + QStringLiteral("<span style=\"%1\">%2</span>")
                                                  .arg(sizeStyle(font, kEnlargement), text.mid(start).toHtmlEscaped());
  }
  return QStringLiteral("<p align=\"center\" style=\"margin:0; white-space:pre; %1\">%2</p>").arg(base, body);
}

std::optional<QString> CustomLabelStyle::createTextStyle(const QWidget* control, const QString& text) {
  if (!control) return std::nullopt;
  return createTextStyle(control->font(), text);
}

}  // namespace td
