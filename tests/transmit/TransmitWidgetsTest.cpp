#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "support/ModalWatch.h"
#include "support/TestApplication.h"
#include "TransmitFakes.h"
#include "transmit/qt/CANTransmitLocator.h"
#include "transmit/qt/CANTransmitPanel.h"
#include "transmit/qt/TransmitKeyFilter.h"
#include "transmit/qt/TransmitListModel.h"

namespace tarvo {
namespace {

[[maybe_unused]] testing::Environment* const qtApp =
    testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("transmit_widget_tests"));

class PanelTest : public testing::Test {
 protected:
  test::TransmitRig rig;
  CANTransmitPanel panel{rig.List, rig.Editor, rig.Host};
  QAbstractItemModelTester tester{panel.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal};

  template <class T>
  T* Child(const char* name) {
    T* child = panel.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QLineEdit* Edit(const char* name) { return Child<QLineEdit>(name); }
  QString Cell(int row, int column) { return panel.Model()->index(row, column).data().toString(); }

  void TypeAndAdd(const char* id) {
    QLineEdit* edit = Edit("Edit1");
    edit->clear();
    QTest::keyClicks(edit, id);
    QTest::mouseClick(Child<QPushButton>("AddButton"), Qt::LeftButton);
  }
};

TEST_F(PanelTest, EveryControlCarriesItsComponentName) {
  EXPECT_NE(Child<QTableView>("ListView2"), nullptr);
  EXPECT_EQ(Child<QGroupBox>("CANTransmitEditor")->title(), " CAN Transmit Editor ");
  for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9", "Edit10"})
    Edit(name);
  const std::pair<const char*, const char*> radios[] = {{"RadioButton30", "11 Bit"}, {"RadioButton31", "29 Bit"},
                                                        {"RadioButton32", "Data"},   {"RadioButton33", "Remote"},
                                                        {"RadioButton34", "On Time (ms) "},
                                                        {"RadioButton35", "On Key"}};
  for (const auto& [name, caption] : radios) EXPECT_EQ(Child<QRadioButton>(name)->text(), caption);
  for (const char* name : {"AddButton", "ModifyButton", "DeleteButton", "NowButton"}) Child<QPushButton>(name);
  EXPECT_EQ(Child<QSpinBox>("SpinEdit7")->maximum(), 8);
  EXPECT_EQ(Child<QComboBox>("ComboBox1")->count(), 10);
  EXPECT_EQ(Child<QComboBox>("ComboBox2")->count(), 18);
}

TEST_F(PanelTest, StartsWithTheFormState) {
  EXPECT_TRUE(Child<QRadioButton>("RadioButton30")->isChecked());
  EXPECT_EQ(Edit("Edit1")->maxLength(), 3);
  EXPECT_TRUE(Child<QRadioButton>("RadioButton32")->isChecked());
  EXPECT_EQ(Child<QSpinBox>("SpinEdit7")->value(), 8);
  EXPECT_EQ(Edit("Edit9")->text(), "FF");
  EXPECT_TRUE(Child<QRadioButton>("RadioButton34")->isChecked());
  EXPECT_EQ(Child<QComboBox>("ComboBox1")->currentText(), "1000");
  EXPECT_FALSE(Child<QComboBox>("ComboBox2")->isEnabled());
  EXPECT_EQ(Edit("Edit10")->maxLength(), 30);
}

TEST_F(PanelTest, TypedIdentifierIsUpperCasedAndAddShowsTheRow) {
  TypeAndAdd("7ff");
  EXPECT_EQ(Edit("Edit1")->text(), "7FF");
  ASSERT_EQ(panel.Model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, TX_COLUMN_ID), "7FF");
  EXPECT_EQ(Cell(0, TX_COLUMN_D1), "FF");
  EXPECT_EQ(Cell(0, TX_COLUMN_ON_TIME), "1000");
  EXPECT_EQ(panel.Model()->index(0, TX_COLUMN_TX).data(Qt::CheckStateRole).toInt(), Qt::Checked);

