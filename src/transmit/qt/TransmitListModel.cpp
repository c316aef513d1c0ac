#include "transmit/qt/TransmitListModel.h"

namespace tarvo {

TransmitListModel::TransmitListModel(const TCANTransmit& list, TTransmitEditor& editor, TransmitHost& host,
                                     QObject* parent)
    : QAbstractTableModel(parent), list_(list), editor_(editor), host_(host), rows_(list.Count) {}

int TransmitListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TransmitListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : TX_COLUMN_COUNT;
}

QVariant TransmitListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count) return {};
  const TCANTransmitMessage& item = list_.List[index.row()];
  if (role == Qt::CheckStateRole && index.column() == TX_COLUMN_TX)
    return item.EnabledFlag ? Qt::Checked : Qt::Unchecked;
  if (role == Qt::DisplayRole && index.column() != TX_COLUMN_TX)
    return QString::fromStdString(TransmitCellText(item, index.column(), host_.HexMode()));
  return {};
}

QVariant TransmitListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return QString(TransmitColumnCaption(section));
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TransmitListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == TX_COLUMN_TX) f |= Qt::ItemIsUserCheckable;
  return f;
}

// Only a click on the check box gets here; the editor toggles the item
// (and, while running, reloads or stops its repetition buffer).
bool TransmitListModel::setData(const QModelIndex& index, const QVariant&, int role) {
  if (role != Qt::CheckStateRole || index.column() != TX_COLUMN_TX || index.row() >= list_.Count) return false;
  editor_.ToggleItem(index.row());
  return true;
}

void TransmitListModel::Sync() {
  if (rows_ != list_.Count) {
    beginResetModel();
    rows_ = list_.Count;
    endResetModel();
  } else if (rows_ > 0) {
    emit dataChanged(index(0, 0), index(rows_ - 1, TX_COLUMN_COUNT - 1));
  }
}

}  // namespace tarvo
