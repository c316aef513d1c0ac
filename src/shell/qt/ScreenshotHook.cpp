#include "shell/qt/ScreenshotHook.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <cstdio>

#include "analysis/qt/AnalysisWindow.h"
#include "plot/qt/PlotPanel.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/AboutDialog.h"
#include "shell/qt/ApplicationShell.h"
#include "logging/qt/LogOptionsDialog.h"
#include "shell/qt/DeviceOptionsDialog.h"
#include "shell/qt/LogWiring.h"
#include "shell/qt/OptionsWiring.h"
#include "shell/qt/StartupWiring.h"
#include "view/DisplayOptions.h"
#include "view/qt/DisplayOptionsDialog.h"
#include "shell/qt/DatabaseWiring.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/PlotWiring.h"
#include "transmit/TransmitList.h"
#include "transmit/qt/CANTransmitLocator.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {
namespace {

constexpr int kKeysAfterShowMs = 300;

QString Env(const char* name) { return qEnvironmentVariable(name); }
bool EnvOn(const char* name) { return Env(name) == "1"; }

void Report(const char* what, const char* name) { std::fprintf(stderr, "screenshot: %s %s\n", what, name); }

// ---- The user's hands ------------------------------------------------------------------------

template <class T>
T* Control(QWidget& window, const char* name) {
  T* control = window.findChild<T*>(name);
  if (!control) Report("no control", name);
  return control;
}

void Click(QWidget& window, const char* name) {
  if (auto* button = Control<QAbstractButton>(window, name)) button->click();
}

// Key by key into the field, over whatever it held, as typed.
void Type(QWidget& window, const char* name, const QString& text) {
  auto* edit = Control<QLineEdit>(window, name);
  if (!edit) return;
  edit->setFocus();
  edit->selectAll();
  QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QApplication::sendEvent(edit, &erase);
  for (const QChar c : text) {
    const int key = c.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
    QApplication::sendEvent(edit, &release);
  }
}

void Choose(QWidget& window, const char* name, const QString& entry) {
  auto* box = Control<QComboBox>(window, name);
  if (!box) return;
  const int index = box->findText(entry);
  if (index < 0) Report("no entry in", name);
  box->setCurrentIndex(index);
}

// A left click in the middle of a cell, which also gives the list the focus.
void ClickCell(QTableView* view, int row, int column) {
  const QModelIndex index = view->model()->index(row, column);
  view->scrollTo(index);
  view->setFocus(Qt::MouseFocusReason);
  const QPointF at = QRectF(view->visualRect(index)).center();
  const QPointF global = view->viewport()->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &press);
  QApplication::sendEvent(view->viewport(), &release);
}

// ---- Preparation ---------------------------------------------------------------------------

struct DemoItem {
  bool Bit29;
  const char* ID;
  bool Remote;
  int DLC;
  const char* Data[8];
  const char* Period;  // nullptr: "On Key"
  const char* Key;
  const char* Comment;
};

// Both identifier widths, data and remote frames, periods and keys.
constexpr DemoItem kDemoItems[] = {
    {false, "123", false, 8, {"11", "22", "33", "44", "55", "66", "77", "88"}, "100", nullptr, "Engine speed"},
    {true, "18FEF100", false, 8, {"FF", "FF", "3C", "00", "00", "00", "FF", "FF"}, "100", nullptr, "Wheel speed"},
    {true, "0CF00400", false, 8, {"F0", "7D", "7D", "00", "00", "00", "F0", "7D"}, "50", nullptr, "Engine controller"},
    {false, "321", false, 2, {"0A", "0B"}, "500", nullptr, "Heartbeat"},
    {false, "6A0", true, 0, {}, "1000", nullptr, "Status poll"},
    {false, "7DF", true, 8, {}, nullptr, "F5", "OBD request"},
    {true, "18DA10F1", false, 3, {"02", "10", "03"}, nullptr, "Ctrl+1", "Diagnostic session"},
    {false, "100", false, 4, {"DE", "AD", "BE", "EF"}, nullptr, "F6", "Test pattern"},
};
constexpr int kDemoSelectedRow = 1;

