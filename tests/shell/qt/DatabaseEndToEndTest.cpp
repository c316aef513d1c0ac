// The database end to end: the whole program on the simulated adapter with
// the database shipped for its default bus. A selected CAN View row shows
// its signals in the panel under the list and in its tooltip, following the
// traffic at each refresh; the transmit editor composes a message from
// signal values, and bytes typed into it show as signal values.
#include <gtest/gtest.h>

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "EndToEndFixture.h"
#include "dbc/qt/SignalsPanel.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/DatabaseWiring.h"
#include "persistence/ConfigurationFile.h"
#include "shell/qt/PersistenceWiring.h"
#include "shell/qt/PlotWiring.h"
#include "analysis/qt/AnalysisWindow.h"
#include "plot/qt/PlotPanel.h"
#include "plot/qt/PlotWidget.h"
#include "transmit/TransmitList.h"
#include "view/qt/CANViewList.h"

namespace tarvo::test {
namespace {

// The program is started by each test: one starts it with a log named on
// the command line.
class DatabaseEndToEnd : public EndToEndTest {
 protected:
  static std::string ShippedDatabase() { return qt::DatabaseWiring::ShippedDatabaseDir() + "/default.dbc"; }

  QString Sep() { return QString::fromStdString(Window().CANView()->Model()->DecimalSeparator()); }

  // Plots EngineStatus.EngineSpeed, starts a run with Esc and waits until
  // the curve holds at least this many points.
  void PlotEngineSpeedWhileRunning(size_t points) {
    PlotPanel* plot = shell_->SignalPlot().Plot();
    ASSERT_TRUE(plot->AddSignal("EngineStatus.EngineSpeed"));
    QTest::keyClick(&Window(), Qt::Key_Escape);
    ASSERT_TRUE(App().Run.RunningFlag);
    const TSignalSeries& series = plot->Model().Signals()[0].Series;
    ASSERT_TRUE(WaitFor([&] { return series.Size() >= points; }, 5000));
  }

  // The CAN View row of a received data frame with this 11-bit identifier, -1 if none.
  int32_t RowOf(uint32_t id) {
    const TCANView& view = App().View.CANView;
    for (int32_t row = 0; row < Window().CANView()->Model()->ItemCount() && row < view.Count; ++row)
      if (view.List[size_t(row)].ItemType == 0 && view.List[size_t(row)].Item.IDE == 0 &&
          view.List[size_t(row)].Item.ID == id)
        return row;
    return -1;
  }

