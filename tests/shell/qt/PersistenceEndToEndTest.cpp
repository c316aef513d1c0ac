// What survives a restart, end to end through the window on the simulated
// adapter: the settings file, a configuration saved at close and named on
// the command line, the Display Options dialog, the adapter chooser with two
// adapters attached, and a snapshot of a running cyclic view.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>

#include "EndToEndFixture.h"
#include "persistence/ConfigurationFile.h"
#include "persistence/IniDocument.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/OptionsWiring.h"
#include "shell/qt/PersistenceWiring.h"
#include "shell/qt/SetupWiring.h"
#include "shell/qt/StatusPanels.h"
#include "shell/qt/TransmitWiring.h"
#include "setup/CANSetupState.h"
#include "transmit/TransmitEditor.h"
#include "view/qt/CANViewList.h"

namespace tarvo::test {
namespace {

// The program is started by each test: most write its settings or a file
// for its command line first.
class PersistenceEndToEnd : public EndToEndTest {
 protected:
  // Closes as the user does; true when the window closed.
  bool Close() {
    const bool closed = Window().close();
    if (closed) shell_.reset();
    return closed;
  }
  QString SettingsFile() const { return HomePath(".local/share/Quorbel/Tarvo/Application/Tarvo.ini"); }
  QString ReadFile(const QString& path) const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
};

TEST_F(PersistenceEndToEnd, SettingsSurviveARestartAndHandEditedKeysStay) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(SettingsFile()).path()));
  QFile f(SettingsFile());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[MY_NOTES]\r\nKeep=this\r\n[OPTIONS]\r\nCyclicBufferSize=lots\r\nMyOwnKey=7\r\n");
  f.close();
  StartProgram();
  EXPECT_EQ(App().Display.CyclicBufferSize, 1000);  // not a number: the default

  // The Display Options dialog: decimal, counters on, 1000 ms, the largest ring.
  ModalSteps steps;
  steps.Then([](QWidget* w) {
    for (const char* name : {"RadioButton1", "RadioButton5", "RadioButton8"})
      w->findChild<QRadioButton*>(name)->setChecked(true);
    w->findChild<QCheckBox*>("CheckBox5")->click();
    w->findChild<QCheckBox*>("CheckBox1")->click();
    w->findChild<QPushButton*>("Button1")->click();
  });
  Trigger("DisplayOptions1");
  EXPECT_EQ(App().Display.NumericBase, NUMERIC_DECIMAL);
  EXPECT_TRUE(App().Display.CANErrorCounters);
  EXPECT_TRUE(App().Display.CANTxOnCANViewPage);
  EXPECT_EQ(App().Display.CyclicBufferSize, 1000000);
  EXPECT_EQ(Window().Status().Text(2), "Decimal ");
  EXPECT_EQ(App().Display.UpdateInterval, 1000u);
  // And the CAN Setup page at 500k, which the settings keep without a configuration.
  Find<QRadioButton>("RadioButton109")->click();
  steps.Then(ModalSteps::Press(QMessageBox::No));
  ASSERT_TRUE(Close());

  const QString text = ReadFile(SettingsFile());
  EXPECT_TRUE(text.contains("[MY_NOTES]\r\nKeep=this\r\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("MyOwnKey=7\r\n"));
  EXPECT_TRUE(text.contains("EnhancedBaud=109\r\n"));
  StartProgram();
  EXPECT_EQ(App().Display.NumericBase, NUMERIC_DECIMAL);
  EXPECT_TRUE(App().Display.CANErrorCounters);
  EXPECT_EQ(App().Display.CyclicBufferSize, 1000000);
  EXPECT_EQ(Window().Status().Text(2), "Decimal ");
  EXPECT_EQ(shell_->Persistence().CurrentSettings().BaudRateButton, 109);
}

// The settings keep the window's bounds with its frame, the way the
// maximise rule measures them: a window closed maximised opens maximised.
TEST_F(PersistenceEndToEnd, AWindowClosedMaximisedOpensMaximised) {
  StartProgram();
  Window().showMaximized();
  ASSERT_TRUE(WaitFor([&] { return Window().isMaximized(); }, 5000));
  QTest::qWait(50);
  const QRect frame = Window().frameGeometry();
  ASSERT_TRUE(Close());
  const QString text = ReadFile(SettingsFile());
  EXPECT_TRUE(text.contains(QString("\r\nWidth=%1\r\nHeight=%2\r\n").arg(frame.width()).arg(frame.height())))
      << text.toStdString();
  StartProgram();
  EXPECT_TRUE(Window().isMaximized() || (Window().windowState() & Qt::WindowMaximized));
}

TEST_F(PersistenceEndToEnd, AConfigurationSavedAtCloseComesBackFromTheCommandLine) {
  StartProgram();
  TTransmitEditor& editor = shell_->Transmit().Editor();
  for (const char* id : {"123", "456"}) {
    editor.SetIDText(id);
    editor.AddItem();
  }
  Find<QRadioButton>("RadioButton109")->click();  // "500k"
  Find<QRadioButton>("RadioButton14")->click();   // "Loopback"
  ASSERT_TRUE(shell_->ConfigModifiedFlag());
  const QString path = HomePath("bench.cfx");
  ModalSteps steps;
  QStringList texts;
  steps.Then(ModalSteps::Press(QMessageBox::Yes, &texts));
  steps.Then(ModalSteps::ChooseFile(HomePath("bench")));
  ASSERT_TRUE(Close());
  EXPECT_EQ(texts, QStringList{"Save configuration?"});
  ASSERT_TRUE(QFile::exists(path));

  StartProgram({path.toStdString()});
  EXPECT_TRUE(Window().windowTitle().endsWith(" - " + path)) << Window().windowTitle().toStdString();
  const TCANTransmit& list = shell_->Transmit().List();
  ASSERT_EQ(list.Count, 2);
  EXPECT_EQ(list.List[0].ID, 0x123u);
  EXPECT_EQ(list.List[1].ID, 0x456u);
  const TCANSetupState& setup = shell_->Setup().State();
  EXPECT_EQ(setup.BitTiming.GetCANBaudRateSelection(), 109);
  EXPECT_EQ(setup.BitTiming.OperatingModeButton(), LoopbackModeNumber);
  EXPECT_FALSE(shell_->ConfigModifiedFlag());
  // Nothing changed: closing asks nothing.
  ASSERT_TRUE(Close());
}

// A hand-edited configuration whose second item has an identifier that is
// not one, and which counts a third item it does not hold: both load with Tx
// off, a warning lists them, and a run sends only the sound item.
TEST_F(PersistenceEndToEnd, ADamagedConfigurationSendsNoFrameOfItsUnreadableItems) {
  const QString path = HomePath("damaged.cfx");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  std::string text = "[CAN_VIEW]\r\nMode=1\r\n[CAN_TRANSMIT]\r\nNoOfItems=3\r\n";
  for (const char* item : {"0|123", "1|ZZZ"}) {
    const std::string n(item, 1), id(item + 2);
    text += "Tx " + n + "=1\r\nBit " + n + "=11\r\nID " + n + "=" + id + "\r\nFrame " + n + "=Data\r\nDLC " + n +
            "=0\r\nOn Time (ms) " + n + "=50\r\nOn Key " + n + "=\r\nComment " + n + "=\r\n";
  }
  f.write(text.c_str());
  f.close();
  MessageBoxAnswers answers;
  StartProgram({path.toStdString()});
  ASSERT_EQ(answers.Texts.size(), 1);
  EXPECT_TRUE(answers.Texts[0].contains("Item 2 (\"ID 1\"): \"ZZZ\" is not usable, loaded as \"0\".")) << answers.Texts[0].toStdString();
  EXPECT_TRUE(answers.Texts[0].contains("Item 3 (keys \"... 2\"): not in the file, loaded empty."));
  const TCANTransmit& list = shell_->Transmit().List();
  ASSERT_EQ(list.Count, 3);
  EXPECT_TRUE(list.List[0].EnabledFlag);
  EXPECT_FALSE(list.List[1].EnabledFlag);
  EXPECT_FALSE(list.List[2].EnabledFlag);

  Trigger("Start1");
  ASSERT_TRUE(App().Run.RunningFlag);
  QTest::qWait(400);
  Trigger("Stop1");
  const QString trace = ReadFile(trace_);
  EXPECT_TRUE(trace.contains(QRegularExpression(R"(H>A SendCAN 11-bit ID=123 )"))) << trace.toStdString();
  // Sent by the host (buffer 0) or given a period in a repetition buffer;
  // a buffer loaded with period 0 sends nothing.
  EXPECT_FALSE(trace.contains(QRegularExpression(R"(H>A SendCAN \S+ ID=0 .*(BUF=0 |PERIOD=[1-9]))")))
      << trace.toStdString();
}

// A file named on the command line that cannot be used is said so, and the
// program starts without a configuration.
TEST_F(PersistenceEndToEnd, ACommandLineFileThatCannotBeUsedIsSaidSo) {
  ASSERT_TRUE(QDir().mkpath(HomePath("folder.cfx")));
  ASSERT_EQ(::mkfifo(HomePath("pipe.cfx").toUtf8().constData(), 0600), 0);
  QFile txt(HomePath("notes.txt"));
  ASSERT_TRUE(txt.open(QIODevice::WriteOnly));
  txt.close();
  const std::pair<const char*, const char*> cases[] = {{"missing.cfx", "was not found"},
                                                       {"folder.cfx", "is not a file"},
                                                       {"pipe.cfx", "is not a file"},
                                                       {"notes.txt", "is not a configuration file (*.cfx)"}};
  for (const auto& [name, problem] : cases) {
    SCOPED_TRACE(name);
    MessageBoxAnswers answers;
    const QString path = HomePath(name);
    StartProgram({path.toStdString()});
    EXPECT_EQ(answers.Texts, QStringList{"'" + path + "', named on the command line, " + problem +
                                         ". The program starts without a configuration."});
    EXPECT_FALSE(Window().windowTitle().contains(name));
    ASSERT_TRUE(Close());
  }
}

// A database path in the settings that names a FIFO would block start-up in
// its open: the program starts and says the database cannot be read.
TEST_F(PersistenceEndToEnd, ADatabaseThatIsAFifoDoesNotBlockStartUp) {
  const QString fifo = HomePath("vehicle.dbc");
  ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkpath(QFileInfo(SettingsFile()).path()));
  QFile f(SettingsFile());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(("[DATABASE]\r\nFile=" + fifo + "\r\n").toUtf8());
  f.close();
  MessageBoxAnswers answers;
  StartProgram();
  ASSERT_EQ(answers.Texts.size(), 1);
  EXPECT_TRUE(answers.Texts[0].contains("not a regular file")) << answers.Texts[0].toStdString();
}

