#pragma once
// What the number fields admit, decided before a change is made (so a keystroke or a paste is
// refused whole rather than corrected afterwards). Two rules:
//  - decimal (quantities, prices, phone and postal code of the demo form): only "1234567890." and
//    at most one point in the text that the change would leave;
//  - whole number (ports, deviations, indicator periods): only "1234567890" and at most five
//    characters in the text that the change would leave.
// A deletion (an empty replacement) is always admitted, also when the field holds a longer or
// otherwise unusual text that the program put there.
//
// Plain functions over Qt Core texts; the widgets that apply them are in NumericFields.h.

#include <QString>

namespace td {

// The change a field is about to make: `length` characters from `start` replaced by `replacement`.
struct TextChange {
  qsizetype start = 0;
  qsizetype length = 0;
  QString replacement;

  bool operator==(const TextChange&) const = default;
};

enum class NumericFilterKind { Decimal, WholeNumber };

class NumericFilter {
 public:
  static constexpr qsizetype kWholeNumberMaxLength = 5;

  static bool admitsDecimal(const QString& current, const TextChange& change);
  static bool admitsWholeNumber(const QString& current, const TextChange& change);
  static bool admits(NumericFilterKind kind, const QString& current, const TextChange& change);

  // The smallest change that turns `before` into `after`: their common beginning and their common
  // end (not overlapping the beginning) are left out.
  static TextChange changeBetween(const QString& before, const QString& after);
  // `current` with the change applied; a range outside the text is clamped to it.
  static QString applied(const QString& current, const TextChange& change);
};

}  // namespace td