  void ClickRow(int32_t row) {
    CANViewList* list = Window().CANView();
    const QRect cell = list->visualRect(list->Model()->index(row, 2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  }

  // Panel rows as "name=value|raw".
  QStringList PanelRows() {
    QStringList rows;
    QTableWidget* table = Find<QTableWidget>("SignalsList");
    for (int r = 0; r < table->rowCount(); ++r)
      rows << table->item(r, 0)->text() + "=" + table->item(r, 1)->text() + "|" + table->item(r, 2)->text();
    return rows;
  }

  // The row of a signal in the editor's signal table.
  int EditRow(const QString& signal) {
    QTableWidget* table = Find<QTableWidget>("SignalsEditList");
    for (int r = 0; r < table->rowCount(); ++r)
      if (table->item(r, 0)->text() == signal) return r;
    return -1;
  }
  QString EditValue(const QString& signal) {
    const int row = EditRow(signal);
    return row < 0 ? QString("(none)") : Find<QTableWidget>("SignalsEditList")->item(row, 1)->text();
  }
  void TypeValue(const QString& signal, const QString& text) {
    const int row = EditRow(signal);
    ASSERT_GE(row, 0) << signal.toStdString();
    Find<QTableWidget>("SignalsEditList")->item(row, 1)->setText(text);
    QTest::qWait(20);  // the edit is answered once the table is done with it
  }
  QStringList DataFields() {
    QStringList bytes;
    for (const char* name : {"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9"})
      bytes << Find<QLineEdit>(name)->text();
    return bytes;
  }
};

TEST_F(DatabaseEndToEnd, WithoutADatabaseNothingOfItShows) {
  StartProgram();
  EXPECT_TRUE(Find<tarvo::SignalsPanel>("SignalsPanel")->isHidden());
  EXPECT_TRUE(Find<QWidget>("TransmitSignals")->isHidden());
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(WaitFor([&] { return RowOf(0xC4) >= 0; }, 5000));
  const QModelIndex cell = Window().CANView()->Model()->index(RowOf(0xC4), 0);
  EXPECT_FALSE(Window().CANView()->Model()->data(cell, Qt::ToolTipRole).isValid());
}

TEST_F(DatabaseEndToEnd, SignalsPanelShowsTheSelectedRowAndFollowsTheTraffic) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  EXPECT_FALSE(Find<tarvo::SignalsPanel>("SignalsPanel")->isHidden());
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(App().Run.RunningFlag);
  ASSERT_TRUE(WaitFor([&] { return RowOf(0xC4) >= 0; }, 5000));
  const int32_t row = RowOf(0xC4);
  ClickRow(row);
  ASSERT_EQ(Window().CANView()->SelectedRow(), row);

  // BrakeStatus: counter, random bytes, 12 34, random, 00 00 on the bus.
  EXPECT_EQ(Find<QLabel>("SignalsCaption")->text(), "BrakeStatus (ID C4)");
  const QStringList rows = PanelRows();
  ASSERT_EQ(rows.size(), 5) << rows.join("; ").toStdString();
  EXPECT_TRUE(rows[0].startsWith("Counter=")) << rows[0].toStdString();
  EXPECT_TRUE(rows[1].startsWith("BrakePressure=")) << rows[1].toStdString();
  EXPECT_EQ(rows[2], "WheelSpeedFrontLeft=46" + Sep() + "60 km/h|1234");
  EXPECT_TRUE(rows[3].startsWith("YawRate=")) << rows[3].toStdString();
  EXPECT_EQ(rows[4], "BrakePedal=Released|0");

  // The counter in D1 counts on with every frame; the panel shows what the
  // row shows at each refresh.
  const auto counterShown = [&] { return PanelRows()[0].section('|', 1); };
  const auto counterStored = [&] {
    return QString("%1").arg(App().View.CANView.List[size_t(row)].Item.Data[0], 0, 16).toUpper();
  };
  const QString first = counterShown();
  ASSERT_TRUE(WaitFor([&] { return counterShown() != first; }, 2000));
  QTest::qWait(150);
  App().Stop();
  // The refresh after the stop shows the last row; a busy machine may take
  // a while to get to it.
  EXPECT_TRUE(WaitFor([&] { return counterShown() == counterStored(); }, 2000))
      << counterShown().toStdString() << " shown, " << counterStored().toStdString() << " stored";

  // The row's tooltip lists the same signals.
  const QString tip = Window().CANView()->Model()->data(Window().CANView()->Model()->index(row, 3), Qt::ToolTipRole).toString();
  EXPECT_TRUE(tip.startsWith("BrakeStatus\nCounter = ")) << tip.toStdString();
  EXPECT_TRUE(tip.contains("\nWheelSpeedFrontLeft = 46" + Sep() + "60 km/h (1234)\n")) << tip.toStdString();
  EXPECT_TRUE(tip.endsWith("\nBrakePedal = Released (0)")) << tip.toStdString();
}

// The signal plot live: the View menu shows it, the signals panel's "Plot"
// adds the row's signal, and a run fills it with the decoded values of every
// frame, which its CSV export holds.
TEST_F(DatabaseEndToEnd, ThePlotFollowsASignalOfTheRunningBus) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  Trigger("SignalPlot1");
  auto* dock = Find<QDockWidget>("PlotDock");
  ASSERT_TRUE(dock->isVisible());
  PlotPanel* plot = shell_->SignalPlot().Plot();
  ASSERT_NO_FATAL_FAILURE(PlotEngineSpeedWhileRunning(10));
  const TSignalSeries& series = plot->Model().Signals()[0].Series;
  App().Stop();
  // Each point is the frame's decoded value at the frame's time.
  int received = 0;
  const TCANView& view = App().View.CANView;
  for (int32_t i = 0; i < view.Count; ++i)
    if (view.List[size_t(i)].Item.ID == 0xA0 && view.List[size_t(i)].ItemType == 0) received = int(view.List[size_t(i)].Count);
  EXPECT_EQ(int(series.Size()), received);
  for (size_t i = 1; i < series.Size(); ++i) EXPECT_GT(series.Time(i), series.Time(i - 1));
  ASSERT_TRUE(plot->ExportCsv(HomePath("s.csv").toStdString()));
  QFile csv(HomePath("s.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  EXPECT_EQ(lines[0], "time,EngineStatus.EngineSpeed [rpm]\r");
  EXPECT_EQ(lines.size(), qsizetype(series.Size()) + 2);  // the header, the points, the empty end
}

// A signal added after traffic starts with the frames the CAN View holds.
// Cyclic: every frame of the present run (not those of the run before), at
// the times the live feed gives them, so that it matches a signal of the
// same message plotted from the start; the signal plotted before gets no
// second copy. Fixed: the newest frame of its identifier.
TEST_F(DatabaseEndToEnd, ASignalAddedAfterTrafficPlotsTheFramesTheTraceHolds) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  PlotPanel* plot = shell_->SignalPlot().Plot();
  const auto& plotted = plot->Model().Signals();
  Trigger("Cyclic1");
  ASSERT_EQ(App().View.Mode, VIEW_CYCLIC);
  ASSERT_TRUE(plot->AddSignal("EngineStatus.EngineSpeed"));
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(App().Run.RunningFlag);
  ASSERT_TRUE(WaitFor([&] { return plotted[0].Series.Size() >= 5; }, 5000));
  App().Stop();
  const size_t firstRun = plotted[0].Series.Size();
  App().Start();
  ASSERT_TRUE(App().Run.RunningFlag);
  ASSERT_TRUE(WaitFor([&] { return plotted[0].Series.Size() >= firstRun + 5; }, 5000));
  const size_t before = plotted[0].Series.Size();
  ASSERT_TRUE(plot->AddSignal("EngineStatus.CoolantTemp"));
  // Adding moves the signals: each series is looked up anew.
  const auto speed = [&]() -> const TSignalSeries& { return plotted[0].Series; };
  const auto added = [&](size_t i) -> const TSignalSeries& { return plotted[i].Series; };
  EXPECT_EQ(speed().Size(), before);
  // The first run's points, its break, then this run's: the new signal has this run's.
  ASSERT_EQ(added(1).Size(), before - firstRun - 1);
  for (size_t i = 0; i < added(1).Size(); ++i) {
    EXPECT_EQ(added(1).Time(i), speed().Time(firstRun + 1 + i)) << i;
    EXPECT_FALSE(std::isnan(added(1).Value(i))) << i;
  }
  ASSERT_TRUE(WaitFor([&] { return added(1).Size() >= before - firstRun + 2; }, 5000));
  App().Stop();
  EXPECT_EQ(added(1).Size(), speed().Size() - firstRun - 1);
  EXPECT_EQ(added(1).Time(added(1).Size() - 1), speed().Time(speed().Size() - 1));

  Trigger("Fixed1");
  ASSERT_EQ(App().View.Mode, VIEW_FIXED);
  App().Start();
  ASSERT_TRUE(App().Run.RunningFlag);
  const size_t start = speed().Size();
  ASSERT_TRUE(WaitFor([&] { return speed().Size() >= start + 3; }, 5000));
  ASSERT_TRUE(plot->AddSignal("EngineStatus.OilPressure"));
  ASSERT_EQ(added(2).Size(), 1u);
  EXPECT_EQ(added(2).Time(0), speed().Time(speed().Size() - 1));
  App().Stop();
}

// The cyclic ring read as the live feed saw it: from its oldest slot after
// the wrap, received data frames only, and only the newest run (where the
// adapter's clock went back, a new run began).
TEST_F(DatabaseEndToEnd, ASignalAddedLateTakesTheWrappedRingFromTheNewestRunOn) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  Trigger("Cyclic1");
  TCANViewState& state = App().View;
  ASSERT_EQ(state.Mode, VIEW_CYCLIC);
  ASSERT_GE(state.CANView.List.size(), 6u);
  struct Slot {
    int32_t type;
    uint32_t ticks;
    uint8_t speed;  // EngineSpeed's low byte: a quarter rpm a count
  } ring[] = {{ITEM_RD, 200, 5}, {ITEM_RD, 300, 6}, {ITEM_RD, 5000, 1},
               {ITEM_RD, 9000, 2}, {ITEM_RD, 100, 4},  {ITEM_TD, 99999, 9}};
  for (size_t i = 0; i < std::size(ring); ++i) {
    TTarvoCAN m{};
    m.ID = 0xA0;
    m.DLC = 8;
    m.Data[2] = ring[i].speed;
    m.TimeStamp = ring[i].ticks;
    state.CANView.List[i] = {ring[i].type, 1, 0, m};
  }
  state.CANView.Count = int32_t(std::size(ring));
  state.CyclicOverwriteFlag = true;
  state.CyclicItemNo = 2;  // the oldest slot: 5000, then 9000; the run from 100 on
  PlotPanel* plot = shell_->SignalPlot().Plot();
  ASSERT_TRUE(plot->AddSignal("EngineStatus.EngineSpeed"));
  const TSignalSeries& series = plot->Model().Signals()[0].Series;
  ASSERT_EQ(series.Size(), 3u);
  const double ticks[] = {100, 200, 300}, rpm[] = {1, 1.25, 1.5};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(series.Time(i), ticks[i] / 39062.5) << i;
    EXPECT_EQ(series.Value(i), rpm[i]) << i;
  }
}

// Stop then Start: the points of the first run stay, the second run's follow
// them after a gap (the adapter's clock starts again at 0), the curve broken
// between the runs.
TEST_F(DatabaseEndToEnd, AStopAndStartKeepsThePlottedPoints) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  PlotPanel* plot = shell_->SignalPlot().Plot();
  ASSERT_NO_FATAL_FAILURE(PlotEngineSpeedWhileRunning(5));
  const TSignalSeries& series = plot->Model().Signals()[0].Series;
  App().Stop();
  const size_t first = series.Size();
  const double firstEnd = series.Time(first - 1), firstStart = series.Time(0);
  App().Start();
  ASSERT_TRUE(App().Run.RunningFlag);
  ASSERT_TRUE(WaitFor([&] { return series.Size() >= first + 5; }, 5000));
  App().Stop();
  EXPECT_EQ(series.Time(0), firstStart);
  EXPECT_TRUE(std::isnan(series.Value(first)));  // the break
  EXPECT_GE(series.Time(first + 1), firstEnd + plot->Model().RunGapSeconds);
  for (size_t i = first + 1; i < series.Size(); ++i) EXPECT_FALSE(std::isnan(series.Value(i))) << i;
}

