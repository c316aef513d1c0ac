#include "setup/qt/CANSetupPage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>
#include <optional>

#include "setup/qt/CANBitTime.h"

namespace tarvo {

// A spin box whose text field is reachable: an emptied text is a state of
// its own on this page, and QSpinBox reports no change for it.
class SetupSpinBox : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;
  using QSpinBox::lineEdit;

  // Also fills an emptied text when the value itself did not change.
  void ShowValue(int value) {
    if (this->value() != value) setValue(value);
    const QString text = textFromValue(value);
    if (lineEdit()->text() != text) lineEdit()->setText(text);
  }
};

// Image1: shows the bit-time diagram over the page. The image is kept in
// device pixels, so the diagram scales with the screen's pixels per inch.
class BitTimeImage : public QWidget {
 public:
  explicit BitTimeImage(QWidget* parent) : QWidget(parent) {
    Rebuild(CurrentPixelsPerInch());
  }

  void Display(int brp, int propseg, int phseg1, int phseg2) {
    shown_ = {brp, propseg, phseg1, phseg2};
    diagram_->Display(brp, propseg, phseg1, phseg2);
    update();
  }
  void SetDecimalSeparator(const std::string& separator) {
    separator_ = separator;
    diagram_->SetDecimalSeparator(separator);
  }
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    // A move to a screen of another density redraws at the new size.
    if (CurrentPixelsPerInch() != diagram_->PixelsPerInch()) {
      Rebuild(CurrentPixelsPerInch());
      if (shown_) diagram_->Display((*shown_)[0], (*shown_)[1], (*shown_)[2], (*shown_)[3]);
    }
    // The image stays at ratio 1 so the diagram draws in device pixels;
    // here it is fitted to the widget's logical size.
    QPainter(this).drawImage(QRectF(QPointF(0, 0), LogicalSize()), image_);
  }

 private:
  int CurrentPixelsPerInch() const { return qRound(logicalDpiX() * devicePixelRatioF()); }
  QSizeF LogicalSize() const { return QSizeF(image_.size()) / (diagram_->PixelsPerInch() / 96.0); }

  void Rebuild(int pixelsPerInch) {
    image_ = QImage(TCANBitTime::CanvasSize(pixelsPerInch), QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    diagram_ = std::make_unique<TCANBitTime>(image_, 40000, pixelsPerInch);
    diagram_->SetDecimalSeparator(separator_);
    setFixedSize(LogicalSize().toSize());
  }

  QImage image_;
  std::unique_ptr<TCANBitTime> diagram_;
  std::optional<std::array<int, 4>> shown_;
  std::string separator_ = ".";
};

namespace {

QRadioButton* NewRadioButton(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QRadioButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QString ComponentName(const char* prefix, int number) { return QString("%1%2").arg(prefix).arg(number); }

}  // namespace

CANSetupPage::CANSetupPage(TCANSetupState& state, QWidget* parent) : QWidget(parent), state_(state) {
  setObjectName("CANSetupPage");
  state_.BitTiming.DecimalSeparator = QString(QLocale::system().decimalPoint()).toStdString();
  auto* layout = new QVBoxLayout(this);
  auto* upper = new QHBoxLayout;
  upper->addWidget(BuildBaudRateGroup());
  upper->addWidget(BuildOperatingModeGroup(), 0, Qt::AlignTop);
  upper->addStretch();
  layout->addLayout(upper);
  layout->addWidget(BuildReceiveFilterGroup());
  layout->addStretch();
  image1_->SetDecimalSeparator(state_.BitTiming.DecimalSeparator);
  InstallHooks();
  // A set accepted before the page existed is drawn now.
  const TBitTimingPage& bt = state_.BitTiming;
  if (!bt.BitRateCaption().empty())
    image1_->Display(bt.BRPOldValue, bt.PRSEGOldValue, bt.PHSEG1OldValue, bt.PHSEG2OldValue);
  Refresh();
}

CANSetupPage::~CANSetupPage() { state_.Hooks = TSetupHooks{}; }

const QImage& CANSetupPage::DiagramImage() const { return image1_->Image(); }

void CANSetupPage::InstallHooks() {
  TSetupHooks& hooks = state_.Hooks;
  hooks.DrawDiagram = [this](int brp, int propseg, int phseg1, int phseg2) {
    image1_->Display(brp, propseg, phseg1, phseg2);
  };
  hooks.StatusPanelText = [this](const std::string& text) {
    emit StatusPanelTextChanged(QString::fromStdString(text));
  };
  hooks.ActivatePage = [this](TSetupPageRequest page) { emit PageActivationRequested(page); };
  hooks.Changed = [this] { Refresh(); };
}

// ---- building ------------------------------------------------------------------------

QWidget* CANSetupPage::BuildBaudRateGroup() {
  auto* group = new QGroupBox(" CAN Baud Rate ", this);
  auto* layout = new QHBoxLayout(group);
  layout->addWidget(BuildPresetButtons(), 0, Qt::AlignTop);
  auto* right = new QVBoxLayout;
  image1_ = new BitTimeImage(group);
  image1_->setObjectName("Image1");
  right->addWidget(image1_);
  right->addWidget(BuildBitTimingFields());
  right->addWidget(BuildFormula());
  right->addStretch();
  layout->addLayout(right);
  return group;
}

QWidget* CANSetupPage::BuildPresetButtons() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  auto* group = new QButtonGroup(box);
  int row = 0;
  auto add = [&](int number, const char* caption) {
    QRadioButton* button = NewRadioButton(caption, ComponentName("RadioButton", number), box);
    group->addButton(button, number);
    radioButtons_[number] = button;
    grid->addWidget(button, row % 7, row / 7);
    ++row;
  };
  for (const TBaudRatePreset& preset : BaudRatePresets) add(preset.Number, preset.Caption);
  add(CustomBaudRateNumber, "Custom");
  connect(group, &QButtonGroup::idClicked, this, [this](int number) {
    if (number == CustomBaudRateNumber)
      state_.BitTiming.CheckCustom();
    else
      state_.BitTiming.ClickPreset(number);
    Refresh();
  });
  return box;
}