TEST_F(PersistenceEndToEnd, PromptWithTwoAdaptersShowsTheChooserAndOpensTheChosenOne) {
  UseScenario(TARVO_SIM_SCENARIO_DIR "/two_adapters.scn");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(SettingsFile()).path()));
  QFile f(SettingsFile());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[DEVICE_OPTIONS]\r\nHardwareType=0\r\nSerialNo=Prompt\r\n");
  f.close();
  ModalSteps steps;
  QStringList lines;
  steps.Then([&lines](QWidget* w) {
    EXPECT_EQ(w->objectName(), "Form3");
    auto* combo = w->findChild<QComboBox*>("ComboBox1");
    for (int i = 0; i < combo->count(); ++i) lines << combo->itemText(i);
    combo->setCurrentIndex(1);
    w->findChild<QPushButton*>("Button1")->click();
  });
  StartProgram();
  // The foreign device is not an adapter and is not listed.
  EXPECT_EQ(lines, (QStringList{"Tarvo S/N 1234", "Tarvo AUTO S/N 0123"}));
  EXPECT_STREQ(App().DeviceSelection.SerialNo, "0123");
  const QString trace = ReadFile(trace_);
  EXPECT_TRUE(trace.contains("--- Open 0123")) << trace.toStdString();
  EXPECT_FALSE(trace.contains("--- Open 1234"));
  ASSERT_TRUE(Close());
  EXPECT_TRUE(ReadFile(SettingsFile()).contains("SerialNo=Prompt\r\n"));
}