// File > Unload Database with a plotted signal: its curve stays, marked,
// without a question; the database loaded again feeds it again.
TEST_F(DatabaseEndToEnd, PlottedSignalsOutliveAnUnloadAndAreFedAfterAReload) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  PlotPanel* plot = shell_->SignalPlot().Plot();
  ASSERT_TRUE(plot->AddSignal("EngineStatus.EngineSpeed"));
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(App().Run.RunningFlag);
  const auto points = [&] { return plot->Model().Signals().empty() ? 0 : plot->Model().Signals()[0].Series.Size(); };
  ASSERT_TRUE(WaitFor([&] { return points() >= 5; }, 5000));
  Trigger("UnloadDatabase1");
  ASSERT_EQ(plot->Model().Signals().size(), 1u);
  EXPECT_TRUE(plot->Model().Signals()[0].Unresolved);
  EXPECT_EQ(Find<QComboBox>("PlottedSignals")->itemText(0), "EngineStatus.EngineSpeed (unloaded database)");
  const size_t kept = points();
  QTest::qWait(300);  // frames keep coming; none is decoded without the database
  EXPECT_EQ(points(), kept);
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  EXPECT_FALSE(plot->Model().Signals()[0].Unresolved);
  EXPECT_TRUE(WaitFor([&] { return points() >= kept + 3; }, 5000));
  App().Stop();
  EXPECT_EQ(plot->Model().Signals().size(), 1u);
}

