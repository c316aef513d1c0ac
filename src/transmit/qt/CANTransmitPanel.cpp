#include "transmit/qt/CANTransmitPanel.h"

#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "common/qt/WidgetNames.h"
#include "transmit/qt/TransmitListModel.h"

namespace tarvo {

namespace {

// Width and smallest width of each column, in pixels at 96 DPI.
constexpr int ColumnWidth[TX_COLUMN_COUNT] = {30, 30, 80, 60, 40, 40, 40, 40, 40, 40, 40, 40, 40, 100, 80, 200};
constexpr int ColumnMinWidth[TX_COLUMN_COUNT] = {30, 30, 70, 60, 40, 40, 40, 40, 40, 40, 40, 40, 40, 100, 70, 100};
constexpr const char* DataFieldNames[8] = {"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9"};

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Sets a field without cutting it: a text converted to the other base may
// be longer than the field lets the user type.
void ShowLineText(QLineEdit* edit, const std::string& text, int maxLength) {
  const QString shown = Text(text);
  edit->setMaxLength(std::max<int>(maxLength, int(shown.size())));
  if (edit->text() != shown) edit->setText(shown);
}

void ShowComboText(QComboBox* box, const std::string& text) {
  const QString shown = Text(text);
  const int entry = box->findText(shown, Qt::MatchExactly);
  if (box->currentIndex() != entry) box->setCurrentIndex(entry);
  if (box->currentText() != shown) box->setEditText(shown);
}

// The fields upper-case what is typed, keeping the cursor where it was.
QString UpperCased(QLineEdit* edit, const QString& typed) {
  const QString upper = typed.toUpper();
  if (upper != typed) {
    const int cursor = edit->cursorPosition();
    edit->setText(upper);
    edit->setCursorPosition(cursor);
  }
  return upper;
}

QComboBox* EntryBox(const char* name, const auto& entries, QWidget* parent) {
  auto* box = Named(new QComboBox(parent), name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& entry : entries) box->addItem(Text(entry));
  return box;
}

}  // namespace

CANTransmitPanel::CANTransmitPanel(TCANTransmit& list, TTransmitEditor& editor, TransmitHost& host,
                                   QWidget* parent)
    : QWidget(parent), list_(list), editor_(editor), host_(host) {
  setObjectName("CANTransmitPanel");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  BuildList();
  layout->addWidget(listView_, 1);
  layout->addWidget(BuildEditor());
  ConnectList();
  ConnectEditor();
  editor_.Changed = [this] { Refresh(); };
  Refresh();
}

CANTransmitPanel::~CANTransmitPanel() { editor_.Changed = nullptr; }

// ---- The list ------------------------------------------------------------------------------

void CANTransmitPanel::BuildList() {
  listView_ = Named(new QTableView(this), "ListView2");
  model_ = new TransmitListModel(list_, editor_, host_, listView_);
  listView_->setModel(model_);
  listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView_->setSelectionMode(QAbstractItemView::SingleSelection);
  listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView_->setShowGrid(true);
  listView_->setWordWrap(false);
  listView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listView_->setContextMenuPolicy(Qt::CustomContextMenu);
  listView_->verticalHeader()->hide();
  listView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  listView_->horizontalHeader()->setHighlightSections(false);
  listView_->horizontalHeader()->setSectionsClickable(true);
  listView_->horizontalHeader()->setMinimumSectionSize(std::min(ColumnMinWidth[0], 30));
  for (int c = 0; c < TX_COLUMN_COUNT; ++c) listView_->setColumnWidth(c, ColumnWidth[c]);
  // The selection stays visible while the editor has the focus.
  QPalette p = listView_->palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  listView_->setPalette(p);
}

void CANTransmitPanel::KeepMinimumColumnWidth(int column, int newSize) {
  if (column >= 0 && column < TX_COLUMN_COUNT && newSize < ColumnMinWidth[column])
    listView_->setColumnWidth(column, ColumnMinWidth[column]);
}

void CANTransmitPanel::ConnectList() {
  connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (Syncing()) return;
    const QModelIndexList rows = listView_->selectionModel()->selectedRows();
    editor_.SelectRow(rows.isEmpty() ? -1 : rows.first().row());
  });
  connect(listView_, &QTableView::clicked, this, [this](const QModelIndex& index) {
    editor_.SelectRow(index.row());
    editor_.LoadSelection();
    emit HideConversionHint();
  });
  QHeaderView* header = listView_->horizontalHeader();
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) { editor_.ToggleAllItems(column); });
  connect(header, &QHeaderView::sectionResized, this,
          [this](int column, int, int newSize) { KeepMinimumColumnWidth(column, newSize); });
}

