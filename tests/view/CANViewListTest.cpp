#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <functional>

#include "support/TestApplication.h"
#include "QtWarnings.h"
#include "ViewTestSupport.h"
#include "view/qt/BalloonHint.h"
#include "view/qt/CANViewList.h"

namespace tarvo {
namespace {

[[maybe_unused]] auto* const qtApp = ::testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("view_tests"));

using test::Frame;

class CANViewListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.UpdateInterval = 0;  // every tick refreshes
    SetCANViewBufferSize(s, settings);
    list = std::make_unique<CANViewList>(s, settings);
    list->Model()->SetDecimalSeparator(".");
    tester = std::make_unique<QAbstractItemModelTester>(list->Model(),
                                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    list->resize(700, 300);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  }

  void Receive(int n, uint32_t firstId = 0) {
    for (int i = 0; i < n; ++i) DisplayReceiveMessage(s, settings, Frame(firstId + uint32_t(i), 0, 0, 0, {1}));
  }
  void Refresh() { list->RefreshStep(10); }
  // What the event loop does between two ticks: pending layout, then painting.
  void Paint() {
    QCoreApplication::processEvents();
    list->viewport()->repaint();
  }
  int TopRow() { return list->rowAt(0); }
  int BottomRow() { return list->rowAt(list->viewport()->height() - 1); }
  void ClickRow(int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->Model()->index(row, 1)).center());
  }

  TCANViewState s;
  TDisplaySettings settings;
  std::unique_ptr<CANViewList> list;
  std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(CANViewListTest, ListIsSetUpAsAReportList) {
  EXPECT_EQ(list->objectName(), "ListView1");
  EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->palette().color(QPalette::Inactive, QPalette::Highlight),
            list->palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  EXPECT_EQ(list->columnWidth(0), 80);
  EXPECT_EQ(list->columnWidth(1), 90);
  list->ConfigureCANView(1.5);
  EXPECT_EQ(list->columnWidth(13), 120);
  list->setColumnWidth(0, 10);
  EXPECT_EQ(list->columnWidth(0), 70);

  Receive(3);
  Refresh();
  const int rowHeight = list->rowHeight(0);
  ASSERT_GT(rowHeight, 0);
  QFont font = list->font();
  font.setPointSize(font.pointSize() + 10);
  list->setFont(font);
  EXPECT_GT(list->rowHeight(2), rowHeight);
  EXPECT_EQ(list->rowHeight(0), list->rowHeight(2));
}

TEST_F(CANViewListTest, CyclicViewFollowsTheNewestRow) {
  list->CyclicCommand(true);
  Receive(200);
  Refresh();
  EXPECT_EQ(list->Model()->rowCount(), 200);
  EXPECT_EQ(list->SelectedRow(), 199);
  EXPECT_EQ(BottomRow(), 199);
}

TEST_F(CANViewListTest, ScrollBarHoldsTheFillingViewUntilTheNewestRowsAreBack) {
  list->CyclicCommand(true);
  Receive(200);
  Refresh();
  list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  Paint();
  EXPECT_TRUE(s.CyclicManualScrollFlag);
  EXPECT_EQ(list->SelectedRow(), 0);  // the top row

  Receive(50, 0x1000);
  Refresh();
  Paint();
  EXPECT_EQ(TopRow(), 0);
  EXPECT_EQ(list->SelectedRow(), 0);

  list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  Paint();
  EXPECT_FALSE(s.CyclicManualScrollFlag);
  Receive(5, 0x2000);
  Refresh();
  EXPECT_EQ(list->SelectedRow(), 254);
  EXPECT_EQ(BottomRow(), 254);
}