// Unload: the program is as without a database, and the settings forget it.
TEST_F(DatabaseEndToEnd, UnloadingTheDatabaseTakesItAway) {
  StartProgram();
  EXPECT_FALSE(Window().Action("UnloadDatabase1")->isEnabled());
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  EXPECT_FALSE(Find<tarvo::SignalsPanel>("SignalsPanel")->isHidden());
  ASSERT_TRUE(Window().Action("UnloadDatabase1")->isEnabled());
  Trigger("UnloadDatabase1");
  EXPECT_FALSE(shell_->Database().State().LoadedFlag);
  EXPECT_TRUE(Find<tarvo::SignalsPanel>("SignalsPanel")->isHidden());
  EXPECT_FALSE(Window().Action("UnloadDatabase1")->isEnabled());
  EXPECT_EQ(shell_->Persistence().CurrentSettings().Database.File, "");
}

// File > Open Log: a log in a window of its own, no adapter run needed; a
// filter narrows it, search finds a row, and the statistics of a periodic
// identifier show its period.
TEST_F(DatabaseEndToEnd, ALogOpensForAnalysisWithoutARun) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  const QString path = HomePath("drive.txt");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray rule(67, '~');
    f.write(rule + "\r\ndrive - 09:04:05 08.12.2026 - Hexadecimal\r\n" + rule +
            "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n");
    for (int ms = 0; ms < 1000; ms += 10) {
      f.write(QString("RD11  %1       A0         00   00   40   1F  \r\n").arg(ms / 1000.0, 0, 'f', 4).toUtf8());
      if (ms % 20 == 0)
        f.write(QString("RD11  %1       C4         %2   00  \r\n").arg(ms / 1000.0 + 0.001, 0, 'f', 4)
                    .arg(ms / 20 % 256, 2, 16, QChar('0')).toUpper().toUtf8());
    }
    f.write("\r\n");
  }
  // The first Open Log starts in the recordings' folder; the next one where
  // the last log was.
  QString startedIn;
  const auto noteFolder = [&startedIn](QWidget* w) {
    if (auto* d = qobject_cast<QFileDialog*>(w)) startedIn = d->directory().absolutePath();
  };
  ModalSteps steps;
  steps.Then([&](QWidget* w) {
    noteFolder(w);
    ModalSteps::ChooseFile(path)(w);
  });
  Trigger("OpenLog1");
  ASSERT_TRUE(steps.Done());
  EXPECT_EQ(startedIn, QDir(QString::fromStdString(App().Dirs.LogDIR)).absolutePath());
  {
    ModalSteps again;
    again.Then([&](QWidget* w) {
      noteFolder(w);
      qobject_cast<QDialog*>(w)->reject();
    });
    Trigger("OpenLog1");
    ASSERT_TRUE(again.Done());
    EXPECT_EQ(startedIn, QDir(HomePath()).absolutePath());
  }
  auto* analysis = Window().findChild<AnalysisWindow*>("AnalysisWindow");
  ASSERT_NE(analysis, nullptr);
  ASSERT_TRUE(analysis->isVisible());
  QAbstractItemModel* model = analysis->List()->model();
  EXPECT_EQ(model->rowCount(), 150);
  EXPECT_EQ(model->index(0, ANALYSIS_NAME).data().toString(), "EngineStatus");

  analysis->findChild<QLineEdit*>("FilterIDs")->setText("C4");
  analysis->findChild<QPushButton*>("ApplyFilter")->click();
  EXPECT_EQ(model->rowCount(), 50);
  EXPECT_EQ(analysis->findChild<QLabel*>("AnalysisStatus")->text(), "150 messages, 50 shown");
  analysis->findChild<QLineEdit*>("FilterIDs")->clear();
  analysis->findChild<QPushButton*>("ApplyFilter")->click();

  analysis->findChild<QLineEdit*>("SearchText")->setText("BrakeStatus");
  analysis->findChild<QPushButton*>("SearchNext")->click();
  EXPECT_EQ(analysis->List()->currentIndex().row(), 1);
  analysis->findChild<QPushButton*>("SearchNext")->click();
  EXPECT_EQ(analysis->List()->currentIndex().row(), 4);

  auto* stats = analysis->findChild<QTableView*>("StatisticsList");
  ASSERT_NE(stats, nullptr);
  const QAbstractItemModel* m = stats->model();
  ASSERT_EQ(m->rowCount(), 2);
  EXPECT_EQ(m->index(0, 0).data().toString(), "A0");
  EXPECT_EQ(m->index(0, 1).data().toString(), "100");
  EXPECT_NEAR(m->index(0, 2).data().toString().toDouble(), 10.0, 0.05);
  EXPECT_NEAR(m->index(1, 2).data().toString().toDouble(), 20.0, 0.05);
  EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "Mean period (ms)");

  // A signal of the selected row into the plot, as "Plot" in the Signals
  // tab does: every frame of its message.
  analysis->List()->setCurrentIndex(model->index(0, 0));  // an EngineStatus row
  auto* signalRows = analysis->findChild<SignalsPanel*>()->Table();
  int speedRow = -1;
  for (int r = 0; r < signalRows->rowCount(); ++r)
    if (signalRows->item(r, 0) && signalRows->item(r, 0)->text() == "EngineSpeed") speedRow = r;
  ASSERT_GE(speedRow, 0);
  ASSERT_TRUE(analysis->PlotSignalOfRow(speedRow));
  // The plot's cursor and the table follow each other: a row moves the
  // cursor to its time, a click in the plot selects the row at the cursor.
  analysis->List()->setCurrentIndex(model->index(20, 0));  // A0 at 0.130 s
  ASSERT_TRUE(analysis->Plot()->Plot()->CursorTime().has_value());
  EXPECT_NEAR(*analysis->Plot()->Plot()->CursorTime(), 0.130, 1e-9);
  emit analysis->Plot()->Plot()->CursorPlaced(0.5005);
  EXPECT_EQ(model->index(analysis->List()->currentIndex().row(), ANALYSIS_TIME).data().toString(), "0.501000");
  const TSignalSeries& series = analysis->Plot()->Model().Signals()[0].Series;
  ASSERT_EQ(series.Size(), 100u);
  EXPECT_EQ(series.Value(0), 2000.0);  // 0x1F40 * 0.25 rpm
  analysis->close();
}