void CANTransmitPanel::ShowSelection() {
  QItemSelectionModel* selection = listView_->selectionModel();
  if (editor_.SelectedRow < 0 || editor_.SelectedRow >= model_->rowCount()) {
    selection->clearSelection();
    selection->clearCurrentIndex();
    return;
  }
  const QModelIndex row = model_->index(editor_.SelectedRow, 0);
  selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CANTransmitPanel::Refresh() {
  ++syncing_;
  model_->Sync();
  ShowSelection();
  ShowForm();
  --syncing_;
  emit FormChanged();
}

void CANTransmitPanel::AddEditorLine(QWidget* line) {
  line->setParent(editorGroup_);
  editorGroup_->layout()->addWidget(line);
}

void CANTransmitPanel::ToggleConversion() {
  const TConversionHint hint = editor_.SelectionHint();
  QPoint at = QCursor::pos();
  at.setX(std::max(at.x(), 200));
  const QFont font = listView_->font();
  at.ry() += font.pointSize() > 0 ? font.pointSize() : font.pixelSize();
  emit ShowConversionHint(at, Text(hint.Title), Text(hint.Text), hint.TimeoutMs);
}

QString CANTransmitPanel::ConversionCommandCaption() const {
  return host_.HexMode() ? "&Show Decimal" : "&Show Hexadecimal";
}

// ---- The editor ----------------------------------------------------------------------------

// The boxes side by side, the comment and the buttons on a line below them:
// all in one row would not fit the window at its smallest width, and the
// fixed-width data fields would be squeezed over one another.
QGroupBox* CANTransmitPanel::BuildEditor() {
  editorGroup_ = Named(new QGroupBox(" CAN Transmit Editor ", this), "CANTransmitEditor");
  auto* lines = new QVBoxLayout(editorGroup_);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(BuildIdBox());
  boxes->addWidget(BuildFrameBox());
  boxes->addWidget(BuildDataBox());
  boxes->addWidget(BuildTriggerBox());
  boxes->addStretch();
  lines->addLayout(boxes);
  lines->addWidget(BuildCommentAndButtons());
  return editorGroup_;
}

QWidget* CANTransmitPanel::BuildIdBox() {
  auto* box = new QGroupBox(" ID ", editorGroup_);
  auto* layout = new QVBoxLayout(box);
  bit11_ = Named(new QRadioButton("11 Bit", box), "RadioButton30");
  bit29_ = Named(new QRadioButton("29 Bit", box), "RadioButton31");
  id_ = Named(new QLineEdit(box), "Edit1");
  id_->setFixedWidth(90);
  layout->addWidget(bit11_);
  layout->addWidget(bit29_);
  layout->addWidget(id_);
  return box;
}

QWidget* CANTransmitPanel::BuildFrameBox() {
  auto* box = new QGroupBox(" Frame ", editorGroup_);
  auto* layout = new QVBoxLayout(box);
  data_ = Named(new QRadioButton("Data", box), "RadioButton32");
  remote_ = Named(new QRadioButton("Remote", box), "RadioButton33");
  layout->addWidget(data_);
  layout->addWidget(remote_);
  layout->addStretch();
  return box;
}

QWidget* CANTransmitPanel::BuildDataBox() {
  auto* box = new QGroupBox(" Data ", editorGroup_);
  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel("DLC", box), 0, 0, Qt::AlignCenter);
  dlc_ = Named(new QSpinBox(box), "SpinEdit7");
  dlc_->setRange(0, 8);
  dlc_->setMinimumWidth(48);
  grid->addWidget(dlc_, 1, 0);
  for (int n = 0; n < 8; ++n) {
    grid->addWidget(new QLabel(QString("D%1").arg(n + 1), box), 0, n + 1, Qt::AlignCenter);
    bytes_[n] = Named(new QLineEdit(box), DataFieldNames[n]);
    bytes_[n]->setFixedWidth(40);
    bytes_[n]->setAlignment(Qt::AlignCenter);
    grid->addWidget(bytes_[n], 1, n + 1);
  }
  grid->setRowStretch(2, 1);
  return box;
}