void AddDemoItem(QWidget& w, const DemoItem& item) {
  Click(w, item.Bit29 ? "RadioButton31" : "RadioButton30");
  Type(w, "Edit1", item.ID);
  Click(w, item.Remote ? "RadioButton33" : "RadioButton32");
  if (auto* dlc = Control<QSpinBox>(w, "SpinEdit7")) dlc->setValue(item.DLC);
  static const char* const dataFields[8] = {"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9"};
  for (int n = 0; n < item.DLC && !item.Remote; ++n) Type(w, dataFields[n], item.Data[n]);
  if (item.Period) {
    Click(w, "RadioButton34");
    Choose(w, "ComboBox1", item.Period);
  } else {
    Click(w, "RadioButton35");
    Choose(w, "ComboBox2", item.Key);
  }
  Type(w, "Edit10", item.Comment);
  Click(w, "AddButton");
}

// The list as a user types it in, then a click on one item, which the
// editor then shows.
void FillDemoTransmitList(MainWindow& window) {
  for (const DemoItem& item : kDemoItems) AddDemoItem(window, item);
  QApplication::processEvents();
  if (auto* list = Control<QTableView>(window, "ListView2")) ClickCell(list, kDemoSelectedRow, TX_COLUMN_ID);
}

// Buffer 1 on 11-bit identifiers, buffer 2 on 29-bit ones.
void FillDemoFilters(MainWindow& window) {
  Click(window, "RadioButton18");  // "Custom"
  Click(window, "RadioButton22");  // buffer 2: "29 Bit"
  const char* const fields[][2] = {
      {"Edit11", "7F0"},      {"Edit12", "120"},      {"Edit13", "7D0"},      {"Edit14", "1FFFFF00"},
      {"Edit15", "18FEF100"}, {"Edit16", "0CF00400"}, {"Edit17", "18DA1000"}, {"Edit18", "18DAF100"},
  };
  for (const auto& [name, text] : fields) Type(window, name, text);
  if (QWidget* field = QApplication::focusWidget()) field->clearFocus();
}

void ShowPage(MainWindow& window) {
  bool pageOk = false;
  const int page = Env("TARVO_SCREENSHOT_PAGE").toInt(&pageOk);
  if (pageOk) window.PageControl()->setCurrentIndex(page);
  QApplication::processEvents();
}

void Prepare(ApplicationShell& shell) {
  MainWindow& window = shell.Window();
  TTarvoApp& app = shell.App();
  ShowPage(window);
  if (EnvOn("TARVO_SCREENSHOT_ERROR_COUNTERS")) app.Display.CANErrorCounters = true;
  if (EnvOn("TARVO_SCREENSHOT_TX_ON_VIEW")) {
    app.Display.CANTxOnCANViewPage = true;
    if (auto* locator = window.findChild<CANTransmitLocator*>()) locator->LocateCANTransmit(true);
    QApplication::processEvents();
  }
  if (EnvOn("TARVO_SCREENSHOT_LOOPBACK")) Click(window, "RadioButton14");
  if (EnvOn("TARVO_SCREENSHOT_DEMO_FILTERS")) FillDemoFilters(window);
  if (EnvOn("TARVO_SCREENSHOT_DEMO_TX")) FillDemoTransmitList(window);
  if (!Env("TARVO_SCREENSHOT_DATABASE").isEmpty())
    shell.Database().Load(Env("TARVO_SCREENSHOT_DATABASE").toStdString());
  if (!Env("TARVO_SCREENSHOT_PLOT").isEmpty()) {
    shell.SignalPlot().ShowPlot(true);
    for (const QString& name : Env("TARVO_SCREENSHOT_PLOT").split(',', Qt::SkipEmptyParts))
      shell.SignalPlot().Plot()->AddSignal(name.trimmed().toStdString());
    QApplication::processEvents();
  }
  if (!Env("TARVO_SCREENSHOT_OPEN_LOG").isEmpty()) shell.Database().OpenLog(Env("TARVO_SCREENSHOT_OPEN_LOG").toStdString());
  if (!Env("TARVO_SCREENSHOT_MESSAGE").isEmpty()) {
    if (auto* box = Control<QComboBox>(window, "ComboBoxMessage")) {
      const int entry = box->findText(Env("TARVO_SCREENSHOT_MESSAGE"));
      if (entry < 0) Report("no entry in", "ComboBoxMessage");
      box->setCurrentIndex(entry);
      emit box->activated(entry);
      QApplication::processEvents();
    }
  }
}