// A log named on the command line, as a file manager hands it over, opens
// in a log window beside the main window.
TEST_F(DatabaseEndToEnd, ALogNamedOnTheCommandLineOpensInALogWindow) {
  const QString path = HomePath("bus.log");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("(100.000000) can0 123#11\n(100.010000) can1 7FF#2233\n");
  }
  shell_ = std::make_unique<qt::ApplicationShell>();
  shell_->Start({path.toStdString()});
  auto* analysis = Window().findChild<AnalysisWindow*>("AnalysisWindow");
  ASSERT_NE(analysis, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(analysis->Analysis().Complete(), 10000);
  EXPECT_EQ(analysis->List()->model()->rowCount(), 2);
  EXPECT_EQ(analysis->List()->model()->index(1, ANALYSIS_TIME).data().toString(), "100.010000");
  EXPECT_FALSE(Window().windowTitle().contains("bus.log"));  // not taken as a configuration
  analysis->close();
}

TEST_F(DatabaseEndToEnd, EditorComposesAMessageBySignalValues) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  Window().ActivatePage(TPage::CANTransmit);
  MessageBoxAnswers answers;
  QComboBox* messages = Find<QComboBox>("ComboBoxMessage");
  ASSERT_FALSE(Find<QWidget>("TransmitSignals")->isHidden());
  const int engine = messages->findText("EngineStatus");
  ASSERT_GE(engine, 0);
  messages->setCurrentIndex(engine);
  emit messages->activated(engine);

  // The editor now holds the message: identifier, width, a data frame of its length.
  EXPECT_EQ(Find<QLineEdit>("Edit1")->text(), "A0");
  EXPECT_TRUE(Find<QRadioButton>("RadioButton30")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("RadioButton32")->isChecked());
  EXPECT_EQ(Find<QSpinBox>("SpinEdit7")->value(), 8);
  EXPECT_EQ(DataFields(), QStringList({"00", "00", "00", "00", "00", "00", "00", "00"}));
  EXPECT_EQ(EditValue("CoolantTemp"), "-40 degC");

  // Values in, bytes out: EngineSpeed 2150 rpm is 8600 = 0x2198 in D3..D4.
  TypeValue("EngineSpeed", "2150");
  EXPECT_EQ(DataFields(), QStringList({"00", "00", "98", "21", "00", "00", "00", "00"}));
  EXPECT_EQ(EditValue("EngineSpeed"), "2150" + Sep() + "00 rpm");
  TypeValue("CoolantTemp", "85 degC");
  EXPECT_EQ(Find<QLineEdit>("Edit3")->text(), "7D");  // 85 + 40 = 125

  // A value that is none gives its message and changes nothing.
  TypeValue("OilPressure", "high");
  ASSERT_TRUE(WaitFor([&] { return !answers.Texts.isEmpty(); }, 2000));
  EXPECT_EQ(answers.Texts.first(), "'high' is not a value of signal OilPressure.");
  EXPECT_EQ(DataFields(), QStringList({"00", "7D", "98", "21", "00", "00", "00", "00"}));
  EXPECT_EQ(EditValue("OilPressure"), "0 kPa");

  // Bytes in, values out.
  Retype(Find<QLineEdit>("Edit2"), "2A");
  EXPECT_EQ(EditValue("AliveCounter"), "42");

  // Added to the list as composed.
  Find<QPushButton>("AddButton")->click();
  ASSERT_EQ(shell_->Window().TransmitList()->model()->rowCount(), 1);
  const QAbstractItemModel* list = shell_->Window().TransmitList()->model();
  EXPECT_EQ(list->index(0, TX_COLUMN_ID).data().toString(), "A0");
  EXPECT_EQ(list->index(0, TX_COLUMN_ID + 3).data().toString(), "2A");
  EXPECT_EQ(list->index(0, TX_COLUMN_ID + 5).data().toString(), "98");

  // Value texts and a multiplexed message: BodyInfo's page chooses its signals.
  const int body = messages->findText("BodyInfo");
  messages->setCurrentIndex(body);
  emit messages->activated(body);
  EXPECT_EQ(Find<QSpinBox>("SpinEdit7")->value(), 4);
  EXPECT_EQ(EditValue("Page"), "Doors");
  EXPECT_GE(EditRow("DoorsOpen"), 0);
  EXPECT_LT(EditRow("CabinTemp"), 0);
  TypeValue("Page", "Climate");
  EXPECT_EQ(Find<QLineEdit>("Edit2")->text(), "01");
  EXPECT_LT(EditRow("DoorsOpen"), 0);
  TypeValue("CabinTemp", "21" + Sep() + "5");
  EXPECT_EQ(Find<QLineEdit>("Edit4")->text(), "03");  // (21.5 - 20) / 0.5

  // An identifier the database does not know: no message, no signals.
  Retype(Find<QLineEdit>("Edit1"), "7FE");
  EXPECT_EQ(messages->currentIndex(), -1);
  EXPECT_EQ(Find<QTableWidget>("SignalsEditList")->rowCount(), 0);
  EXPECT_EQ(answers.Texts.size(), 1);
}

