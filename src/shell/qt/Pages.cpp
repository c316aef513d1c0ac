#include "shell/qt/Pages.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <initializer_list>
#include <string_view>

#include "common/qt/WidgetNames.h"

namespace tarvo::qt {
namespace {

QGroupBox* Group(const char* title, QWidget* parent, const char* name = nullptr) {
  auto* box = new QGroupBox(title, parent);
  if (name) box->setObjectName(name);
  return box;
}

QRadioButton* Radio(const char* name, const char* caption, QWidget* parent, bool checked = false) {
  auto* button = Named(new QRadioButton(caption, parent), name);
  button->setChecked(checked);
  return button;
}

QLineEdit* Edit(const char* name, const QString& text, int maxLength, int width, QWidget* parent) {
  auto* edit = Named(new QLineEdit(text, parent), name);
  edit->setMaxLength(maxLength);
  edit->setFixedWidth(width);
  return edit;
}

QSpinBox* Spin(const char* name, int minimum, int maximum, int value, QWidget* parent) {
  auto* spin = Named(new QSpinBox(parent), name);
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  spin->setMinimumWidth(64);
  return spin;
}

// ---- CAN Transmit ----

const char* const kTransmitColumns[] = {"Tx", "Bit", "ID", "Frame", "DLC", "D1", "D2", "D3",
                                        "D4", "D5", "D6", "D7", "D8", "On Time (ms)", "On Key",
                                        "Comment"};
const int kTransmitColumnWidths[] = {30, 30, 80, 60, 40, 40, 40, 40, 40, 40, 40, 40, 40, 100, 80, 200};

QGroupBox* BuildIdBox(QWidget* parent) {
  auto* box = Group(" ID ", parent);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(Radio("RadioButton30", "11 Bit", box, true));
  layout->addWidget(Radio("RadioButton31", "29 Bit", box));
  layout->addWidget(Edit("Edit1", "", 3, 90, box));
  return box;
}

QGroupBox* BuildFrameBox(QWidget* parent) {
  auto* box = Group(" Frame ", parent);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(Radio("RadioButton32", "Data", box, true));
  layout->addWidget(Radio("RadioButton33", "Remote", box));
  layout->addStretch();
  return box;
}

QGroupBox* BuildDataBox(QWidget* parent) {
  auto* box = Group(" Data ", parent);
  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel("DLC", box), 0, 0, Qt::AlignCenter);
  auto* dlc = Spin("SpinEdit7", 0, 8, 8, box);
  dlc->setMinimumWidth(56);
  grid->addWidget(dlc, 1, 0);
  static const char* const names[] = {"Edit2", "Edit3", "Edit4", "Edit5",
                                      "Edit6", "Edit7", "Edit8", "Edit9"};
  for (int i = 0; i < 8; ++i) {
    grid->addWidget(new QLabel(QString("D%1").arg(i + 1), box), 0, i + 1, Qt::AlignCenter);
    auto* byte = Edit(names[i], "FF", 2, 36, box);
    byte->setAlignment(Qt::AlignCenter);
    grid->addWidget(byte, 1, i + 1);
  }
  grid->setRowStretch(2, 1);
  return box;
}

QGroupBox* BuildTriggerBox(QWidget* parent) {
  auto* box = Group(" Trigger ", parent);
  auto* grid = new QGridLayout(box);
  auto* periods = Named(new QComboBox(box), "ComboBox1");
  periods->setEditable(true);
  for (const char* p : {"10", "20", "50", "100", "200", "500", "1000", "2000", "5000", "10000"})
    periods->addItem(p);
  periods->setCurrentIndex(6);
  auto* keys = Named(new QComboBox(box), "ComboBox2");
  keys->setEditable(true);
  for (int i = 1; i <= 9; ++i) keys->addItem(QString("F%1").arg(i));
  for (int i = 1; i <= 9; ++i) keys->addItem(QString("Ctrl+%1").arg(i));
  keys->setEnabled(false);
  grid->addWidget(Radio("RadioButton34", "On Time (ms) ", box, true), 0, 0);
  grid->addWidget(periods, 0, 1);
  grid->addWidget(Radio("RadioButton35", "On Key", box), 1, 0);
  grid->addWidget(keys, 1, 1);
  grid->addWidget(Named(new QPushButton("Now", box), "NowButton"), 0, 2, 2, 1);
  return box;
}

QWidget* BuildCommentAndButtons(QWidget* parent) {
  auto* panel = new QWidget(parent);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel("Comment", panel), 0, 0, 1, 3);
  auto* comment = Named(new QLineEdit(panel), "Edit10");
  comment->setMaxLength(30);
  comment->setMinimumWidth(220);
  grid->addWidget(comment, 1, 0, 1, 3);
  grid->setRowStretch(2, 1);
  grid->addWidget(Named(new QPushButton("Add", panel), "AddButton"), 3, 0);
  grid->addWidget(Named(new QPushButton("Modify", panel), "ModifyButton"), 3, 1);
  grid->addWidget(Named(new QPushButton("Delete", panel), "DeleteButton"), 3, 2);
  return panel;
}