  TypeAndAdd("");
  EXPECT_EQ(rig.Dialogs.Texts(), std::vector<std::string>{TxMsgIDHex});
  EXPECT_EQ(panel.Model()->rowCount(), 1);
}

TEST_F(PanelTest, DLCFieldEnablesAndFillsTheDataFields) {
  auto* dlc = Child<QSpinBox>("SpinEdit7");
  dlc->setValue(2);
  EXPECT_TRUE(Edit("Edit3")->isEnabled());
  EXPECT_FALSE(Edit("Edit4")->isEnabled());
  EXPECT_EQ(Edit("Edit4")->text(), "");
  Edit("Edit2")->setText("");
  QTest::keyClicks(Edit("Edit2"), "1a");
  dlc->setValue(5);
  EXPECT_EQ(Edit("Edit2")->text(), "1A");
  EXPECT_EQ(Edit("Edit6")->text(), "FF");
  EXPECT_TRUE(Edit("Edit6")->isEnabled());
  EXPECT_EQ(rig.Editor.Form.DataText[0], "1A");
}

TEST_F(PanelTest, ClickingARowLoadsItAndTheCheckBoxTogglesIt) {
  TypeAndAdd("12");
  TypeAndAdd("34");
  QTableView* list = panel.ListView();
  list->resize(800, 300);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(panel.Model()->index(0, TX_COLUMN_ID)).center());
  EXPECT_EQ(rig.Editor.SelectedRow, 0);
  EXPECT_EQ(Edit("Edit1")->text(), "12");