// The plot's layout (its signals, hidden ones, the shared axis, the window
// followed, the plot shown) goes into a configuration file, in a section of
// its own, and comes back when the file is loaded; the settings file keeps
// it across a restart.
TEST_F(DatabaseEndToEnd, AConfigurationFileAndTheSettingsKeepThePlotsLayout) {
  StartProgram();
  ASSERT_TRUE(shell_->Database().Load(ShippedDatabase()));
  shell_->SignalPlot().ShowPlot(true);
  PlotPanel* plot = shell_->SignalPlot().Plot();
  ASSERT_TRUE(plot->AddSignal("EngineStatus.EngineSpeed"));
  ASSERT_TRUE(plot->AddSignal("EngineStatus.CoolantTemp"));
  plot->SetHidden(1, true);
  Find<QCheckBox>("PlotSharedAxis")->setChecked(true);
  plot->SetWindow(false, 60);
  const std::string path = HomePath("plot.cfx").toStdString();
  TConfigurationFiles& files = shell_->Persistence().Files();
  {
    ModalSteps steps;
    steps.Then(ModalSteps::ChooseFile(QString::fromStdString(path)));
    files.SaveConfiguration();
    ASSERT_TRUE(steps.Done());
  }
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("[PLOT]\r\nCount=2\r\nSignal 0=EngineStatus.EngineSpeed\r\nHidden 0=0\r\n"
                                      "Signal 1=EngineStatus.CoolantTemp\r\nHidden 1=1\r\nSharedAxis=1\r\n"
                                      "Window=60\r\nShown=1\r\n"));

  plot->ReplaceSignals({});
  plot->SetSharedAxis(false);
  plot->SetWindow(true, 0);
  shell_->SignalPlot().ShowPlot(false);
  const auto expectLayout = [&] {
    const auto& plotted = plot->Model().Signals();
    ASSERT_EQ(plotted.size(), 2u);
    EXPECT_EQ(plotted[0].Name, "EngineSpeed");
    EXPECT_FALSE(plotted[0].Hidden);
    EXPECT_EQ(plotted[1].Name, "CoolantTemp");
    EXPECT_TRUE(plotted[1].Hidden);
    EXPECT_TRUE(plot->Model().SharedYAxis);
    EXPECT_TRUE(Find<QCheckBox>("PlotSharedAxis")->isChecked());
    EXPECT_EQ(plot->Model().Follow, TPlotFollow::Window);
    EXPECT_EQ(plot->Model().WindowSeconds, 60);
    EXPECT_EQ(Find<QComboBox>("PlotWindow")->currentText(), "60 s");
    EXPECT_FALSE(Find<QDockWidget>("PlotDock")->isHidden());
  };
  ASSERT_TRUE(files.LoadConfiguration(path));
  expectLayout();

  EndProgram();
  StartProgram();
  plot = shell_->SignalPlot().Plot();
  expectLayout();
}

