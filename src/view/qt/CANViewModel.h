#pragma once
// Table model of the "CAN View" list over the CAN View store.
//
// The model holds references to the store and the display settings and
// formats every cell in data() on demand; it never copies the store. Its row
// count is the list's item count: the store's Count as of the last refresh
// (or the last explicit SetItemCount), so rows appear in one batch per
// refresh rather than with every message. Rows at or beyond the store's
// current Count (after a clear while running, until the next refresh) show
// no text.
//
// Roles: Qt::DisplayRole (cell text), Qt::DecorationRole in the "Type"
// column (the icon with index ItemType, from SetIcons), Qt::ToolTipRole
// (the row's text from SetRowToolTip, none without it), Qt::DisplayRole of
// the horizontal header (column titles).
#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>
#include <functional>
#include <string>

#include "common/DisplaySettings.h"
#include "view/CANViewRefresh.h"
#include "view/CANViewStore.h"
#include "view/CANViewText.h"

namespace tarvo {

class CANViewModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The decimal separator starts as QLocale::system()'s.
  CANViewModel(const TCANViewState& state, const TDisplaySettings& settings, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The CAN View image list in ItemType order: Rx, RemoteRx, Tx, RemoteTx,
  // Error, BusActive, BusPassive, BusOff, RxError, TxError.
  void SetIcons(const QList<QIcon>& icons);
  void SetDecimalSeparator(const QString& separator);
  // The tooltip of a row (the signals of a loaded database); an empty text
  // or no function: no tooltip.
  using TRowText = std::function<QString(const TCANViewMessage& entry)>;
  void SetRowToolTip(TRowText toolTip) { rowToolTip_ = std::move(toolTip); }
  // The text of the "Name" column (a loaded database's message names).
  void SetRowName(TRowText name) { rowName_ = std::move(name); }
  const std::string& DecimalSeparator() const { return decimalSeparator_; }

  // Rebuilds the optional columns from the settings (model reset).
  void ConfigureColumns();
  TCANViewColumn ColumnKind(int column) const { return columns_.Column[size_t(column)]; }

  int32_t ItemCount() const { return itemCount_; }
  // Announces the rows added or removed in one batch; rows kept are
  // reported changed, as their contents may have moved on.
  void SetItemCount(int32_t count);
  // Reports every row changed (the numeric base changed, a stop, a refresh).
  void Repaint();
  // Step 2 of a refresh: the item count or a repaint, as planned.
  void ApplyRefresh(const TCANViewRefresh& refresh);

 private:
  void RowsChanged(int first, int last);

  const TCANViewState& state_;
  const TDisplaySettings& settings_;
  TCANViewColumns columns_;
  QList<QIcon> icons_;
  std::string decimalSeparator_;
  TRowText rowToolTip_;
  TRowText rowName_;
  int32_t itemCount_ = 0;
};

}  // namespace tarvo
