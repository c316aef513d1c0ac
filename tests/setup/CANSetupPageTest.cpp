// The page widget: names and captions, and that it forwards the user's
// actions to the state and shows what the state then holds.
#include "setup/qt/CANSetupPage.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"
#include "setup/qt/CANBitTime.h"

namespace tarvo {
namespace {

[[maybe_unused]] auto* const qtApp =
    ::testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("setup_qt_tests"));

using test::ScriptedDialogs;

class CANSetupPageTest : public ::testing::Test {
 protected:
  CANSetupPageTest() { state.BitTiming.DecimalSeparator = "."; }

  template <class T>
  T* Find(const char* name) {
    T* widget = page.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QRadioButton* Radio(int number) { return Find<QRadioButton>(("RadioButton" + std::to_string(number)).c_str()); }
  QSpinBox* Spin(const char* name) { return Find<QSpinBox>(name); }
  QLineEdit* Edit(int number) { return Find<QLineEdit>(("Edit" + std::to_string(number)).c_str()); }
  QString LabelText(const char* name) { return Find<QLabel>(name)->text(); }
  static int PixelsOf(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour;
    return count;
  }
  void TypeInto(QWidget* field, const QString& keys) {
    if (auto* spin = qobject_cast<QSpinBox*>(field)) spin->selectAll();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    QTest::keyClicks(field, keys);
  }

  ScriptedDialogs dialogs;
  bool configModified = false;
  TCANSetupState state{dialogs, configModified};
  CANSetupPage page{state};
};

struct Caption {
  int Number;
  const char* Text;
};

TEST_F(CANSetupPageTest, RadioButtonsCarryTheirNamesAndCaptions) {
  const Caption captions[] = {
      {100, "12.5k"},  {101, "20k"},         {102, "33.33k"},   {103, "50k"},      {104, "62.5k"},
      {105, "83.33k"}, {106, "100k"},        {107, "125k"},     {108, "250k"},     {109, "500k"},
      {110, "625k"},   {111, "800k"},        {112, "1M"},       {120, "Custom"},   {12, "Normal"},
      {13, "Listen Only"}, {14, "Loopback"}, {15, "None"},      {16, "11 Bit Only"}, {17, "29 Bit Only"},
      {18, "Custom"},  {19, "11 Bit"},       {20, "29 Bit"},    {21, "11 Bit"},    {22, "29 Bit"}};
  for (const Caption& c : captions) {
    QRadioButton* button = Radio(c.Number);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), c.Text) << c.Number;
  }
  for (int checked : {108, 12, 15, 19, 21}) EXPECT_TRUE(Radio(checked)->isChecked()) << checked;
}

struct SpinCase {
  const char* Name;
  const char* Caption;
  int Min, Max, Value;
};

TEST_F(CANSetupPageTest, SpinEditsHoldTheirFieldsRangesAndFormValues) {
  const SpinCase spins[] = {{"SpinEdit1", "BRP", 1, 128, 2},    {"SpinEdit4", "PROPSEG", 1, 8, 3},
                            {"SpinEdit2", "PHSEG1", 1, 8, 8},   {"SpinEdit3", "PHSEG2", 2, 8, 8},
                            {"SpinEdit5", "SJW", 1, 4, 1},      {"SpinEdit6", "SAM", 1, 3, 1}};
  QStringList labels;
  for (QLabel* label : page.findChildren<QLabel*>()) labels << label->text();
  for (const SpinCase& s : spins) {
    QSpinBox* spin = Spin(s.Name);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->minimum(), s.Min) << s.Name;
    EXPECT_EQ(spin->maximum(), s.Max) << s.Name;
    EXPECT_EQ(spin->value(), s.Value) << s.Name;
    EXPECT_TRUE(labels.contains(s.Caption)) << s.Caption;
  }
  for (const char* text : {"Baud Rate =", "2 x BRP x (1 + PROPSEG + PHSEG1 + PHSEG2)"})
    EXPECT_TRUE(labels.contains(text)) << text;
  EXPECT_EQ(LabelText("Label18"), "40MHz");
  EXPECT_EQ(LabelText("Label21"), "");
}

TEST_F(CANSetupPageTest, GroupsAndFilterFields) {
  QStringList titles;
  for (QGroupBox* group : page.findChildren<QGroupBox*>()) titles << group->title();
  for (const char* title : {" CAN Baud Rate ", " CAN Operating Mode ", " CAN Receive Filters ", " Receive Buffer 1 ",
                            " Receive Buffer 2 ", " Mask ", " Filters "})
    EXPECT_TRUE(titles.contains(title)) << title;
  EXPECT_EQ(Find<QGroupBox>("GroupBox9")->title(), " Receive Buffer 1 ");
  EXPECT_EQ(Find<QGroupBox>("GroupBox12")->title(), " Receive Buffer 2 ");
  EXPECT_FALSE(Find<QGroupBox>("GroupBox9")->isVisibleTo(&page));
  EXPECT_FALSE(Find<QGroupBox>("GroupBox12")->isVisibleTo(&page));
  for (int number = 11; number <= 18; ++number) EXPECT_EQ(Edit(number)->text(), "000") << number;
  QWidget* image = Find<QWidget>("Image1");
  const double ratio = image->devicePixelRatioF() * image->logicalDpiX() / 96.0;
  EXPECT_EQ(image->size(), (QSizeF(page.DiagramImage().size()) / ratio).toSize());
}