// Tarvo.ini keeps the database and the "Name" column under keys of their own;
// a file without them is written back without them.
TEST_F(DatabaseEndToEnd, SettingsFileRemembersTheDatabaseAndTheNameColumn) {
  StartProgram();
  const QString ini = QString::fromStdString(App().Dirs.TarvoDIR) + "Tarvo.ini";
  EndProgram();
  QFile file(ini);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray text = file.readAll();
  file.close();
  EXPECT_FALSE(text.contains("DATABASE")) << text.toStdString();

  text += "[DATABASE]\r\nFile=" + QByteArray::fromStdString(ShippedDatabase()) + "\r\nNameColumn=1\r\n";
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
  file.close();
  StartProgram();
  EXPECT_TRUE(shell_->Database().State().LoadedFlag);
  EXPECT_FALSE(Find<tarvo::SignalsPanel>("SignalsPanel")->isHidden());
  CANViewModel* model = Window().CANView()->Model();
  const int nameColumn = model->columnCount() - 1;
  EXPECT_EQ(model->headerData(nameColumn, Qt::Horizontal).toString(), "Name");
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(WaitFor([&] { return RowOf(0xC4) >= 0 && RowOf(0x321) >= 0; }, 5000));
  EXPECT_EQ(model->index(RowOf(0xC4), nameColumn).data().toString(), "BrakeStatus");
  EXPECT_EQ(model->index(RowOf(0x321), nameColumn).data().toString(), "GatewayStatus");
  App().Stop();
  EndProgram();
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  text = file.readAll();
  EXPECT_TRUE(text.contains("[DATABASE]\r\nFile=" + QByteArray::fromStdString(ShippedDatabase()) +
                            "\r\nNameColumn=1\r\n"))
      << text.toStdString();
}

}  // namespace
}  // namespace tarvo::test
