// The whole program on the simulated adapter: start-up identification, a run
// started and stopped by key, and a "Now" transmission echoed into the view.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "EndToEndFixture.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/ShareWiring.h"
#include "shell/qt/StatusPanels.h"
#include "support/SocketcandClient.h"

namespace tarvo::test {
namespace {

class ApplicationShellTest : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    StartProgram();
  }
};

// Every menu item, key, tool button, pop-up opening and the tick reach a
// handler of the program: none is left doing nothing.
TEST_F(ApplicationShellTest, EveryCommandHasAHandler) {
  std::string unbound;
  for (qt::TCommand command : Window().UnboundCommands()) unbound += std::string(qt::CommandName(command)) + " ";
  EXPECT_EQ(unbound, "");
}

// The controls of the pages the subsystems fill are found by their
// component names; unknown names are ignored.
TEST_F(ApplicationShellTest, PageControlsAreFoundByComponentNameAndUnknownNamesIgnored) {
  for (const char* name : {"RadioButton100", "RadioButton112", "RadioButton120", "SpinEdit1", "SpinEdit6",
                           "RadioButton12", "RadioButton22", "Edit11", "Edit18", "Edit1", "SpinEdit7",
                           "ComboBox1", "AddButton", "NowButton"}) {
    SCOPED_TRACE(name);
    auto* widget = qobject_cast<QWidget*>(Window().FindControl(name));
    ASSERT_NE(widget, nullptr);
    Window().SetControlEnabled(name, false);
    EXPECT_FALSE(widget->isEnabled());
  }
  Window().SetControlEnabled("NoSuchControl", false);
  Window().SetControlCaption("NoSuchControl", "x");
  Window().SetControlImage("NoSuchControl", 3);
}

TEST_F(ApplicationShellTest, StartUpIdentifiesTheAdapterAndShowsTheCANView) {
  qt::StatusPanels& status = Window().Status();
  const QString adapter = status.Text(status.DevicePanelNo());
  EXPECT_TRUE(adapter.contains("S/N")) << adapter.toStdString();
  EXPECT_TRUE(adapter.contains("Status OK")) << adapter.toStdString();
  EXPECT_TRUE(Window().Action("Start1")->isEnabled());
  EXPECT_TRUE(Window().Action("StartRxTx1")->isEnabled());
  EXPECT_EQ(Window().PageControl()->currentIndex(), int(TPage::CANView));
  EXPECT_EQ(status.Text(0), "Stopped");
  const QString dp = QLocale::system().decimalPoint();
  EXPECT_EQ(status.Text(3), "B/R 250" + dp + "00k    S/P 70" + dp + "0%");
}

TEST_F(ApplicationShellTest, EscStartsARunThatFillsTheCANViewAndEscStopsIt) {
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(Running());
  EXPECT_TRUE(WaitFor([&] { return Window().CANViewItemCount() > 0; }, 5000));
  EXPECT_TRUE(Window().Status().Text(0).startsWith("Running"));
  EXPECT_FALSE(Window().Action("New1")->isEnabled());

  QTest::keyClick(&Window(), Qt::Key_Escape);
  EXPECT_FALSE(Running());
  EXPECT_EQ(Window().Status().Text(0), "Stopped");
  EXPECT_TRUE(Window().Action("Start1")->isEnabled());
}

TEST_F(ApplicationShellTest, NowSendsTheEditorsMessageAndTheCANViewShowsIt) {
  Trigger("Start1");
  ASSERT_TRUE(Running());
  auto* id = Find<QLineEdit>("Edit1");
  ASSERT_NE(id, nullptr);
  Window().ActivatePage(TPage::CANTransmit);
  QTest::keyClicks(id, "123");
  const int before = EntriesOfKind(ITEM_TD);
  Window().RunHandler(qt::TCommand::SendNow);
  EXPECT_EQ(EntriesOfKind(ITEM_TD), before + 1);
  Trigger("Stop1");
}

TEST_F(ApplicationShellTest, FilterOnIDSetsTheFiltersForTheSelectedReceivedMessage) {
  Trigger("Start1");
  ASSERT_TRUE(WaitFor([&] { return EntriesOfKind(ITEM_RD) > 0; }, 5000));
  Trigger("Stop1");
  const TCANView& view = App().View.CANView;
  Window().SetCANViewItemCount(view.Count);
  int32_t row = 0;
  while (view.List[size_t(row)].ItemType != ITEM_RD) ++row;
  Window().SelectCANViewItem(row, true);
  Window().UpdateSelectionCommands();
  ASSERT_TRUE(Window().Action("FilterOnID1")->isEnabled());

  Trigger("FilterOnID1");
  EXPECT_EQ(Window().PageControl()->currentIndex(), int(TPage::CANSetup));
  EXPECT_TRUE(Find<QRadioButton>("RadioButton18")->isChecked());
  const bool extended = view.List[size_t(row)].Item.IDE == 1;
  EXPECT_EQ(Find<QLineEdit>("Edit11")->text(), extended ? "1FFFFFFF" : "7FF");
}

