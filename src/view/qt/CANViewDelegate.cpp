#include "view/qt/CANViewDelegate.h"

#include <QIcon>
#include <QPainter>

namespace tarvo {

namespace {
constexpr int TextMargin = 3;
}  // namespace

void CANViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
  if (selected) painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));

  QRect area = option.rect.adjusted(TextMargin, 0, -TextMargin, 0);
  const QVariant decoration = index.data(Qt::DecorationRole);
  if (decoration.isValid()) {
    const QSize size = option.decorationSize;
    const QRect iconRect(area.left(), area.top() + (area.height() - size.height()) / 2, size.width(), size.height());
    qvariant_cast<QIcon>(decoration).paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
    area.setLeft(iconRect.right() + 1 + TextMargin);
  }
  const QString text = index.data(Qt::DisplayRole).toString();
  if (text.isEmpty()) return;
  painter->save();
  painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  // Clipped at the cell's edge, as a report list does.
  painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  painter->restore();
}

}  // namespace tarvo
