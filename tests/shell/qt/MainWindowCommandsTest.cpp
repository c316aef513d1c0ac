// The command map of the main window: menus, tool bar, pop-up menus, the
// twins that change together, and the controls the logic names.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "QtTestSupport.h"

namespace tarvo::test {
namespace {

using qt::MainWindow;
using qt::TCommand;

// "-" stands for a separator.
struct TMenuRow {
  const char* menu;
  std::vector<const char*> captions;
};

const TMenuRow kMenus[] = {
    {"&File", {"&New", "&Load...", "-", "&Save", "S&ave As...", "-", "&Database...", "&Unload Database", "Open Lo&g...", "-", "&Exit Tarvo"}},
    {"&View",
     {"&Clear", "Copy To &Tx", "Filter On &ID", "&Snapshot", "Show &Decimal", "Fo&nt +", "-", "&Fixed",
      "C&yclic", "-", "Signal &Plot", "&Options..."}},
    {"&Log",
     {"&Start Log Recording", "Start Log &Replay", "Si&ngle Step Log Replay", "&Pause Log Replay",
      "S&top Log", "-", "&Options..."}},
    {"&Tarvo", {"&Start Tarvo", "Start Tarvo &Rx", "S&top Tarvo", "-", "&Options...", "-",
                "S&hare Adapter (socketcand)"}},
    {"&Help", {"&Tarvo Help...", "-", "&About Tarvo..."}},
};

std::vector<std::string> Captions(const QMenu* menu) {
  std::vector<std::string> out;
  for (const QAction* a : menu->actions()) out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  return out;
}

TEST(MainWindowMenus, MenuBarHoldsEveryMenuWithItsItemsAndSeparatorsInOrder) {
  WindowWithCANView w;
  const QList<QAction*> menus = w.window.menuBar()->actions();
  ASSERT_EQ(menus.size(), qsizetype(std::size(kMenus)));
  for (size_t i = 0; i < std::size(kMenus); ++i) {
    SCOPED_TRACE(kMenus[i].menu);
    EXPECT_EQ(menus[qsizetype(i)]->text().toStdString(), kMenus[i].menu);
    const std::vector<std::string> expected(kMenus[i].captions.begin(), kMenus[i].captions.end());
    EXPECT_EQ(Captions(menus[qsizetype(i)]->menu()), expected);
  }
}

struct TCommandRow {
  const char* name;
  const char* caption;
  const char* shortcut;
  std::optional<bool> enabled;  // none: follows the saved view mode
};

const TCommandRow kCommands[] = {
    {"New1", "&New", "", true},
    {"Load1", "&Load...", "", true},
    {"Save1", "&Save", "", true},
    {"SaveAs1", "S&ave As...", "", true},
    {"Database1", "&Database...", "Ctrl+K", true},
    {"UnloadDatabase1", "&Unload Database", "", false},
    {"OpenLog1", "Open Lo&g...", "", true},
    {"Exit1", "&Exit Tarvo", "", true},
    {"Clear1", "&Clear", "Ctrl+C", true},
    {"CopyToTx1", "Copy To &Tx", "Ctrl+T", false},
    {"FilterOnID1", "Filter On &ID", "Ctrl+I", false},
    {"Snapshot1", "&Snapshot", "Ctrl+S", true},
    {"ShowConversion1", "Show &Decimal", "Ctrl+B", true},
    {"Font1", "Fo&nt +", "Ctrl+A", true},
    {"Fixed1", "&Fixed", "Ctrl+F", std::nullopt},
    {"Cyclic1", "C&yclic", "Ctrl+Y", std::nullopt},
    {"SignalPlot1", "Signal &Plot", "Ctrl+G", true},
    {"DisplayOptions1", "&Options...", "", true},
    {"StartLogRecording1", "&Start Log Recording", "Ctrl+L", true},
    {"StartLogReplay1", "Start Log &Replay", "Ctrl+R", false},
    {"SingleStepLogReplay1", "Si&ngle Step Log Replay", "Ctrl+N", false},
    {"PauseLogReplay1", "&Pause Log Replay", "Ctrl+P", false},
    {"StopLog1", "S&top Log", "", false},
    {"LogOptions1", "&Options...", "", true},
    {"Start1", "&Start Tarvo", "Esc", false},
    {"StartRxTx1", "Start Tarvo &Rx", "", false},
    {"Stop1", "S&top Tarvo", "", false},
    {"Device1", "&Options...", "", true},
    {"ShareAdapter1", "S&hare Adapter (socketcand)", "", true},
    {"TarvoHelp1", "&Tarvo Help...", "", true},
    {"About1", "&About Tarvo...", "", true},
};

TEST(MainWindowMenus, EachMenuCommandHasItsComponentNameCaptionShortcutAndInitialState) {
  WindowWithCANView w;
  for (const TCommandRow& row : kCommands) {
    SCOPED_TRACE(row.name);
    QAction* action = w.window.Action(row.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->objectName().toStdString(), row.name);
    EXPECT_EQ(action->text().toStdString(), row.caption);
    EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText).toStdString(), row.shortcut);
    if (row.enabled) {
      EXPECT_EQ(action->isEnabled(), *row.enabled);
    }
  }
}