// A snapshot onto a read-only file leaves the file as it is and says so.
TEST_F(PersistenceEndToEnd, ASnapshotOntoAReadOnlyFileKeepsItAndSaysSo) {
  StartProgram();
  const QString path = HomePath("kept.txt");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("mine\r\n");
  f.close();
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  ModalSteps steps;
  QStringList texts;
  steps.Then(ModalSteps::ChooseFile(path));
  steps.Then(ModalSteps::Press(QMessageBox::Yes));  // the file dialog's "replace it?"
  steps.Then(ModalSteps::Press(QMessageBox::Ok, &texts));
  QTest::keyClick(Window().CANView(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return steps.Done(); }, 5000));
  EXPECT_EQ(texts, QStringList{"Unable to save snapshot to file '" + path + "'."});
  EXPECT_EQ(ReadFile(path), "mine\r\n");
}

TEST_F(PersistenceEndToEnd, ASnapshotOfARunningCyclicViewHoldsTheRowsOnScreen) {
  StartProgram();
  Trigger("Cyclic1");
  Trigger("Start1");
  ASSERT_TRUE(App().Run.RunningFlag);
  ASSERT_TRUE(WaitFor([&] { return Window().CANViewItemCount() > 40; }, 10000));
  QTableView* list = Window().CANView();
  struct Row {
    QString Time;
    QString ID;
  };
  std::vector<Row> onScreen;
  const QString path = HomePath("shot.txt");
  ModalSteps steps;
  steps.Then([&](QWidget* w) {
    const int top = std::max(0, list->rowAt(0));
    const int fit = list->viewport()->height() / list->verticalHeader()->defaultSectionSize();
    for (int r = top; r < std::min(top + fit, list->model()->rowCount()); ++r)
      onScreen.push_back({list->model()->index(r, 1).data().toString(), list->model()->index(r, 2).data().toString()});
    ModalSteps::ChooseFile(path)(w);
  });
  QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(steps.Done());
  EXPECT_TRUE(App().Run.RunningFlag);
  QStringList lines = ReadFile(path).split("\r\n");
  ASSERT_GT(lines.size(), 6);
  EXPECT_TRUE(lines[1].startsWith("shot - "));
  std::vector<Row> inFile;
  for (int i = 5; i < lines.size() && !lines[i].isEmpty(); ++i) {
    QStringList tokens = lines[i].split(' ', Qt::SkipEmptyParts);
    const bool message = QStringList{"RD", "RR", "TD", "TR"}.contains(tokens[0].left(2));
    inFile.push_back({tokens.value(1).remove('>'), message ? tokens.value(2) : QString()});
  }
  ASSERT_EQ(inFile.size(), onScreen.size());
  ASSERT_FALSE(onScreen.empty());
  for (size_t i = 0; i < inFile.size(); ++i) {
    EXPECT_EQ(inFile[i].Time, onScreen[i].Time) << i;
    if (!inFile[i].ID.isEmpty()) {
      EXPECT_EQ(inFile[i].ID, onScreen[i].ID) << i;
    }
  }
}

