#include "dbc/qt/TransmitSignalsEditor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dbc/SignalCodec.h"
#include "dbc/SignalText.h"
#include "dbc/qt/TableCell.h"

namespace tarvo {

namespace {

constexpr int ValueColumn = 1;
constexpr int RowsShown = 5;

}  // namespace

TransmitSignalsEditor::TransmitSignalsEditor(QWidget* parent) : QWidget(parent) {
  setObjectName("TransmitSignals");
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel("Message", this));
  messages_ = new QComboBox(this);
  messages_->setObjectName("ComboBoxMessage");
  messages_->setMinimumWidth(220);
  messages_->setMaxVisibleItems(20);
  left->addWidget(messages_);
  left->addStretch();
  line->addLayout(left);

  table_ = new QTableWidget(0, 3, this);
  table_->setObjectName("SignalsEditList");
  table_->setHorizontalHeaderLabels({"Signal", "Value", "Raw"});
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  const int rowHeight = table_->fontMetrics().height() + 4;
  table_->verticalHeader()->setDefaultSectionSize(rowHeight);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(0, 200);
  table_->setColumnWidth(1, 180);
  table_->setFixedHeight(table_->horizontalHeader()->sizeHint().height() + RowsShown * rowHeight +
                         2 * table_->frameWidth());
  line->addWidget(table_, 1);

  connect(messages_, &QComboBox::activated, this, [this](int entry) {
    if (syncing_ == 0 && entry >= 0) emit MessageChosen(messages_->itemData(entry).toInt());
  });
  connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (syncing_ > 0 || item->column() != ValueColumn || shownMessage_ < 0) return;
    // Reported once the table is done with the item: the answer rewrites it.
    const int message = shownMessage_;
    const int signal = item->data(Qt::UserRole).toInt();
    const QString text = item->text();
    QMetaObject::invokeMethod(this, [this, message, signal, text] { emit SignalEdited(message, signal, text); },
                              Qt::QueuedConnection);
  });
}

void TransmitSignalsEditor::SetDatabase(const TDbcDatabase* database) {
  ++syncing_;
  database_ = database;
  messages_->clear();
  if (database != nullptr)
    for (size_t i = 0; i < database->Messages.size(); ++i)
      messages_->addItem(QString::fromStdString(database->Messages[i].Name), int(i));
  messages_->setCurrentIndex(-1);
  table_->setRowCount(0);
  shownMessage_ = -1;
  --syncing_;
}

void TransmitSignalsEditor::ShowFrame(bool valid, const TTarvoCAN& frame, bool hex,
                                      const std::string& decimalSeparator) {
  ++syncing_;
  const TDbcMessage* message = valid && database_ ? database_->Find(frame.IDE, frame.ID) : nullptr;
  const int index = message ? int(message - database_->Messages.data()) : -1;
  if (messages_->currentIndex() != messages_->findData(index)) messages_->setCurrentIndex(messages_->findData(index));
  shownMessage_ = index;
  const std::vector<size_t> shown = message ? EditableSignals(*message, frame) : std::vector<size_t>();
  if (table_->rowCount() != int(shown.size())) table_->setRowCount(int(shown.size()));
  const TFrameWords words = FrameWords(frame.Data, frame.DLC);
  for (int r = 0; r < int(shown.size()); ++r) {
    const TDbcSignal& s = message->Signals[shown[size_t(r)]];
    const bool present = s.BytesUsed <= frame.DLC;
    const uint64_t raw = present ? ExtractRaw(s, words) : 0;
    const QString value =
        present ? QString::fromStdString(SignalValueText(s, raw, PhysicalValue(s, raw), decimalSeparator))
                : QString("not in frame");
    SetTableCell(table_, r, 0, QString::fromStdString(s.Name), false)->setToolTip(QString::fromStdString(s.Comment));
    SetTableCell(table_, r, ValueColumn, value, present)->setData(Qt::UserRole, int(shown[size_t(r)]));
    SetTableCell(table_, r, 2, present ? QString::fromStdString(RawValueText(s, raw, hex)) : QString(), false);
  }
  --syncing_;
}

}  // namespace tarvo