// The database command's shortcut is none of another command's, and none of
// the transmit keys (F1..F9, Ctrl+1..Ctrl+9).
TEST(MainWindowMenus, DatabaseShortcutIsItsOwn) {
  WindowWithCANView w;
  const QKeySequence keys = w.window.Action("Database1")->shortcut();
  ASSERT_FALSE(keys.isEmpty());
  for (const QAction* a : w.window.findChildren<QAction*>()) {
    if (a->objectName() != "Database1") {
      EXPECT_NE(a->shortcut(), keys) << a->objectName().toStdString();
    }
  }
  for (int i = 1; i <= 9; ++i) {
    EXPECT_NE(keys, QKeySequence(QString("F%1").arg(i)));
    EXPECT_NE(keys, QKeySequence(QString("Ctrl+%1").arg(i)));
  }
}

TEST(MainWindowMenus, OpeningTheViewMenuRunsItsOpeningHandlerFirst) {
  WindowWithCANView w;
  int opened = 0;
  w.window.SetHandler(TCommand::ViewMenuOpening, [&] { ++opened; });
  QMenu* view = w.window.findChild<QMenu*>("View1");
  ASSERT_NE(view, nullptr);
  emit view->aboutToShow();
  EXPECT_EQ(opened, 1);
}

struct TToolRow {
  const char* name;  // nullptr: separator
  const char* caption;
  const char* hint;
  bool enabled;
  TCommand command;
};

const TToolRow kToolButtons[] = {
    {"NewButton", "New", "New Configuration", true, TCommand::NewConfiguration},
    {"LoadButton", "Load", "Load Configuration", true, TCommand::LoadConfiguration},
    {nullptr, "", "", true, TCommand::Exit},
    {"SaveButton", "Save", "Save Configuration", true, TCommand::SaveConfiguration},
    {nullptr, "", "", true, TCommand::Exit},
    {"ClearButton", "Clear", "Clear CAN View", true, TCommand::ClearView},
    {"CopyToTxButton", "Copy To Tx", "Copy Receive Message To CAN Transmit Editor", false, TCommand::CopyToTransmit},
    {"FilterOnIDButton", "Filter On ID", "Set CAN Receive Filters For Selected ID Only", false,
     TCommand::FilterOnId},
    {"SnapshotButton", "Snapshot", "Take Snapshot", true, TCommand::Snapshot},
    {nullptr, "", "", true, TCommand::Exit},
    {"FixedButton", "Fixed", "Select Fixed View", false, TCommand::SelectFixedView},
    {"CyclicButton", "Cyclic", "Select Cyclic View", true, TCommand::SelectCyclicView},
    {nullptr, "", "", true, TCommand::Exit},
    {"StartLogRecordingButton", "Start Log Recording", "Start Log Recording", true, TCommand::StartLogRecording},
    {"StartLogReplayButton", "Start Log Replay", "Start Log Replay", false, TCommand::StartLogReplay},
    {"SingleStepLogReplayButton", "Single Step Log Replay", "Single Step Log Replay", false,
     TCommand::SingleStepLogReplay},
    {"PauseLogReplayButton", "Pause Log Replay", "Pause Log Replay", false, TCommand::PauseLogReplay},
    {"StopLogButton", "Stop Log", "Stop Log", false, TCommand::StopLog},
    {nullptr, "", "", true, TCommand::Exit},
    {"StartButton", "Start", "Start Tarvo", false, TCommand::StartRun},
    {"StartRxTxButton", "Start Rx", "Start Tarvo Rx", false, TCommand::StartRunRxTx},
    {"StopButton", "Stop", "Stop Tarvo", false, TCommand::StopRun},
    {nullptr, "", "", true, TCommand::Exit},
    {"HelpButton", "Help", "Show Tarvo Help", true, TCommand::ShowHelp},
    {nullptr, "", "", true, TCommand::Exit},
    {"ExitButton", "Exit", "Exit Tarvo Application", true, TCommand::Exit},
};

