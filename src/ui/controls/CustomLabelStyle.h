#pragma once
// The text of the ticket's large price labels: centred, in the label's font, with the last two
// characters 20 points larger so that the last two digits of a price stand out.
//
// The result is rich text for a QLabel with Qt::RichText (the text itself is escaped, so no markup
// in it is interpreted). A text of fewer than two characters comes back centred without the
// enlargement; the enlarged range never reaches outside the text, and never splits a character
// written as two UTF-16 units.

#include <QFont>
#include <QString>
#include <optional>

class QWidget;

namespace td {

class CustomLabelStyle {
 public:
  static constexpr double kEnlargement = 20.0;  // points (pixels for a font sized in pixels)

  // Nothing when the control is missing.
  static std::optional<QString> createTextStyle(const QWidget* control, const QString& text);
  static QString createTextStyle(const QFont& font, const QString& text);

  // Where the enlarged part begins: two characters before the end, or -1 for fewer than two.
  static qsizetype enlargedStart(const QString& text);
};

}  // namespace td