// A click on the CAN View row of the identifier, as the user picks a row.
void SelectRowOfId(ApplicationShell& shell, const QString& idText) {
  bool ok = false;
  const uint32_t id = idText.toUInt(&ok, 16);
  const TCANView& view = shell.App().View.CANView;
  for (int32_t row = 0; ok && row < view.Count; ++row) {
    const TCANViewMessage& entry = view.List[size_t(row)];
    if (entry.ItemType <= 1 && entry.Item.ID == id) {
      ClickCell(shell.Window().CANView(), row, 2);
      return;
    }
  }
  Report("no CAN View row of", qPrintable(idText));
}

void PressKeys(MainWindow& window, const QString& keys) {
  for (const QString& text : keys.split(',', Qt::SkipEmptyParts)) {
    const QKeySequence sequence = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    if (sequence.isEmpty() || window.TriggerShortcut(sequence)) continue;
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
    QKeyEvent press(QEvent::KeyPress, sequence[0].key(), sequence[0].keyboardModifiers());
    QApplication::sendEvent(target, &press);
  }
}

void Capture(ApplicationShell& shell, const QString& file) {
  MainWindow& window = shell.Window();
  ShowPage(window);
  if (!Env("TARVO_SCREENSHOT_SELECT_ID").isEmpty()) SelectRowOfId(shell, Env("TARVO_SCREENSHOT_SELECT_ID"));
  QWidget* target = &window;
  const QString dialog = Env("TARVO_SCREENSHOT_TARGET");
  if (dialog.compare("About", Qt::CaseInsensitive) == 0) {
    window.About()->show();
    target = window.About();
  } else if (dialog.compare("DisplayOptions", Qt::CaseInsensitive) == 0) {
    DisplayOptionsDialog& d = shell.Options().DisplayOptions();
    d.ShowForm(DisplayOptionsOnShow(shell.App().Display, shell.App().BusLoadSupportedFlag));
    d.show();
    target = &d;
  } else if (dialog.compare("LogOptions", Qt::CaseInsensitive) == 0) {
    LogOptionsDialog& d = shell.Logging().Options();
    d.show();  // not modal here: the shot must not wait for the user
    target = &d;
  } else if (dialog.compare("Analysis", Qt::CaseInsensitive) == 0) {
    if (auto* analysis = window.findChild<AnalysisWindow*>("AnalysisWindow")) {
      analysis->resize(window.size());
      analysis->List()->selectRow(7);
      analysis->Plot()->AddSignal("EngineStatus.EngineSpeed");
      if (auto* tabs = analysis->findChild<QTabWidget*>("AnalysisTabs")) tabs->setCurrentIndex(1);
      QApplication::processEvents();
      target = analysis;
    } else {
      Report("no analysis window of", "TARVO_SCREENSHOT_OPEN_LOG");
    }
  } else if (dialog.compare("DeviceOptions", Qt::CaseInsensitive) == 0) {
    DeviceOptionsDialog& d = shell.Startup().DeviceOptions();
    const TDeviceInfo open = shell.App().DeviceSelection;
    d.ShowForm(DeviceOptionsOnShow(shell.App().SavedDeviceSelection,
                                   shell.App().DeviceConnection.OpenFlag ? &open : nullptr));
    d.show();
    target = &d;
  }
  QApplication::processEvents();
  if (!target->grab().save(file, "PNG")) std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(file));
  // Straight out: a close could ask questions nobody is there to answer.
  QCoreApplication::exit(0);
}

}  // namespace

bool ScheduleScreenshotFromEnvironment(ApplicationShell& shell) {
  const QString file = Env("TARVO_SCREENSHOT");
  if (file.isEmpty()) return false;
  MainWindow& window = shell.Window();
  const QStringList size = Env("TARVO_SCREENSHOT_SIZE").split('x');
  if (size.size() == 2) window.resize(size[0].toInt(), size[1].toInt());
  bool delayOk = false;
  int delay = Env("TARVO_SCREENSHOT_DELAY_MS").toInt(&delayOk);
  if (!delayOk) delay = 1500;
  const QString keys = Env("TARVO_SCREENSHOT_KEYS");
  QTimer::singleShot(kKeysAfterShowMs, &window, [&shell, &window, keys, delay, file] {
    Prepare(shell);
    PressKeys(window, keys);
    QTimer::singleShot(delay, &window, [&shell, file] { Capture(shell, file); });
  });
  return true;
}

}  // namespace tarvo::qt
