#include "ui/watchlist/QuoteBoardModel.h"

#include <QMimeData>

namespace td {

Qt::ItemFlags QuoteBoardModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList QuoteBoardModel::mimeTypes() const { return {QStringLiteral("text/plain")}; }

QMimeData* QuoteBoardModel::mimeData(const QModelIndexList& indexes) const {
  int first = -1;
  for (const QModelIndex& index : indexes) {
    if (index.isValid() && (first < 0 || index.row() < first)) first = index.row();
  }
  const auto code = codeAt(first);
  if (!code) return nullptr;
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(*code));
  return data;
}

}  // namespace td