// A configuration with absurd bit-timing values: the checks fall back and
// say so, each once, and closing asks nothing, as the user changed nothing.
TEST_F(PersistenceEndToEnd, AbsurdBitTimingWarnsOnceAndClosingAsksNothing) {
  const QString path = HomePath("absurd.cfx");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[CAN_VIEW]\r\nMode=1\r\n[CAN_SETUP]\r\nEnhancedBaud=120\r\nEnhancedBRP=9999\r\nEnhancedPHSEG1=99\r\n"
          "EnhancedPHSEG2=-5\r\nEnhancedPRSEG=77\r\nEnhancedSJW=9\r\nEnhancedSAM=7\r\n");
  f.close();
  MessageBoxAnswers answers;
  StartProgram({path.toStdString()});
  EXPECT_FALSE(answers.Texts.isEmpty());
  EXPECT_EQ(answers.Texts.count("PHSEG2 must be greater than or equal to SJW."), 1) << answers.Texts.join("|").toStdString();
  EXPECT_EQ(answers.Texts.removeDuplicates(), 0);
  EXPECT_FALSE(shell_->ConfigModifiedFlag());
  answers.Texts.clear();
  ASSERT_TRUE(Close());
  EXPECT_TRUE(answers.Texts.isEmpty()) << answers.Texts.join("|").toStdString();
}
}  // namespace
}  // namespace tarvo::test