TEST(MainWindowToolBar, ButtonsStandInOrderWithSeparators35PixelsWide) {
  WindowWithCANView w;
  QToolBar* bar = w.window.findChild<QToolBar*>("ToolBar1");
  ASSERT_NE(bar, nullptr);
  const QList<QAction*> actions = bar->actions();
  ASSERT_EQ(actions.size(), qsizetype(std::size(kToolButtons)));
  for (size_t i = 0; i < std::size(kToolButtons); ++i) {
    const TToolRow& row = kToolButtons[i];
    SCOPED_TRACE(row.name ? row.name : "separator");
    QAction* action = actions[qsizetype(i)];
    ASSERT_EQ(action->isSeparator(), row.name == nullptr);
    if (!row.name) continue;
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->objectName().toStdString(), row.name);
    EXPECT_EQ(button->width(), 35);
    EXPECT_EQ(button->text().toStdString(), row.caption);
    EXPECT_EQ(button->toolTip().toStdString(), row.hint);
    EXPECT_EQ(button->isEnabled(), row.enabled);
  }
}

TEST(MainWindowToolBar, EachButtonRunsTheHandlerOfItsMenuCommand) {
  WindowWithCANView w;
  std::string ran;
  for (const TToolRow& row : kToolButtons) {
    if (row.name) w.window.SetHandler(row.command, [&ran, c = row.command] { ran = qt::CommandName(c); });
  }
  for (const TToolRow& row : kToolButtons) {
    if (!row.name) continue;
    SCOPED_TRACE(row.name);
    auto* button = w.window.findChild<QToolButton*>(row.name);
    ASSERT_NE(button, nullptr);
    w.window.SetControlEnabled(row.name, true);
    ran.clear();
    button->click();
    EXPECT_EQ(ran, qt::CommandName(row.command));
  }
}

// Every menu and pop-up item, by component name, with the command it runs.
// A pop-up twin that shares its menu item's action runs the same command.
struct TItemRow {
  const char* name;
  TCommand command;
};

