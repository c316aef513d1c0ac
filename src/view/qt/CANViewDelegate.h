#pragma once
// Paints the cells of the "CAN View" list: selection background, the row
// icon in the first column, and one line of text clipped to the cell.
//
// The standard delegate lays every cell out through the full style machinery
// (check box, elision, focus frame, per-role look-ups); for a list that is
// repainted every 10 ms that is most of the GUI thread's time. The CAN View's
// cells are plain single-line texts, so this delegate draws just those.
#include <QStyledItemDelegate>

namespace tarvo {

class CANViewDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace tarvo
