#pragma once
// The text of a PDF file as poppler's pdftotext reads it (with -layout: lines as laid out).

#include <QProcess>
#include <QString>

namespace td::test {

inline QString pdfText(const QString& path, bool layout = true) {
  QProcess process;
  QStringList arguments;
  if (layout) arguments << QStringLiteral("-layout");
  arguments << path << QStringLiteral("-");
  process.start(QStringLiteral("pdftotext"), arguments);
  process.waitForFinished(20000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace td::test