// Only the scroll bar holds the view: the wheel over the list and the keys
// move it, but the next refresh brings the newest row back.
TEST_F(CANViewListTest, WheelAndKeysDoNotHoldTheCyclicView) {
  const std::function<void(QAbstractItemView&)> moves[] = {
      [](QAbstractItemView& l) {
        const QPoint at = l.viewport()->rect().center();
        QWheelEvent wheel(at, l.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 10 * 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(l.viewport(), &wheel);
      },
      // The first Page Up may only move the cursor to the top of the page
      // (where the rows end depends on the font); the second scrolls.
      [](QAbstractItemView& l) {
        QTest::keyClick(&l, Qt::Key_PageUp);
        QTest::keyClick(&l, Qt::Key_PageUp);
      },
      [](QAbstractItemView& l) { QTest::keyClick(&l, Qt::Key_Home, Qt::ControlModifier); },
  };
  list->CyclicCommand(true);
  for (size_t i = 0; i < std::size(moves); ++i) {
    Receive(200, 0x100 * uint32_t(i));
    Refresh();
    Paint();
    ASSERT_EQ(BottomRow(), list->Model()->rowCount() - 1) << i;
    moves[i](*list);
    Paint();
    ASSERT_NE(BottomRow(), list->Model()->rowCount() - 1) << "move " << i << " did not scroll";
    EXPECT_FALSE(s.CyclicManualScrollFlag) << "move " << i;
    Refresh();
    Paint();
    EXPECT_EQ(BottomRow(), list->Model()->rowCount() - 1) << "move " << i;
  }
}

TEST_F(CANViewListTest, DraggingTheSliderHoldsTheCyclicView) {
  list->CyclicCommand(true);
  Receive(200);
  Refresh();
  QScrollBar* bar = list->verticalScrollBar();
  bar->setSliderDown(true);
  bar->setSliderPosition(0);
  bar->setSliderDown(false);
  Paint();
  EXPECT_TRUE(s.CyclicManualScrollFlag);
  Receive(5, 0x1000);
  Refresh();
  Paint();
  EXPECT_EQ(TopRow(), 0);
}

TEST_F(CANViewListTest, WrappedViewKeepsSelectingButDoesNotJumpWhileHeld) {
  list->CyclicCommand(true);
  Receive(1000 + 500);  // newest in slot 499
  Refresh();
  EXPECT_EQ(list->SelectedRow(), 499);
  list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  Paint();
  ASSERT_TRUE(s.CyclicManualScrollFlag);

  Receive(100, 0x4000);
  Refresh();
  Paint();
  EXPECT_EQ(list->SelectedRow(), 599);
  EXPECT_EQ(TopRow(), 0);

  // The user brings the newest row and its successor, the oldest, back into view.
  list->scrollTo(list->Model()->index(599, 0), QAbstractItemView::PositionAtCenter);
  Paint();
  EXPECT_FALSE(s.CyclicManualScrollFlag);
}

TEST_F(CANViewListTest, FixedViewNeverScrollsOrSelects) {
  Receive(300);
  Refresh();
  EXPECT_EQ(list->SelectedRow(), -1);
  EXPECT_EQ(TopRow(), 0);
  list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_FALSE(s.CyclicManualScrollFlag);
  EXPECT_EQ(list->SelectedRow(), -1);
}

TEST_F(CANViewListTest, ClearEmptiesAtOnceWhenStoppedAndAtTheRefreshWhenRunning) {
  Receive(20);
  Refresh();
  list->ClearCommand(/*running=*/true);
  EXPECT_EQ(list->Model()->rowCount(), 20);
  Refresh();
  EXPECT_EQ(list->Model()->rowCount(), 0);

  Receive(20);
  Refresh();
  list->ClearCommand(/*running=*/false);
  EXPECT_EQ(list->Model()->rowCount(), 0);
}

TEST_F(CANViewListTest, ModeSwitchSyncsTheListAndReportsTheMode) {
  Receive(20);
  Refresh();
  QSignalSpy modeChanged(list.get(), &CANViewList::ModeChanged);
  EXPECT_FALSE(list->FixedCommand(false));
  EXPECT_TRUE(list->CyclicCommand(false));
  EXPECT_EQ(modeChanged.count(), 1);
  EXPECT_EQ(s.Mode, VIEW_CYCLIC);
  EXPECT_EQ(list->Model()->rowCount(), 0);
}

TEST_F(CANViewListTest, ClickingUpdatesTheSelectionCommands) {
  Receive(1);
  test::Transmit(s, Frame(0x1, 0), 0);
  Refresh();
  QSignalSpy commands(list.get(), &CANViewList::SelectionCommandsChanged);
  ClickRow(0);
  ASSERT_GE(commands.count(), 1);
  EXPECT_TRUE(commands.last()[0].toBool());
  ClickRow(1);
  EXPECT_FALSE(commands.last()[0].toBool());
}

// The arrow keys change the selection without a mouse release.
TEST_F(CANViewListTest, KeyboardSelectionUpdatesTheSelectionCommands) {
  Receive(1);
  DisplayBusState(s, test::StatusRecord(0, 0x20, 0));
  Refresh();
  ClickRow(0);
  QSignalSpy commands(list.get(), &CANViewList::SelectionCommandsChanged);
  QTest::keyClick(list.get(), Qt::Key_Down);
  ASSERT_GE(commands.count(), 1);
  EXPECT_FALSE(commands.last()[0].toBool());
}

TEST_F(CANViewListTest, ConversionBalloon) {
  Receive(1);
  DisplayBusState(s, test::StatusRecord(0, 0x20, 0));
  Refresh();
  BalloonHint* balloon = list->Balloon();

  list->ShowConversion();  // nothing selected
  EXPECT_TRUE(balloon->isVisible());
  EXPECT_EQ(balloon->Title(), "No item selected");
  EXPECT_EQ(balloon->TimeoutMs(), 2000);
  EXPECT_GE(balloon->x(), 200);

  ClickRow(0);  // a click hides it
  EXPECT_FALSE(balloon->isVisible());
  list->ShowConversion();
  EXPECT_EQ(balloon->Title(), "Decimal");
  EXPECT_EQ(balloon->Text(), "RD11   0.0000   0   1");
  list->HideConversion();

  ClickRow(1);  // bus off: no balloon
  list->ShowConversion();
  EXPECT_FALSE(balloon->isVisible());
}

}  // namespace
}  // namespace tarvo