QWidget* CANSetupPage::BuildBitTimingFields() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  for (int column = 0; column < BitFieldCount; ++column) {
    const TBitField field = AllBitFields[column];
    auto* spin = new SetupSpinBox(box);
    spin->setObjectName(SpinEditName(field));
    spinEdits_[column] = spin;
    auto* caption = new QLabel(BitFieldCaption(field), box);
    caption->setAlignment(Qt::AlignCenter);
    grid->addWidget(caption, 0, column);
    grid->addWidget(spin, 1, column);
    // Steps and accepted numbers come as the spin box's own change; an
    // emptied or unfinished text only reaches its text field.
    connect(spin, &QSpinBox::textChanged, this, [this, field] { SpinTextChanged(field); });
    connect(spin->lineEdit(), &QLineEdit::textChanged, this, [this, field] { SpinTextChanged(field); });
  }
  return box;
}

QWidget* CANSetupPage::BuildFormula() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(0);
  grid->addWidget(new QLabel("Baud Rate =", box), 0, 0, 3, 1, Qt::AlignVCenter);
  clockCaption_ = new QLabel("40MHz", box);
  clockCaption_->setObjectName("Label18");
  grid->addWidget(clockCaption_, 0, 1, Qt::AlignHCenter | Qt::AlignBottom);
  grid->addWidget(new QLabel("_________________________________________", box), 1, 1, Qt::AlignHCenter);
  grid->addWidget(new QLabel("2 x BRP x (1 + PROPSEG + PHSEG1 + PHSEG2)", box), 2, 1, Qt::AlignHCenter);
  bitRateCaption_ = new QLabel(box);
  bitRateCaption_->setObjectName("Label21");
  grid->addWidget(bitRateCaption_, 0, 2, 3, 1, Qt::AlignVCenter);
  return box;
}

QWidget* CANSetupPage::BuildOperatingModeGroup() {
  auto* group = new QGroupBox(" CAN Operating Mode ", this);
  auto* layout = new QVBoxLayout(group);
  auto* buttons = new QButtonGroup(group);
  for (int number : {NormalModeNumber, ListenOnlyModeNumber, LoopbackModeNumber}) {
    QRadioButton* button = NewRadioButton(OperatingModeCaption(number), ComponentName("RadioButton", number), group);
    buttons->addButton(button, number);
    radioButtons_[number] = button;
    layout->addWidget(button);
  }
  connect(buttons, &QButtonGroup::idClicked, this, [this](int number) {
    state_.BitTiming.ClickOperatingMode(number);
    Refresh();
  });
  return group;
}

QWidget* CANSetupPage::BuildReceiveFilterGroup() {
  auto* group = new QGroupBox(" CAN Receive Filters ", this);
  auto* layout = new QVBoxLayout(group);
  auto* types = new QHBoxLayout;
  auto* buttons = new QButtonGroup(group);
  for (int number : {FilterTypeNone, FilterType11BitOnly, FilterType29BitOnly, FilterTypeCustom}) {
    QRadioButton* button = NewRadioButton(FilterTypeCaption(number), ComponentName("RadioButton", number), group);
    buttons->addButton(button, number);
    radioButtons_[number] = button;
    types->addWidget(button);
  }
  types->addStretch();
  connect(buttons, &QButtonGroup::idClicked, this, [this](int number) {
    state_.Filters.ClickFilterType(number);
    Refresh();
  });
  layout->addLayout(types);
  auto* buffers = new QHBoxLayout;
  groupBox9_ = BuildReceiveBuffer(1);
  groupBox12_ = BuildReceiveBuffer(2);
  buffers->addWidget(groupBox9_, 0, Qt::AlignTop);
  buffers->addWidget(groupBox12_, 0, Qt::AlignTop);
  buffers->addStretch();
  layout->addLayout(buffers);
  return group;
}

