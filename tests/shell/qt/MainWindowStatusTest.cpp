// The main window's frame: size limits, pages, status bar with the bus-load
// gauge and the log indicator, the update timer and the close processing.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "QtTestSupport.h"
#include "shell/qt/StatusPanels.h"

namespace tarvo::test {
namespace {

using qt::MainWindow;

TEST(MainWindowSize, RefusesToShrinkBelowTheLimitsAt96Dpi) {
  WindowWithCANView w(1.0);
  EXPECT_EQ(w.window.minimumSize(), QSize(1050, 655));
  w.window.resize(600, 400);
  EXPECT_EQ(w.window.size(), QSize(1050, 655));
}

TEST(MainWindowSize, LimitsScaleWithTheScreen) {
  WindowWithCANView w(2.0);
  EXPECT_EQ(w.window.minimumSize(), QSize(2100, 1310));
}

TEST(MainWindowPages, ThreePagesInOrderAndCANSetupActiveAtCreation) {
  WindowWithCANView w;
  QTabWidget* pages = w.window.PageControl();
  ASSERT_EQ(pages->count(), 3);
  EXPECT_EQ(pages->tabText(0), "CAN View");
  EXPECT_EQ(pages->tabText(1), "CAN Transmit");
  EXPECT_EQ(pages->tabText(2), "CAN Setup");
  EXPECT_EQ(pages->currentIndex(), 2);
  w.window.ActivatePage(TPage::CANView);
  EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheet1");
  EXPECT_EQ(w.list->parentWidget(), pages->currentWidget());
}

// ---- status bar ----

struct TPanelRow {
  int index;
  int width;
  const char* text;
};

TEST(MainWindowStatusBar, PanelsHaveTheirWidthsAndStartTexts) {
  WindowWithCANView w;
  const TPanelRow rows[] = {{0, 125, "Stopped"}, {1, 45, ""}, {2, 95, "Hexadecimal "}, {3, 160, ""}};
  qt::StatusPanels& status = w.window.Status();
  ASSERT_EQ(status.PanelCount(), 5);
  for (const TPanelRow& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(status.Panel(row.index)->width(), row.width);
    EXPECT_EQ(status.Text(row.index).toStdString(), row.text);
  }
  EXPECT_GE(status.Panel(4)->minimumWidth(), 400);
}

TEST(MainWindowStatusBar, PanelWidthsScale) {
  WindowWithCANView w(1.5);
  EXPECT_EQ(w.window.Status().Panel(0)->width(), 188);  // 187.5, halves to even
  EXPECT_EQ(w.window.Status().Panel(1)->width(), 68);   // 67.5
  EXPECT_EQ(w.window.Status().Panel(3)->width(), 240);
}

TEST(MainWindowStatusBar, WithoutBusLoadTheAdapterIsPanel4) {
  WindowWithCANView w;
  w.window.SetStatusPanelText(4, "    Tarvo    S/N 1234");
  EXPECT_EQ(w.window.Status().DevicePanelNo(), 4);
  EXPECT_EQ(w.window.Status().Text(4), "    Tarvo    S/N 1234");
  EXPECT_EQ(w.window.Status().BusLoadBar(), nullptr);
}

TEST(MainWindowStatusBar, BusLoadGaugeIsInsertedAt4AndMovesTheAdapterTo5) {
  WindowWithCANView w;
  w.window.SetStatusPanelText(4, "adapter");
  w.window.CreateBusLoadGauge();
  qt::StatusPanels& status = w.window.Status();
  ASSERT_EQ(status.PanelCount(), 6);
  EXPECT_EQ(status.DevicePanelNo(), 5);
  EXPECT_EQ(status.Panel(4)->width(), 150);
  EXPECT_EQ(status.Text(5), "adapter");
  ASSERT_NE(status.BusLoadBar(), nullptr);
  EXPECT_EQ(status.BusLoadBar()->minimum(), 0);
  EXPECT_EQ(status.BusLoadBar()->maximum(), 1000);
  EXPECT_EQ(status.BusLoadBar()->toolTip(), "CAN Bus Load");
  EXPECT_EQ(status.BusLoadLabel()->toolTip(), "CAN Bus Load");

  w.window.SetStatusPanelText(5, "adapter    Status OK");
  EXPECT_EQ(status.Text(5), "adapter    Status OK");
  // Panel 4 is the gauge now: a text for it changes nothing.
  w.window.SetStatusPanelText(4, "stray");
  EXPECT_EQ(status.Text(5), "adapter    Status OK");

  w.window.CreateBusLoadGauge();  // a second call inserts nothing
  EXPECT_EQ(status.PanelCount(), 6);
}

TEST(MainWindowStatusBar, BusLoadShowsPositionTextAndRedWhenInvalid) {
  WindowWithCANView w;
  w.window.CreateBusLoadGauge();
  qt::StatusPanels& status = w.window.Status();
  const QColor normal = status.BusLoadLabel()->palette().color(QPalette::WindowText);
  ASSERT_NE(normal, QColor(Qt::red));

  w.window.ShowBusLoad(999, "Bus Load 99,9%", true);
  EXPECT_EQ(status.BusLoadBar()->value(), 999);
  EXPECT_EQ(status.BusLoadLabel()->text(), "Bus Load 99,9%");
  EXPECT_EQ(status.BusLoadLabel()->palette().color(QPalette::WindowText), normal);

  w.window.ShowBusLoad(1000, "Bus Load 100,0%", false);
  EXPECT_EQ(status.BusLoadBar()->value(), status.BusLoadBar()->maximum());
  EXPECT_EQ(status.BusLoadLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));