QWidget* CANTransmitPanel::BuildTriggerBox() {
  auto* box = new QGroupBox(" Trigger ", editorGroup_);
  auto* grid = new QGridLayout(box);
  onTime_ = Named(new QRadioButton("On Time (ms) ", box), "RadioButton34");
  onKey_ = Named(new QRadioButton("On Key", box), "RadioButton35");
  period_ = EntryBox("ComboBox1", PeriodEntries(), box);
  key_ = EntryBox("ComboBox2", KeyEntries(), box);
  now_ = Named(new QPushButton("Now", box), "NowButton");
  grid->addWidget(onTime_, 0, 0);
  grid->addWidget(period_, 0, 1);
  grid->addWidget(onKey_, 1, 0);
  grid->addWidget(key_, 1, 1);
  grid->addWidget(now_, 0, 2, 2, 1);
  return box;
}

QWidget* CANTransmitPanel::BuildCommentAndButtons() {
  auto* panel = new QWidget(editorGroup_);
  auto* line = new QHBoxLayout(panel);
  line->setContentsMargins(0, 0, 0, 0);
  line->addWidget(new QLabel("Comment", panel));
  comment_ = Named(new QLineEdit(panel), "Edit10");
  comment_->setMinimumWidth(220);
  line->addWidget(comment_, 1);
  add_ = Named(new QPushButton("Add", panel), "AddButton");
  modify_ = Named(new QPushButton("Modify", panel), "ModifyButton");
  delete_ = Named(new QPushButton("Delete", panel), "DeleteButton");
  line->addWidget(add_);
  line->addWidget(modify_);
  line->addWidget(delete_);
  return panel;
}

void CANTransmitPanel::ConnectEditor() {
  connect(bit29_, &QRadioButton::toggled, this, [this](bool bit29) {
    if (!Syncing()) editor_.ChooseIdWidth(bit29);
  });
  connect(id_, &QLineEdit::textChanged, this, [this](const QString& typed) {
    if (Syncing()) return;
    editor_.SetIDText(UpperCased(id_, typed).toStdString());
    emit FormChanged();
  });
  connect(data_, &QRadioButton::clicked, this, [this] { editor_.ChooseFrameKind(false); });
  connect(remote_, &QRadioButton::clicked, this, [this] { editor_.ChooseFrameKind(true); });
  connect(dlc_, &QSpinBox::valueChanged, this, [this](int dlc) {
    if (!Syncing()) editor_.ChangeDlc(dlc);
  });
  for (int n = 0; n < 8; ++n)
    connect(bytes_[n], &QLineEdit::textChanged, this, [this, n](const QString& typed) {
      if (Syncing()) return;
      editor_.SetDataText(n, UpperCased(bytes_[n], typed).toStdString());
      emit FormChanged();
    });
  connect(onTime_, &QRadioButton::toggled, this, [this](bool onTime) {
    if (Syncing()) return;
    onTime ? editor_.ChooseOnTime() : editor_.ChooseOnKey();
  });
  connect(period_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (!Syncing()) editor_.Form.PeriodText = text.toStdString();
  });
  connect(key_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (!Syncing()) editor_.Form.KeyText = text.toStdString();
  });
  connect(comment_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!Syncing()) editor_.Form.Comment = text.toStdString();
  });
  connect(add_, &QPushButton::clicked, this, [this] { editor_.AddItem(); });
  connect(modify_, &QPushButton::clicked, this, [this] { editor_.ModifyItem(); });
  connect(delete_, &QPushButton::clicked, this, [this] { editor_.DeleteItem(); });
  connect(now_, &QPushButton::clicked, this, [this] { editor_.SendNow(); });
}

void CANTransmitPanel::ShowForm() {
  const TCANTransmitEditorForm& form = editor_.Form;
  (form.Bit29Flag ? bit29_ : bit11_)->setChecked(true);
  ShowLineText(id_, form.IDText, form.IDMaxLength);
  (form.RemoteFlag ? remote_ : data_)->setChecked(true);
  dlc_->setValue(form.DLC);
  for (int n = 0; n < 8; ++n) {
    ShowLineText(bytes_[n], form.DataText[n], form.DataMaxLength);
    bytes_[n]->setEnabled(form.DataEnabled[n]);
  }
  (form.OnKeyFlag ? onKey_ : onTime_)->setChecked(true);
  ShowComboText(period_, form.PeriodText);
  period_->setEnabled(form.PeriodBoxEnabled);
  ShowComboText(key_, form.KeyText);
  key_->setEnabled(form.KeyBoxEnabled);
  ShowLineText(comment_, form.Comment, CommentMaxLength);
}

}  // namespace tarvo