const TItemRow kItems[] = {
    {"New1", TCommand::NewConfiguration},
    {"Load1", TCommand::LoadConfiguration},
    {"Save1", TCommand::SaveConfiguration},
    {"SaveAs1", TCommand::SaveConfigurationAs},
    {"Database1", TCommand::LoadDatabase},
    {"UnloadDatabase1", TCommand::UnloadDatabase},
    {"OpenLog1", TCommand::OpenLog},
    {"Exit1", TCommand::Exit},
    {"Clear1", TCommand::ClearView},
    {"CopyToTx1", TCommand::CopyToTransmit},
    {"FilterOnID1", TCommand::FilterOnId},
    {"Snapshot1", TCommand::Snapshot},
    {"ShowConversion1", TCommand::ToggleViewConversion},
    {"Font1", TCommand::ToggleListFont},
    {"Fixed1", TCommand::SelectFixedView},
    {"Cyclic1", TCommand::SelectCyclicView},
    {"SignalPlot1", TCommand::ToggleSignalPlot},
    {"DisplayOptions1", TCommand::DisplayOptions},
    {"StartLogRecording1", TCommand::StartLogRecording},
    {"StartLogReplay1", TCommand::StartLogReplay},
    {"SingleStepLogReplay1", TCommand::SingleStepLogReplay},
    {"PauseLogReplay1", TCommand::PauseLogReplay},
    {"StopLog1", TCommand::StopLog},
    {"LogOptions1", TCommand::LogOptions},
    {"Start1", TCommand::StartRun},
    {"StartRxTx1", TCommand::StartRunRxTx},
    {"Stop1", TCommand::StopRun},
    {"Device1", TCommand::DeviceOptions},
    {"ShareAdapter1", TCommand::ShareAdapter},
    {"TarvoHelp1", TCommand::ShowHelp},
    {"About1", TCommand::ShowAbout},
    {"Clear2", TCommand::ClearView},
    {"CopyToTx2", TCommand::CopyToTransmit},
    {"FilterOnID2", TCommand::FilterOnId},
    {"Snapshot2", TCommand::Snapshot},
    {"ShowConversion2", TCommand::ToggleViewConversion},
    {"Font2", TCommand::ToggleListFont},
    {"Fixed2", TCommand::SelectFixedView},
    {"Cyclic2", TCommand::SelectCyclicView},
    {"Now1", TCommand::SendNow},
    {"ShowConversion3", TCommand::ToggleTransmitConversion},
    {"Font3", TCommand::ToggleListFont},
    {"DisableAll1", TCommand::DisableAllTransmit},
    {"EnableAll1", TCommand::EnableAllTransmit},
    {"Delete1", TCommand::DeleteTransmit},
    {"DeleteAll1", TCommand::DeleteAllTransmit},
};

TEST(MainWindowCommands, EachMenuAndPopupItemRunsItsOwnCommand) {
  WindowWithCANView w;
  std::string ran;
  for (std::size_t i = 0; i < qt::kCommandCount; ++i) {
    const auto c = TCommand(i);
    w.window.SetHandler(c, [&ran, c] { ran = qt::CommandName(c); });
  }
  for (const TItemRow& row : kItems) {
    SCOPED_TRACE(row.name);
    QAction* action = w.window.Action(row.name);
    ASSERT_NE(action, nullptr);
    action->setEnabled(true);
    ran.clear();
    action->trigger();
    EXPECT_EQ(ran, qt::CommandName(row.command));
  }
}

// A window alone binds its own commands; every other one waits for the
// program, and start-up refuses a window with any left unbound.
TEST(MainWindowCommands, AWindowAloneBindsOnlyItsOwnCommands) {
  WindowWithCANView w;
  const std::vector<TCommand> unbound = w.window.UnboundCommands();
  for (TCommand own : {TCommand::Exit, TCommand::ToggleListFont, TCommand::ShowHelp, TCommand::ShowAbout})
    EXPECT_EQ(std::count(unbound.begin(), unbound.end(), own), 0) << qt::CommandName(own);
  EXPECT_EQ(unbound.size(), qt::kCommandCount - 4);
  w.window.SetHandler(TCommand::Tick, [] {});
  EXPECT_EQ(w.window.UnboundCommands().size(), qt::kCommandCount - 5);
}

// Naming any one of a menu item, its pop-up twin and its tool button
// enables and disables all of them.
struct TTwinRow {
  const char* named;
  std::vector<const char*> twins;
};

const TTwinRow kTwins[] = {
    {"Start1", {"Start1", "StartButton"}},
    {"StartButton", {"Start1", "StartButton"}},
    {"Clear1", {"Clear1", "Clear2", "ClearButton"}},
    {"ClearButton", {"Clear1", "Clear2", "ClearButton"}},
    {"CopyToTx1", {"CopyToTx1", "CopyToTx2", "CopyToTxButton"}},
    {"FilterOnIDButton", {"FilterOnID1", "FilterOnID2", "FilterOnIDButton"}},
    {"Fixed2", {"Fixed1", "Fixed2", "FixedButton"}},
    {"Cyclic1", {"Cyclic1", "Cyclic2", "CyclicButton"}},
    {"StopLog1", {"StopLog1", "StopLogButton"}},
};