  w.window.ShowBusLoad(0, "Bus Load 0,0%", true);
  EXPECT_EQ(status.BusLoadBar()->value(), 0);
  EXPECT_EQ(status.BusLoadLabel()->palette().color(QPalette::WindowText), normal);
}

TEST(MainWindowLogIndicator, HintWithoutLogFileIsLogStopped) {
  WindowWithCANView w;
  qt::LogIndicator* log = w.window.Status().Log();
  EXPECT_EQ(log->HintText(), "Log Stopped");
  EXPECT_EQ(log->Frame(), 0);
  w.window.show();
  QHelpEvent hint(QEvent::ToolTip, QPoint(5, 5), log->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(log, &hint);
  EXPECT_EQ(QToolTip::text(), "Log Stopped");
}

TEST(MainWindowLogIndicator, HintIsBuiltEachTimeItShows) {
  WindowWithCANView w;
  std::string state = "Log Recording - /logs/a.txt";
  w.window.Status().Log()->SetHintSource([&] { return state; });
  EXPECT_EQ(w.window.Status().Log()->HintText(), "Log Recording - /logs/a.txt");
  state = "Log Stopped - /logs/a.txt";
  EXPECT_EQ(w.window.Status().Log()->HintText(), "Log Stopped - /logs/a.txt");
}

TEST(MainWindowLogIndicator, AnimationCyclesItsFramesAndStopShowsFrame0) {
  WindowWithCANView w;
  qt::LogIndicator* log = w.window.Status().Log();
  log->Animate(3, 4, 5);
  EXPECT_EQ(log->Frame(), 3);
  EXPECT_TRUE(QTest::qWaitFor([&] { return log->Frame() == 4; }, 1000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return log->Frame() == 3; }, 1000));
  log->Stop();
  EXPECT_EQ(log->Frame(), 0);
  QTest::qWait(30);
  EXPECT_EQ(log->Frame(), 0);
}

// ---- timer, selection commands, close ----

TEST(MainWindowTimer, TheTickTimerIsAPrecise10msTimerRunningTheTick) {
  WindowWithCANView w;
  int ticks = 0;
  w.window.SetHandler(qt::TCommand::Tick, [&] { ++ticks; });
  EXPECT_EQ(w.window.TickTimer()->interval(), 10);
  EXPECT_EQ(w.window.TickTimer()->timerType(), Qt::PreciseTimer);
  w.window.SetTickEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
  w.window.SetTickEnabled(false);
  const int stopped = ticks;
  QTest::qWait(40);
  EXPECT_EQ(ticks, stopped);
}

TEST(MainWindowSelection, SelectingAReceivedRowEnablesCopyToTxAndFilterOnIDEverywhere) {
  WindowWithCANView w;
  SetCANViewBufferSize(w.view, w.display);
  TTarvoCAN received;
  received.ID = 0x123;
  received.DLC = 1;
  DisplayReceiveMessage(w.view, w.display, received);
  w.window.SetCANViewItemCount(w.view.CANView.Count);
  ASSERT_EQ(w.window.CANViewItemCount(), 1);

  w.window.SelectCANViewItem(0, true);
  w.window.UpdateSelectionCommands();
  for (const char* name : {"CopyToTx1", "CopyToTx2", "FilterOnID1", "FilterOnID2"})
    EXPECT_TRUE(w.window.Action(name)->isEnabled()) << name;
  EXPECT_TRUE(w.window.findChild<QWidget*>("CopyToTxButton")->isEnabled());

  w.list->clearSelection();
  w.window.UpdateSelectionCommands();
  EXPECT_FALSE(w.window.Action("CopyToTx2")->isEnabled());
  EXPECT_FALSE(w.window.findChild<QWidget*>("FilterOnIDButton")->isEnabled());
}

// The arrow keys move the selection as well as the mouse: the commands
// follow, so Filter On ID and Copy To Tx are off on a bus-state row.
TEST(MainWindowSelection, TheCommandsFollowASelectionMovedByTheKeyboard) {
  WindowWithCANView w;
  SetCANViewBufferSize(w.view, w.display);
  TTarvoCAN received;
  received.ID = 0x123;
  DisplayReceiveMessage(w.view, w.display, received);
  TDeviceStatus busOff;
  busOff.StatusType = 1;
  busOff.Param[3] = 0x20;
  DisplayBusState(w.view, busOff);
  w.window.SetCANViewItemCount(w.view.CANView.Count);
  ASSERT_EQ(w.window.CANViewItemCount(), 2);
  ASSERT_NE(w.view.CANView.List[1].ItemType, ITEM_RD);

  w.window.SelectCANViewItem(0, true);
  EXPECT_TRUE(w.window.Action("FilterOnID1")->isEnabled());
  QTest::keyClick(w.list, Qt::Key_Down);
  ASSERT_EQ(w.list->SelectedRow(), 1);
  for (const char* name : {"CopyToTx1", "CopyToTx2", "FilterOnID1", "FilterOnID2"})
    EXPECT_FALSE(w.window.Action(name)->isEnabled()) << name;
  QTest::keyClick(w.list, Qt::Key_Up);
  EXPECT_TRUE(w.window.Action("CopyToTx1")->isEnabled());
}

// Both lists share one scroll-bar handler: the transmit list's scroll bar
// holds a cyclic CAN View, the wheel over it does not.
TEST(MainWindowSelection, TransmitListScrollBarHoldsTheCyclicCANView) {
  struct Case {
    QAbstractSlider::SliderAction action;
    bool sliderDown;
    bool held;
  };
  const Case cases[] = {{QAbstractSlider::SliderSingleStepAdd, false, true},
                        {QAbstractSlider::SliderMove, true, true},
                        {QAbstractSlider::SliderMove, false, false}};
  for (const Case& c : cases) {
    WindowWithCANView w;
    ASSERT_TRUE(w.list->CyclicCommand(true));
    DisplayReceiveMessage(w.view, w.display, TTarvoCAN{});
    QScrollBar* bar = w.window.TransmitList()->verticalScrollBar();
    bar->setSliderDown(c.sliderDown);
    bar->triggerAction(c.action);
    EXPECT_EQ(w.view.CyclicManualScrollFlag, c.held) << c.action << " " << c.sliderDown;
  }
}

TEST(MainWindowClose, CloseHandlerCanKeepTheWindowOpen) {
  WindowWithCANView w;
  bool allow = false;
  int asked = 0;
  w.window.SetCloseHandler([&] {
    ++asked;
    return allow;
  });
  w.window.show();
  w.window.Action("Exit1")->trigger();
  EXPECT_TRUE(w.window.isVisible());
  allow = true;
  w.window.findChild<QWidget*>("ExitButton")->setEnabled(true);
  w.window.Action("Exit1")->trigger();
  EXPECT_FALSE(w.window.isVisible());
  EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace tarvo::test