TEST_F(CANSetupPageTest, PresetClickFillsFieldsLabelPanelAndDiagram) {
  QSignalSpy panel(&page, &CANSetupPage::StatusPanelTextChanged);
  Radio(112)->click();
  EXPECT_EQ(Spin("SpinEdit1")->value(), 2);
  EXPECT_EQ(Spin("SpinEdit4")->value(), 2);
  EXPECT_EQ(Spin("SpinEdit2")->value(), 4);
  EXPECT_EQ(Spin("SpinEdit3")->value(), 3);
  EXPECT_EQ(LabelText("Label21"), "= 1.00M");
  ASSERT_EQ(panel.count(), 1);
  EXPECT_EQ(panel.at(0).at(0).toString(), "B/R 1.00M    S/P 70.0%");
  EXPECT_TRUE(Radio(112)->isChecked());
  EXPECT_TRUE(configModified);
  // "1M" has two PROPSEG quanta drawn on the page's diagram.
  EXPECT_GT(PixelsOf(page.DiagramImage(), TCANBitTime::PROPSEGColour), 0);
}

TEST_F(CANSetupPageTest, TypedRateAboveOneMegabitIsRolledBack) {
  Radio(112)->click();
  TypeInto(Spin("SpinEdit1"), "1");  // 2000 kbit/s
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"Maximum CAN baud rate is 1M bits/s."}));
  EXPECT_EQ(Spin("SpinEdit1")->value(), 2);
  EXPECT_EQ(Spin("SpinEdit1")->text(), "2");
  EXPECT_TRUE(Radio(120)->isChecked());
  EXPECT_EQ(LabelText("Label21"), "= 1.00M");
}

TEST_F(CANSetupPageTest, EmptiedFieldChecksCustomOnly) {
  Radio(109)->click();
  QSignalSpy panel(&page, &CANSetupPage::StatusPanelTextChanged);
  QSpinBox* propseg = Spin("SpinEdit4");
  propseg->selectAll();
  QTest::keyClick(propseg, Qt::Key_Backspace);
  EXPECT_EQ(propseg->text(), "");
  EXPECT_TRUE(Radio(120)->isChecked());
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_EQ(panel.count(), 0);
  EXPECT_TRUE(state.BitTiming.Field(TBitField::PROPSEG).EmptyFlag);
  QTest::keyClicks(propseg, "6");
  EXPECT_EQ(state.BitTiming.Values().PROPSEG, 6);
  EXPECT_EQ(panel.count(), 1);
}

TEST_F(CANSetupPageTest, SamStepsOverTwo) {
  QSpinBox* sam = Spin("SpinEdit6");
  sam->stepUp();
  EXPECT_EQ(sam->value(), 3);
  sam->stepDown();
  EXPECT_EQ(sam->value(), 1);
  EXPECT_FALSE(configModified);
}

TEST_F(CANSetupPageTest, FilterTypeShowsBuffersAndTypedTextIsUpperCased) {
  Radio(17)->click();
  EXPECT_TRUE(Find<QGroupBox>("GroupBox9")->isVisibleTo(&page));
  EXPECT_TRUE(Find<QGroupBox>("GroupBox12")->isVisibleTo(&page));
  EXPECT_TRUE(Radio(20)->isChecked());
  EXPECT_TRUE(Radio(22)->isChecked());
  for (int number = 11; number <= 18; ++number) EXPECT_EQ(Edit(number)->text(), "00000000") << number;
  TypeInto(Edit(12), "1fffffffa");
  EXPECT_EQ(Edit(12)->text(), "1FFFFFFF");
  EXPECT_EQ(state.Filters.Edit(FIELD_RX1_FILTER1).Text, "1FFFFFFF");
  EXPECT_TRUE(Radio(18)->isChecked());
  Radio(21)->click();
  EXPECT_EQ(Edit(14)->text(), "000");
  EXPECT_EQ(Edit(12)->text(), "1FFFFFFF");
  Radio(15)->click();
  EXPECT_FALSE(Find<QGroupBox>("GroupBox9")->isVisibleTo(&page));
}

TEST_F(CANSetupPageTest, ModeClickReachesTheState) {
  Radio(14)->click();
  EXPECT_EQ(state.BitTiming.OperatingModeValue(), 2);
  EXPECT_TRUE(configModified);
}

TEST_F(CANSetupPageTest, ChangesMadeThroughTheStateAreShown) {
  std::vector<TSetupPageRequest> requests;
  QObject::connect(&page, &CANSetupPage::PageActivationRequested,
                   [&](TSetupPageRequest request) { requests.push_back(request); });
  TTarvoCAN message;
  message.ID = 0x12;
  state.Filters.FilterOnID(false, &message);
  EXPECT_EQ(Edit(11)->text(), "7FF");
  EXPECT_EQ(Edit(12)->text(), "012");
  EXPECT_EQ(Edit(18)->text(), "012");
  EXPECT_TRUE(Radio(18)->isChecked());
  EXPECT_TRUE(Find<QGroupBox>("GroupBox12")->isVisibleTo(&page));
  EXPECT_EQ(requests, (std::vector<TSetupPageRequest>{TSetupPageRequest::CANSetup}));

  state.BitTiming.CANClock40MHzFlag = false;
  state.BitTiming.CheckCANBaudRateSupport();
  EXPECT_FALSE(Radio(111)->isEnabled());
  EXPECT_EQ(LabelText("Label18"), "20MHz");
  EXPECT_EQ(Spin("SpinEdit1")->value(), 1);
  EXPECT_EQ(Spin("SpinEdit1")->maximum(), 64);
}

}  // namespace
}  // namespace tarvo
