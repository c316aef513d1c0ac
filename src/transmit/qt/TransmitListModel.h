#pragma once
// The transmit list ("ListView2") as a table model: one row per item of
// TCANTransmit, every cell formatted from the list when asked, never copied.
// Column "Tx" shows the item's enabled flag as a check box; a click on it is
// handed to the editor, which toggles the item.
#include <QAbstractTableModel>

#include "transmit/TransmitEditor.h"
#include "transmit/TransmitList.h"

namespace tarvo {

class TransmitListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TransmitListModel(const TCANTransmit& list, TTransmitEditor& editor, TransmitHost& host,
                    QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // Follows the list after a change: a new row count resets the model,
  // otherwise every row is redrawn.
  void Sync();

 private:
  const TCANTransmit& list_;
  TTransmitEditor& editor_;
  TransmitHost& host_;
  int rows_ = 0;  // the row count the views know
};

}  // namespace tarvo
