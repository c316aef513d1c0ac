#pragma once
// One cell of the database's small tables, set in place: the item is kept
// and only its text and flags change, so a refresh does not move the table
// and an item is never deleted while the table reports its edit.
#include <QTableWidget>

namespace tarvo {

inline QTableWidgetItem* SetTableCell(QTableWidget* table, int row, int column, const QString& text,
                                      bool editable = false) {
  QTableWidgetItem* item = table->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem;
    table->setItem(row, column, item);
  }
  const Qt::ItemFlags flags = editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                       : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (item->flags() != flags) item->setFlags(flags);
  if (item->text() != text) item->setText(text);
  return item;
}

}  // namespace tarvo