  panel.Model()->setData(panel.Model()->index(1, TX_COLUMN_TX), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_FALSE(rig.List.List[1].EnabledFlag);
  EXPECT_EQ(rig.Editor.SelectedRow, 1);
  EXPECT_EQ(list->selectionModel()->selectedRows().value(0).row(), 1);
}

TEST_F(PanelTest, HeaderClickOnTxDisablesEveryItem) {
  TypeAndAdd("1");
  TypeAndAdd("2");
  emit panel.ListView()->horizontalHeader()->sectionClicked(TX_COLUMN_TX);
  for (int row = 0; row < 2; ++row)
    EXPECT_EQ(panel.Model()->index(row, TX_COLUMN_TX).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(PanelTest, DeleteKeepsTheModelConsistentAndSelectsTheNextRow) {
  for (const char* id : {"1", "2", "3"}) TypeAndAdd(id);
  rig.Editor.SelectRow(1);
  QTest::mouseClick(Child<QPushButton>("DeleteButton"), Qt::LeftButton);
  ASSERT_EQ(panel.Model()->rowCount(), 2);
  EXPECT_EQ(Cell(1, TX_COLUMN_ID), "3");
  EXPECT_EQ(panel.ListView()->selectionModel()->selectedRows().value(0).row(), 1);
  EXPECT_EQ(Edit("Edit1")->text(), "3");
}

TEST_F(PanelTest, BaseSwitchShowsConvertedTextsWithoutCuttingThem) {
  TypeAndAdd("1F");
  rig.Host.Hex = false;
  rig.Editor.ConvertCANTransmitEditorNumericBase();
  EXPECT_EQ(Edit("Edit1")->text(), "31");
  EXPECT_EQ(Edit("Edit2")->text(), "255");
  EXPECT_EQ(Edit("Edit1")->maxLength(), 4);
  EXPECT_EQ(Cell(0, TX_COLUMN_ID), "31");

  Edit("Edit1")->setText("");
  QTest::keyClicks(Edit("Edit1"), "2047");
  rig.Host.Hex = true;
  rig.Editor.ConvertCANTransmitEditorNumericBase();
  EXPECT_EQ(Edit("Edit1")->text(), "7FF");
  rig.Host.Hex = false;
  rig.Editor.ChooseIdWidth(false);
  QTest::keyClicks(Edit("Edit1"), "9999");
  rig.Host.Hex = true;
  rig.Editor.ConvertCANTransmitEditorNumericBase();
  EXPECT_EQ(Edit("Edit1")->text(), "270F");  // kept whole, so "ID too large." can say so
}

TEST_F(PanelTest, TriggerRadioButtonsSwitchTheBoxes) {
  QTest::mouseClick(Child<QRadioButton>("RadioButton35"), Qt::LeftButton);
  EXPECT_TRUE(Child<QComboBox>("ComboBox2")->isEnabled());
  EXPECT_FALSE(Child<QComboBox>("ComboBox1")->isEnabled());
  Child<QComboBox>("ComboBox2")->setCurrentIndex(10);
  EXPECT_EQ(rig.Editor.Form.KeyText, "Ctrl+2");
}

TEST_F(PanelTest, ConversionHintOfTheSelectedItem) {
  TypeAndAdd("1F");
  rig.Editor.SelectRow(0);
  QString title, text;
  QObject::connect(&panel, &CANTransmitPanel::ShowConversionHint,
                   [&](const QPoint& at, const QString& t, const QString& x, int) {
                     EXPECT_GE(at.x(), 200);
                     title = t;
                     text = x;
                   });
  panel.ToggleConversion();
  EXPECT_EQ(title, "Decimal");
  EXPECT_EQ(text, "[X]   11   31   Data   8   255   255   255   255   255   255   255   255");
  EXPECT_EQ(panel.ConversionCommandCaption(), "&Show Decimal");
}

// ---- Placement ----------------------------------------------------------------------------

TEST(TransmitLocator, MovesThePanelOntoTheCANViewPageAndBack) {
  test::TransmitRig rig;
  QTabWidget pages;
  auto* canViewPage = new QWidget;
  auto* canViewList = new QTableView(canViewPage);
  (new QVBoxLayout(canViewPage))->addWidget(canViewList);
  auto* transmitPage = new QWidget;
  pages.addTab(canViewPage, "CAN View");
  pages.addTab(transmitPage, "CAN Transmit");
  auto* panel = new CANTransmitPanel(rig.List, rig.Editor, rig.Host);
  CANTransmitLocator locator(&pages, canViewPage, canViewList, transmitPage, panel);
  pages.resize(900, 700);

  locator.LocateCANTransmit(false);
  EXPECT_EQ(panel->parentWidget(), transmitPage);

  pages.setCurrentIndex(1);
  locator.LocateCANTransmit(true);
  QSplitter* splitter = pages.findChild<QSplitter*>("Splitter1");
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(panel->parentWidget(), splitter);
  EXPECT_EQ(canViewList->parentWidget(), splitter);
  EXPECT_EQ(splitter->indexOf(canViewList), 0);  // the CAN View above the transmit list
  EXPECT_FALSE(pages.isTabVisible(1));
  EXPECT_EQ(pages.currentWidget(), canViewPage);
  EXPECT_GT(canViewList->minimumHeight(), locator.CANViewMinHeight);

  locator.LocateCANTransmit(false);
  EXPECT_EQ(pages.findChild<QSplitter*>("Splitter1"), nullptr);
  EXPECT_EQ(panel->parentWidget(), transmitPage);
  EXPECT_EQ(canViewList->parentWidget(), canViewPage);
  EXPECT_TRUE(pages.isTabVisible(1));
}

// ---- Keys ----------------------------------------------------------------------------------

struct KeyCountingWidget : QWidget {
  int Presses = 0;
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt) ++Presses;
    event->accept();
  }
};

TEST(TransmitKeyFilterTest, TransmitKeysSendOnceAndReachTheControl) {
  test::TransmitRig rig;
  rig.Host.RunningFlag = true;
  rig.List.Count = 2;
  rig.List.List[0] = {true, 0, 0x55, 0, 1, {}, 0, 5, "", 0, 0};   // F5
  rig.List.List[1] = {true, 0, 0x66, 0, 1, {}, 0, 14, "", 0, 0};  // Ctrl+5
  QWidget window;
  auto* control = new KeyCountingWidget;
  control->setParent(&window);
  control->setFocusPolicy(Qt::StrongFocus);
  TransmitKeyFilter filter(&window, rig.Scheduler);
  window.show();
  QApplication::setActiveWindow(&window);
  control->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), control);

  QTest::keyClick(control, Qt::Key_F5);
  QTest::keyClick(control, Qt::Key_F5, Qt::ShiftModifier);
  QTest::keyClick(control, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(control, Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier);
  QTest::keyClick(control, Qt::Key_5, Qt::ControlModifier);

  ASSERT_EQ(rig.Sender.Sent.size(), 3u);
  EXPECT_EQ(rig.Sender.Sent[0].ID, 0x55u);
  EXPECT_EQ(rig.Sender.Sent[1].ID, 0x55u);
  EXPECT_EQ(rig.Sender.Sent[2].ID, 0x66u);
  EXPECT_EQ(control->Presses, 5);  // nothing consumed
}

}  // namespace
}  // namespace tarvo