QGroupBox* BuildTransmitEditor(QWidget* parent) {
  auto* editor = Group(" CAN Transmit Editor ", parent, "CANTransmitEditor");
  auto* row = new QHBoxLayout(editor);
  row->addWidget(BuildIdBox(editor));
  row->addWidget(BuildFrameBox(editor));
  row->addWidget(BuildDataBox(editor));
  row->addWidget(BuildTriggerBox(editor));
  row->addWidget(BuildCommentAndButtons(editor), 1);
  return editor;
}

// ---- CAN Setup ----

struct TRadioEntry {
  const char* name;
  const char* caption;
};

constexpr TRadioEntry kBaudRates[] = {
    {"RadioButton100", "12.5k"}, {"RadioButton101", "20k"},    {"RadioButton102", "33.33k"},
    {"RadioButton103", "50k"},   {"RadioButton104", "62.5k"},  {"RadioButton105", "83.33k"},
    {"RadioButton106", "100k"},  {"RadioButton107", "125k"},   {"RadioButton108", "250k"},
    {"RadioButton109", "500k"},  {"RadioButton110", "625k"},   {"RadioButton111", "800k"},
    {"RadioButton112", "1M"},    {"RadioButton120", "Custom"},
};

struct TSpinEntry {
  const char* label;
  const char* name;
  int minimum, maximum, value;
};

// In the order the fields stand under their labels.
constexpr TSpinEntry kBitTimingFields[] = {
    {"BRP", "SpinEdit1", 1, 128, 2},   {"PROPSEG", "SpinEdit4", 1, 8, 3},
    {"PHSEG1", "SpinEdit2", 1, 8, 8},  {"PHSEG2", "SpinEdit3", 2, 8, 8},
    {"SJW", "SpinEdit5", 1, 4, 1},     {"SAM", "SpinEdit6", 1, 3, 1},
};

QWidget* BuildFormula(QWidget* parent) {
  auto* formula = new QWidget(parent);
  auto* grid = new QGridLayout(formula);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(0);
  grid->addWidget(new QLabel("Baud Rate =", formula), 0, 0, 3, 1, Qt::AlignVCenter);
  grid->addWidget(Named(new QLabel("40MHz", formula), "Label18"), 0, 1, Qt::AlignHCenter);
  auto* line = new QFrame(formula);
  line->setFrameShape(QFrame::HLine);
  grid->addWidget(line, 1, 1);
  grid->addWidget(new QLabel("2 x BRP x (1 + PROPSEG + PHSEG1 + PHSEG2)", formula), 2, 1,
                  Qt::AlignHCenter);
  grid->addWidget(Named(new QLabel(formula), "Label21"), 0, 2, 3, 1, Qt::AlignVCenter);
  grid->setColumnStretch(3, 1);
  return formula;
}

QGroupBox* BuildBaudRateBox(QWidget* parent) {
  auto* box = Group(" CAN Baud Rate ", parent, "CANBaudRate");
  auto* layout = new QVBoxLayout(box);
  auto* presets = new QGridLayout;
  int i = 0;
  for (const TRadioEntry& r : kBaudRates) {
    presets->addWidget(Radio(r.name, r.caption, box, std::string_view(r.caption) == "250k"),
                       i / 7, i % 7);
    ++i;
  }
  layout->addLayout(presets);
  auto* diagram = Named(new QLabel(box), "Image1");
  diagram->setMinimumHeight(120);
  diagram->setFrameShape(QFrame::StyledPanel);
  diagram->setAlignment(Qt::AlignCenter);
  layout->addWidget(diagram, 1);
  auto* fields = new QGridLayout;
  int column = 0;
  for (const TSpinEntry& s : kBitTimingFields) {
    fields->addWidget(new QLabel(s.label, box), 0, column, Qt::AlignCenter);
    fields->addWidget(Spin(s.name, s.minimum, s.maximum, s.value, box), 1, column);
    ++column;
  }
  layout->addLayout(fields);
  layout->addWidget(BuildFormula(box));
  return box;
}