// Esc closes an open drop-down list and nothing else: with the period or
// key box open, it neither starts nor stops the adapter.
TEST_F(ApplicationShellTest, EscInAnOpenDropDownOnlyClosesIt) {
  Window().ActivatePage(TPage::CANTransmit);
  for (const bool running : {false, true}) {
    SCOPED_TRACE(running);
    if (running) Trigger("Start1");
    ASSERT_EQ(Running(), running);
    for (const char* name : {"ComboBox1", "ComboBox2"}) {
      SCOPED_TRACE(name);
      auto* box = Find<QComboBox>(name);
      ASSERT_NE(box, nullptr);
      // The key box opens only with the trigger "On Key".
      Find<QRadioButton>(box->objectName() == "ComboBox2" ? "RadioButton35" : "RadioButton34")->click();
      ASSERT_TRUE(box->isEnabled());
      box->showPopup();
      ASSERT_TRUE(WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
      QWidget* popup = QApplication::activePopupWidget();
      QWidget* target = popup->focusWidget() ? popup->focusWidget() : popup;
      QTest::keyClick(target, Qt::Key_Escape);
      EXPECT_TRUE(WaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 2000));
      EXPECT_EQ(Running(), running);
    }
  }
  Trigger("Stop1");
}

// The handler itself checks the row kind: on a bus-state row it changes
// nothing (the filter would otherwise become "000").
TEST_F(ApplicationShellTest, FilterOnIDLeavesTheFiltersAloneOnABusStateRow) {
  TCANViewState& view = App().View;
  TDeviceStatus busOff;
  busOff.StatusType = 1;
  busOff.Param[3] = 0x20;
  DisplayBusState(view, busOff);
  Window().SetCANViewItemCount(view.CANView.Count);
  Window().SelectCANViewItem(view.CANView.Count - 1, true);
  const QString mask = Find<QLineEdit>("Edit11")->text();
  const bool custom = Find<QRadioButton>("RadioButton18")->isChecked();
  const int page = Window().PageControl()->currentIndex();

  Window().RunHandler(qt::TCommand::FilterOnId);
  EXPECT_EQ(Find<QLineEdit>("Edit11")->text(), mask);
  EXPECT_EQ(Find<QRadioButton>("RadioButton18")->isChecked(), custom);
  EXPECT_EQ(Window().PageControl()->currentIndex(), page);
}

// Reads what the window's shared adapter sends while the event loop runs,
// until text has arrived after what was consumed (true; the text is then
// consumed) or 5 s have passed.
bool Await(SocketcandClient& client, std::string_view text) {
  return QTest::qWaitFor(
      [&] {
        client.ReadOnce(0);
        return client.WaitFor(text, std::chrono::milliseconds(0));
      },
      5000);
}

// Off by default; on, a script's client is counted in the status bar, its
// frame goes out through the window's adapter (loopback: it comes back) and
// it receives what the run receives; off closes it.
TEST_F(ApplicationShellTest, ShareAdapterServesTheWindowsAdapterToASocketcandClient) {
  QAction* share = Window().Action("ShareAdapter1");
  ASSERT_NE(share, nullptr);
  EXPECT_TRUE(share->isCheckable());
  EXPECT_FALSE(share->isChecked());
  EXPECT_FALSE(shell_->Share().Sharing());
  QLabel* status = Find<QLabel>("ShareStatus");
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isHidden());

  Find<QRadioButton>("RadioButton14")->click();  // loopback
  shell_->Share().SetPort(0);
  share->trigger();
  ASSERT_TRUE(shell_->Share().Sharing());
  EXPECT_FALSE(status->isHidden());
  EXPECT_TRUE(status->text().endsWith(": 0 clients")) << status->text().toStdString();

  SocketcandClient client(shell_->Share().Where());
  ASSERT_TRUE(client.Connected()) << shell_->Share().Where();
  ASSERT_TRUE(Await(client, "< hi >"));
  ASSERT_TRUE(client.Send("< open can0 >< rawmode >"));
  ASSERT_TRUE(Await(client, "< ok >< ok >"));
  EXPECT_TRUE(WaitFor([&] { return status->text().endsWith(": 1 client"); }, 5000))
      << status->text().toStdString();

  Trigger("Start1");
  ASSERT_TRUE(Running());
  ASSERT_TRUE(client.Send("< send 5A5 2 42 43 >"));
  EXPECT_TRUE(Await(client, "< frame 5A5 ")) << client.Received().substr(0, 200);
  EXPECT_TRUE(Await(client, " 4243 >"));

  share->trigger();
  EXPECT_FALSE(shell_->Share().Sharing());
  EXPECT_TRUE(status->isHidden());
  EXPECT_TRUE(WaitFor(
      [&] {
        client.ReadOnce(0);
        return client.Closed();
      },
      5000))
      << "the client is closed";
  Trigger("Stop1");
}

}  // namespace
}  // namespace tarvo::test
