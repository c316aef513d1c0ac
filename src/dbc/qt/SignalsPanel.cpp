#include "dbc/qt/SignalsPanel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dbc/qt/TableCell.h"

namespace tarvo {

namespace {

constexpr int ColumnWidths[] = {200, 220, 140};

}  // namespace

SignalsPanel::SignalsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("SignalsPanel");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 0);
  layout->setSpacing(2);
  caption_ = new QLabel(this);
  caption_->setObjectName("SignalsCaption");
  caption_->setTextFormat(Qt::PlainText);
  QFont bold = caption_->font();
  bold.setBold(true);
  caption_->setFont(bold);
  table_ = new QTableWidget(0, 3, this);
  table_->setObjectName("SignalsList");
  table_->setHorizontalHeaderLabels({"Signal", "Value", "Raw"});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  for (int c = 0; c < 3; ++c) table_->setColumnWidth(c, ColumnWidths[c]);
  layout->addWidget(caption_);
  layout->addWidget(table_, 1);
}

void SignalsPanel::ShowDescription(const TFrameDescription& d) {
  const QString caption = QString::fromStdString(d.Caption);
  if (caption_->text() != caption) caption_->setText(caption);
  const QString tip = d.Message ? QString::fromStdString(d.Message->Comment) : QString();
  if (caption_->toolTip() != tip) caption_->setToolTip(tip);
  const int rows = int(d.Rows.size());
  if (table_->rowCount() != rows) table_->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const TSignalRow& row = d.Rows[size_t(r)];
    QTableWidgetItem* name = SetTableCell(table_, r, 0, QString::fromStdString(row.Name));
    const QString comment = QString::fromStdString(row.Comment);
    if (name->toolTip() != comment) name->setToolTip(comment);
    SetTableCell(table_, r, 1, QString::fromStdString(row.Value));
    SetTableCell(table_, r, 2, QString::fromStdString(row.Raw));
  }
}

}  // namespace tarvo
