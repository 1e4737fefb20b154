#include "ui/controls/NumericFilter.h"

#include <algorithm>

namespace td {
namespace {

bool onlyDigits(const QString& text, bool pointToo) {
  return std::all_of(text.begin(), text.end(), [pointToo](QChar c) {
    return (c >= u'0' && c <= u'9') || (pointToo && c == u'.');
  });
}

}  // namespace

QString NumericFilter::applied(const QString& current, const TextChange& change) {
  const qsizetype start = std::clamp<qsizetype>(change.start, 0, current.size());
  const qsizetype length = std::clamp<qsizetype>(change.length, 0, current.size() - start);
  QString result = current;
  result.replace(start, length, change.replacement);
  return result;
}

bool NumericFilter::admitsDecimal(const QString& current, const TextChange& change) {
  if (change.replacement.isEmpty()) return true;
  if (!onlyDigits(change.replacement, true)) return false;
  return applied(current, change).count(u'.') <= 1;
}

bool NumericFilter::admitsWholeNumber(const QString& current, const TextChange& change) {
  if (change.replacement.isEmpty()) return true;
  if (!onlyDigits(change.replacement, false)) return false;
  return applied(current, change).size() <= kWholeNumberMaxLength;
}

bool NumericFilter::admits(NumericFilterKind kind, const QString& current, const TextChange& change) {
  return kind == NumericFilterKind::Decimal ? admitsDecimal(current, change) : admitsWholeNumber(current, change);
}

TextChange NumericFilter::changeBetween(const QString& before, const QString& after) {
  const qsizetype shorter = std::min(before.size(), after.size());
  qsizetype prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  qsizetype suffix = 0;
  while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) ++suffix;
  return TextChange{prefix, before.size() - prefix - suffix, after.mid(prefix, after.size() - prefix - suffix)};
}

}  // namespace td