QGroupBox* BuildOperatingModeBox(QWidget* parent) {
  auto* box = Group(" CAN Operating Mode ", parent, "CANOperatingMode");
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(Radio("RadioButton12", "Normal", box, true));
  layout->addWidget(Radio("RadioButton13", "Listen Only", box));
  layout->addWidget(Radio("RadioButton14", "Loopback", box));
  layout->addStretch();
  return box;
}

QGroupBox* BuildReceiveBuffer(QWidget* parent, const char* title, const char* groupName,
                              TRadioEntry bit11, TRadioEntry bit29,
                              std::initializer_list<const char*> fieldNames) {
  auto* buffer = Group(title, parent, groupName);
  auto* row = new QHBoxLayout(buffer);
  auto* mask = Group(" Mask ", buffer);
  auto* maskLayout = new QVBoxLayout(mask);
  maskLayout->addWidget(Radio(bit11.name, bit11.caption, mask, true));
  maskLayout->addWidget(Radio(bit29.name, bit29.caption, mask));
  auto names = fieldNames.begin();
  maskLayout->addWidget(Edit(*names++, "000", 3, 90, mask));
  auto* filters = Group(" Filters ", buffer);
  auto* filterLayout = new QVBoxLayout(filters);
  for (; names != fieldNames.end(); ++names) filterLayout->addWidget(Edit(*names, "000", 3, 90, filters));
  filterLayout->addStretch();
  row->addWidget(mask);
  row->addWidget(filters);
  buffer->hide();
  return buffer;
}

QGroupBox* BuildReceiveFiltersBox(QWidget* parent) {
  auto* box = Group(" CAN Receive Filters ", parent, "CANReceiveFilters");
  auto* layout = new QVBoxLayout(box);
  auto* types = new QHBoxLayout;
  types->addWidget(Radio("RadioButton15", "None", box, true));
  types->addWidget(Radio("RadioButton16", "11 Bit Only", box));
  types->addWidget(Radio("RadioButton17", "29 Bit Only", box));
  types->addWidget(Radio("RadioButton18", "Custom", box));
  types->addStretch();
  layout->addLayout(types);
  auto* buffers = new QHBoxLayout;
  buffers->addWidget(BuildReceiveBuffer(box, " Receive Buffer 1 ", "GroupBox9",
                                        {"RadioButton19", "11 Bit"}, {"RadioButton20", "29 Bit"},
                                        {"Edit11", "Edit12", "Edit13"}));
  buffers->addWidget(BuildReceiveBuffer(box, " Receive Buffer 2 ", "GroupBox12",
                                        {"RadioButton21", "11 Bit"}, {"RadioButton22", "29 Bit"},
                                        {"Edit14", "Edit15", "Edit16", "Edit17", "Edit18"}));
  buffers->addStretch();
  layout->addLayout(buffers);
  layout->addStretch();
  return box;
}

}  // namespace

void ConfigureListView(QTableView* list) {
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setShowGrid(true);
  list->setWordWrap(false);
  list->setFrameShape(QFrame::NoFrame);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->verticalHeader()->hide();
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->horizontalHeader()->setHighlightSections(false);
  list->horizontalHeader()->setStretchLastSection(false);
  // The selection stays visible while another control has the focus.
  QPalette p = list->palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  list->setPalette(p);
}

QTableView* BuildCANViewPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* list = Named(new QTableView(page), "ListView1");
  ConfigureListView(list);
  layout->addWidget(list);
  return list;
}

QTableView* BuildCANTransmitPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* list = Named(new QTableView(page), "ListView2");
  ConfigureListView(list);
  auto* columns = new QStandardItemModel(0, int(std::size(kTransmitColumns)), list);
  for (int c = 0; c < columns->columnCount(); ++c)
    columns->setHeaderData(c, Qt::Horizontal, kTransmitColumns[c]);
  list->setModel(columns);
  for (int c = 0; c < columns->columnCount(); ++c) list->setColumnWidth(c, kTransmitColumnWidths[c]);
  layout->addWidget(list, 1);
  layout->addWidget(BuildTransmitEditor(page));
  return list;
}

void BuildCANSetupPage(QWidget* page) {
  auto* grid = new QGridLayout(page);
  grid->addWidget(BuildBaudRateBox(page), 0, 0);
  grid->addWidget(BuildOperatingModeBox(page), 0, 1);
  grid->addWidget(BuildReceiveFiltersBox(page), 1, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(1, 1);
}

}  // namespace tarvo::qt