QGroupBox* CANSetupPage::BuildReceiveBuffer(int buffer) {
  auto* group = new QGroupBox(buffer == 1 ? " Receive Buffer 1 " : " Receive Buffer 2 ", this);
  group->setObjectName(buffer == 1 ? "GroupBox9" : "GroupBox12");
  auto* layout = new QHBoxLayout(group);
  auto* mask = new QGroupBox(" Mask ", group);
  auto* maskLayout = new QVBoxLayout(mask);
  auto* widths = new QButtonGroup(mask);
  for (bool extended : {false, true}) {
    const int number = WidthButtonNumber(buffer, extended);
    QRadioButton* button = NewRadioButton(extended ? "29 Bit" : "11 Bit", ComponentName("RadioButton", number), mask);
    widths->addButton(button, extended ? 1 : 0);
    radioButtons_[number] = button;
    maskLayout->addWidget(button);
  }
  connect(widths, &QButtonGroup::idClicked, this, [this, buffer](int extended) {
    state_.Filters.ClickWidth(buffer, extended == 1);
    Refresh();
  });
  auto* filters = new QGroupBox(" Filters ", group);
  auto* filterLayout = new QVBoxLayout(filters);
  for (int index = 0; index < FILTER_FIELD_COUNT; ++index) {
    if (FilterFieldBuffer(index) != buffer) continue;
    const bool isMask = index == FIELD_RX1_MASK || index == FIELD_RX2_MASK;
    auto* edit = new QLineEdit(isMask ? static_cast<QWidget*>(mask) : filters);
    edit->setObjectName(FilterEditName(index));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("DDDDDDDDDD"));
    filterEdits_[index] = edit;
    (isMask ? maskLayout : filterLayout)->addWidget(edit);
    connect(edit, &QLineEdit::textEdited, this,
            [this, index](const QString& text) { FilterTextEdited(index, text); });
  }
  layout->addWidget(mask, 0, Qt::AlignTop);
  layout->addWidget(filters, 0, Qt::AlignTop);
  return group;
}

// ---- the user's edits ---------------------------------------------------------------

void CANSetupPage::SpinTextChanged(TBitField field) {
  if (refreshing_) return;
  SetupSpinBox* spin = spinEdits_[static_cast<int>(field)];
  const QString text = spin->lineEdit()->text().trimmed();
  if (text.isEmpty()) {
    state_.BitTiming.EditField(field, std::nullopt);
  } else {
    bool ok = false;
    const int value = text.toInt(&ok);
    // A number still out of range is an unfinished edit; the spin box puts
    // its last value back when the user leaves it.
    if (!ok || value < spin->minimum() || value > spin->maximum()) return;
    state_.BitTiming.EditField(field, value);
  }
  Refresh();
}

void CANSetupPage::FilterTextEdited(int index, const QString& text) {
  state_.Filters.TypeFieldText(index, text.toStdString());
  Refresh();
}

// ---- showing the state ------------------------------------------------------------

void CANSetupPage::Refresh() {
  if (refreshing_) return;
  refreshing_ = true;
  RefreshBitTiming();
  RefreshFilters();
  refreshing_ = false;
}

void CANSetupPage::RefreshBitTiming() {
  const TBitTimingPage& bt = state_.BitTiming;
  for (int i = 0; i < BitFieldCount; ++i) {
    const TSpinField& f = bt.Field(AllBitFields[i]);
    spinEdits_[i]->setRange(f.MinValue, f.MaxValue);
    if (!f.EmptyFlag) spinEdits_[i]->ShowValue(f.Value);
  }
  radioButtons_[bt.GetCANBaudRateSelection()]->setChecked(true);
  // Enabling belongs to the run control; the page only takes "800k" away.
  if (!bt.PresetEnabled(Preset800kNumber)) radioButtons_[Preset800kNumber]->setEnabled(false);
  clockCaption_->setText(QString::fromStdString(bt.ClockCaption()));
  bitRateCaption_->setText(QString::fromStdString(bt.BitRateCaption()));
  radioButtons_[bt.OperatingModeButton()]->setChecked(true);
}

void CANSetupPage::RefreshFilters() {
  const TReceiveFilterPage& rf = state_.Filters;
  radioButtons_[rf.FilterType()]->setChecked(true);
  groupBox9_->setVisible(rf.BuffersVisible());
  groupBox12_->setVisible(rf.BuffersVisible());
  for (int buffer : {1, 2}) {
    radioButtons_[WidthButtonNumber(buffer, rf.Buffer29Bit(buffer))]->setChecked(true);
  }
  for (int i = 0; i < FILTER_FIELD_COUNT; ++i) {
    QLineEdit* edit = filterEdits_[i];
    const QString text = QString::fromStdString(rf.Edit(i).Text);
    if (edit->text() == text) continue;
    const int cursor = edit->cursorPosition();
    edit->setText(text);
    edit->setCursorPosition(std::min<int>(cursor, text.size()));
  }
}

}  // namespace tarvo
