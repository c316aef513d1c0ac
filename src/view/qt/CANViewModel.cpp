#include "view/qt/CANViewModel.h"

#include <QLocale>

namespace tarvo {

CANViewModel::CANViewModel(const TCANViewState& state, const TDisplaySettings& settings, QObject* parent)
    : QAbstractTableModel(parent),
      m_state(state),
      m_settings(settings),
      m_columns(ConfigureCANViewColumns(settings)),
      m_decimalSeparator(QString(QLocale::system().decimalPoint()).toStdString()) {}

int CANViewModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_itemCount; }

int CANViewModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns.Count; }

QVariant CANViewModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole) return {};
  const int row = index.row();
  const int column = index.column();
  if (row < 0 || row >= m_itemCount || column < 0 || column >= m_columns.Count) return {};
  if (row >= m_state.CANView.Count) return {};
  const TCANViewMessage& entry = m_state.CANView.List[size_t(row)];
  if (role == Qt::ToolTipRole) {
    if (!m_rowToolTip) return {};
    const QString tip = m_rowToolTip(entry);
    return tip.isEmpty() ? QVariant() : QVariant(tip);
  }
  const TCANViewColumn kind = m_columns.Column[size_t(column)];
  if (role == Qt::DecorationRole) {
    if (kind != COLUMN_TYPE || entry.ItemType < 0 || entry.ItemType >= m_icons.size()) return {};
    return m_icons[entry.ItemType];
  }
  if (kind == COLUMN_NAME) return m_rowName ? QVariant(m_rowName(entry)) : QVariant();
  // Built per cell, so the numeric base in force is always the one shown.
  const TCANViewTextFormat format{m_settings.NumericBase != NUMERIC_DECIMAL, m_decimalSeparator};
  char text[CANViewCellCapacity];
  const size_t length = FormatCANViewCell(entry, kind, format, text);
  if (length == 0) return {};
  return QString::fromUtf8(text, qsizetype(length));
}

QVariant CANViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= m_columns.Count) return {};
  return QString::fromLatin1(CANViewColumnTitle(m_columns.Column[size_t(section)]));
}

void CANViewModel::SetIcons(const QList<QIcon>& icons) {
  m_icons = icons;
  if (m_itemCount > 0) emit dataChanged(index(0, 0), index(m_itemCount - 1, 0), {Qt::DecorationRole});
}

void CANViewModel::SetDecimalSeparator(const QString& separator) {
  m_decimalSeparator = separator.toStdString();
  Repaint();
}

void CANViewModel::ConfigureColumns() {
  beginResetModel();
  m_columns = ConfigureCANViewColumns(m_settings);
  endResetModel();
}

void CANViewModel::SetItemCount(int32_t count) {
  if (count < 0) count = 0;
  const int32_t old = m_itemCount;
  if (count > old) {
    beginInsertRows(QModelIndex(), old, count - 1);
    m_itemCount = count;
    endInsertRows();
  } else if (count < old) {
    beginRemoveRows(QModelIndex(), count, old - 1);
    m_itemCount = count;
    endRemoveRows();
  }
  RowsChanged(0, std::min(old, count) - 1);
}

void CANViewModel::Repaint() { RowsChanged(0, m_itemCount - 1); }

void CANViewModel::ApplyRefresh(const TCANViewRefresh& refresh) {
  if (refresh.ItemCountChanged) SetItemCount(refresh.ItemCount);
  else if (refresh.RepaintAll) Repaint();
}

void CANViewModel::RowsChanged(int first, int last) {
  if (first > last || m_columns.Count == 0) return;
  emit dataChanged(index(first, 0), index(last, m_columns.Count - 1));
}

}  // namespace tarvo