bool ControlEnabled(MainWindow& w, const char* name) {
  QObject* control = w.FindControl(name);
  if (auto* button = qobject_cast<QToolButton*>(control)) return button->isEnabled();
  if (auto* action = qobject_cast<QAction*>(control)) return action->isEnabled();
  ADD_FAILURE() << "no control " << name;
  return false;
}

TEST(MainWindowControls, EnablingByAnyComponentNameChangesAllTwins) {
  WindowWithCANView w;
  for (const TTwinRow& row : kTwins) {
    for (bool enabled : {true, false, true}) {
      SCOPED_TRACE(std::string(row.named) + (enabled ? " on" : " off"));
      w.window.SetControlEnabled(row.named, enabled);
      for (const char* twin : row.twins) EXPECT_EQ(ControlEnabled(w.window, twin), enabled) << twin;
    }
  }
}

TEST(MainWindowControls, ButtonCaptionIsTheButtonsOwnWhileTheMenuKeepsItsCaption) {
  WindowWithCANView w;
  w.window.SetControlCaption("StartRxTxButton", "Start Tx");
  w.window.SetControlHint("StartRxTxButton", "Start Tarvo Tx");
  EXPECT_EQ(w.window.Action("StartRxTx1")->text().toStdString(), "Start Tarvo &Rx");

  w.window.SetControlCaption("StartRxTx1", "Start Tarvo Tx");
  auto* button = w.window.findChild<QToolButton*>("StartRxTxButton");
  EXPECT_EQ(button->text().toStdString(), "Start Tx");
  EXPECT_EQ(button->toolTip().toStdString(), "Start Tarvo Tx");
  EXPECT_EQ(w.window.Action("StartRxTx1")->text().toStdString(), "Start Tarvo Tx");
}

TEST(MainWindowControls, ShortcutsMoveBetweenCommands) {
  WindowWithCANView w;
  w.window.SetControlShortcut("Start1", "");
  w.window.SetControlShortcut("Stop1", "Esc");
  EXPECT_TRUE(w.window.Action("Start1")->shortcut().isEmpty());
  EXPECT_EQ(w.window.Action("Stop1")->shortcut(), QKeySequence(Qt::Key_Escape));
}

// ---- pop-up menus ----

// Each pop-up menu: its items' captions in order ("-" a separator) and the
// shortcut of each.
struct PopupCase {
  const char* Name;
  QMenu* (MainWindow::*Popup)() const;
  std::vector<std::string> Captions;
  std::vector<std::string> Shortcuts;
};

TEST(MainWindowPopups, EachPopupHasItsCaptionsAndShortcuts) {
  const PopupCase cases[] = {
      {"CAN View",
       &MainWindow::CANViewPopup,
       {"&Clear All", "Copy To &Tx", "Filter On &ID", "&Snapshot", "Show &Decimal", "Fo&nt +", "-", "&Fixed",
        "C&yclic"},
       {"Ctrl+C", "Ctrl+T", "Ctrl+I", "Ctrl+S", "Ctrl+B", "Ctrl+A", "", "Ctrl+F", "Ctrl+Y"}},
      {"CAN Transmit",
       &MainWindow::TransmitPopup,
       {"&Now", "-", "S&how Decimal", "Fo&nt +", "-", "&Disable All", "&Enable All", "-", "De&lete", "Delete &All"},
       {"Ins", "", "Ctrl+B", "Ctrl+A", "", "Ctrl+D", "Ctrl+E", "", "Del", ""}},
  };
  WindowWithCANView w;
  for (const PopupCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QMenu* popup = (w.window.*c.Popup)();
    EXPECT_EQ(Captions(popup), c.Captions);
    std::vector<std::string> keys;
    for (QAction* a : popup->actions()) keys.push_back(a->shortcut().toString(QKeySequence::PortableText).toStdString());
    EXPECT_EQ(keys, c.Shortcuts);
  }
}

