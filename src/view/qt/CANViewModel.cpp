#include "view/qt/CANViewModel.h"

#include <QLocale>

namespace tarvo {

CANViewModel::CANViewModel(const TCANViewState& state, const TDisplaySettings& settings, QObject* parent)
    : QAbstractTableModel(parent),
      state_(state),
      settings_(settings),
      columns_(ConfigureCANViewColumns(settings)),
      decimalSeparator_(QString(QLocale::system().decimalPoint()).toStdString()) {}

int CANViewModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : itemCount_; }

int CANViewModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_.Count; }

QVariant CANViewModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole) return {};
  const int row = index.row();
  const int column = index.column();
  if (row < 0 || row >= itemCount_ || column < 0 || column >= columns_.Count) return {};
  if (row >= state_.CANView.Count) return {};
  const TCANViewMessage& entry = state_.CANView.List[size_t(row)];
  if (role == Qt::ToolTipRole) {
    if (!rowToolTip_) return {};
    const QString tip = rowToolTip_(entry);
    return tip.isEmpty() ? QVariant() : QVariant(tip);
  }
  const TCANViewColumn kind = columns_.Column[size_t(column)];
  if (role == Qt::DecorationRole) {
    if (kind != COLUMN_TYPE || entry.ItemType < 0 || entry.ItemType >= icons_.size()) return {};
    return icons_[entry.ItemType];
  }
  if (kind == COLUMN_NAME) return rowName_ ? QVariant(rowName_(entry)) : QVariant();
  // Built per cell, so the numeric base in force is always the one shown.
  const TCANViewTextFormat format{settings_.NumericBase != NUMERIC_DECIMAL, decimalSeparator_};
  char text[CANViewCellCapacity];
  const size_t length = FormatCANViewCell(entry, kind, format, text);
  if (length == 0) return {};
  return QString::fromUtf8(text, qsizetype(length));
}

QVariant CANViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= columns_.Count) return {};
  return QString::fromLatin1(CANViewColumnTitle(columns_.Column[size_t(section)]));
}

void CANViewModel::SetIcons(const QList<QIcon>& icons) {
  icons_ = icons;
  if (itemCount_ > 0) emit dataChanged(index(0, 0), index(itemCount_ - 1, 0), {Qt::DecorationRole});
}

void CANViewModel::SetDecimalSeparator(const QString& separator) {
  decimalSeparator_ = separator.toStdString();
  Repaint();
}

void CANViewModel::ConfigureColumns() {
  beginResetModel();
  columns_ = ConfigureCANViewColumns(settings_);
  endResetModel();
}

void CANViewModel::SetItemCount(int32_t count) {
  if (count < 0) count = 0;
  const int32_t old = itemCount_;
  if (count > old) {
    beginInsertRows(QModelIndex(), old, count - 1);
    itemCount_ = count;
    endInsertRows();
  } else if (count < old) {
    beginRemoveRows(QModelIndex(), count, old - 1);
    itemCount_ = count;
    endRemoveRows();
  }
  RowsChanged(0, std::min(old, count) - 1);
}

void CANViewModel::Repaint() { RowsChanged(0, itemCount_ - 1); }

void CANViewModel::ApplyRefresh(const TCANViewRefresh& refresh) {
  if (refresh.ItemCountChanged) SetItemCount(refresh.ItemCount);
  else if (refresh.RepaintAll) Repaint();
}

void CANViewModel::RowsChanged(int first, int last) {
  if (first > last || columns_.Count == 0) return;
  emit dataChanged(index(first, 0), index(last, columns_.Count - 1));
}

}  // namespace tarvo