// Shortcuts only reach a window that is shown and active.
void ShowActive(MainWindow& w) {
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

TEST(MainWindowPopups, FocusedListRunsItsOwnPopupShortcutBeforeTheWindows) {
  WindowWithCANView w;
  std::vector<std::string> ran;
  for (TCommand c : {TCommand::ToggleViewConversion, TCommand::ToggleTransmitConversion, TCommand::SendNow})
    w.window.SetHandler(c, [&ran, c] { ran.push_back(qt::CommandName(c)); });
  ShowActive(w.window);

  w.window.TransmitList()->setFocus();
  QTest::keyClick(w.window.TransmitList(), Qt::Key_B, Qt::ControlModifier);
  QTest::keyClick(w.window.TransmitList(), Qt::Key_Insert);
  w.list->setFocus();
  QTest::keyClick(w.list, Qt::Key_B, Qt::ControlModifier);

  const std::vector<std::string> expected = {"ToggleTransmitConversion", "SendNow", "ToggleViewConversion"};
  EXPECT_EQ(ran, expected);
}

TEST(MainWindowPopups, ATransmitListBroughtByItsPageGetsThePopupShortcutsAndFont) {
  WindowWithCANView w;
  QWidget* page = w.window.ClearPage(TPage::CANTransmit);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(w.window.findChild<QWidget*>("ListView2"), nullptr);
  EXPECT_EQ(w.window.findChild<QWidget*>("AddButton"), nullptr);
  EXPECT_EQ(w.window.ClearPage(TPage::CANView), nullptr);

  auto* layout = new QVBoxLayout(page);
  auto* list = new QTableView(page);
  list->setObjectName("ListView2");
  layout->addWidget(list);
  w.window.AttachTransmitList(list);
  std::vector<std::string> ran;
  w.window.SetHandler(TCommand::DisableAllTransmit, [&] { ran.push_back("DisableAllTransmit"); });
  ShowActive(w.window);
  w.window.ActivatePage(TPage::CANTransmit);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(ran, std::vector<std::string>{"DisableAllTransmit"});

  w.window.SetListFontSize(10);
  EXPECT_EQ(list->font().pointSize(), 10);
}

TEST(MainWindowCommands, EscRunsStartWhileItCarriesTheShortcut) {
  WindowWithCANView w;
  int starts = 0, stops = 0;
  w.window.SetHandler(TCommand::StartRun, [&] { ++starts; });
  w.window.SetHandler(TCommand::StopRun, [&] { ++stops; });
  ShowActive(w.window);
  w.window.SetControlEnabled("Start1", true);
  QTest::keyClick(&w.window, Qt::Key_Escape);
  w.window.SetControlEnabled("Start1", false);
  w.window.SetControlShortcut("Start1", "");
  w.window.SetControlEnabled("Stop1", true);
  w.window.SetControlShortcut("Stop1", "Esc");
  QTest::keyClick(&w.window, Qt::Key_Escape);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(stops, 1);
}

// ---- font command ----

TEST(MainWindowFont, FontCommandTogglesBothListsAndEveryFontCaption) {
  WindowWithCANView w;
  ShowActive(w.window);
  const auto captions = [&] {
    return std::vector<std::string>{w.window.Action("Font1")->text().toStdString(),
                                    w.window.Action("Font2")->text().toStdString(),
                                    w.window.Action("Font3")->text().toStdString()};
  };
  EXPECT_EQ(w.list->font().pointSize(), 8);
  EXPECT_EQ(captions(), std::vector<std::string>(3, "Fo&nt +"));

  QTest::keyClick(&w.window, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(w.list->font().pointSize(), 10);
  EXPECT_EQ(w.window.TransmitList()->font().pointSize(), 10);
  EXPECT_EQ(captions(), std::vector<std::string>(3, "Fo&nt -"));

  QTest::keyClick(&w.window, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(w.list->font().pointSize(), 8);
  EXPECT_EQ(w.window.TransmitList()->font().pointSize(), 8);
  EXPECT_EQ(captions(), std::vector<std::string>(3, "Fo&nt +"));
}

TEST(MainWindowFont, LargerFontGivesTallerUniformRows) {
  WindowWithCANView w;
  const int small = w.list->verticalHeader()->defaultSectionSize();
  w.window.SetListFontSize(10);
  EXPECT_GT(w.list->verticalHeader()->defaultSectionSize(), small);
}

}  // namespace
}  // namespace tarvo::test
