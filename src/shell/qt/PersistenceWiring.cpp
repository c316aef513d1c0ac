#include "shell/qt/PersistenceWiring.h"

#include <QGuiApplication>
#include <QScreen>

#include "logging/LogTypes.h"
#include "persistence/ConfigurationFile.h"
#include "setup/CANSetupState.h"
#include "shell/core/TarvoApp.h"
#include "plot/qt/PlotPanel.h"
#include "shell/qt/DatabaseWiring.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/PlotWiring.h"
#include "shell/qt/SetupWiring.h"
#include "shell/qt/TransmitWiring.h"
#include "transmit/qt/CANTransmitLocator.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {

// What the configuration files need from the window and the other subsystems.
class PersistenceWiring::Host : public ConfigurationHost {
 public:
  Host(TTarvoApp& app, MainWindow& window, PersistenceWiring& w) : app_(app), window_(window), w_(w) {}

  bool HexMode() override { return app_.Display.NumericBase == NUMERIC_HEXADECIMAL; }
  bool FixedViewMode() override { return app_.View.Mode == VIEW_FIXED; }
  void SetFixedViewMode(bool fixed) override {
    CANViewList* list = window_.CANView();
    if (fixed) list->FixedCommand(app_.Run.RunningFlag);
    else list->CyclicCommand(app_.Run.RunningFlag);
    window_.SetControlEnabled("Fixed1", !fixed);
    window_.SetControlEnabled("Cyclic1", fixed);
  }
  int32_t HardwareType() override { return app_.DeviceSelection.HardwareType; }
  // The platform has no application title apart from the window's caption.
  void SetCaption(const std::string& caption, bool) override { window_.SetWindowCaption(caption); }
  void ActivateCANSetupPage() override { window_.ActivatePage(TPage::CANSetup); }
  TLogOptionValues LogOptions() override { return w_.LogValues(); }
  void SetLogOptions(const TLogOptionValues& options) override { w_.SetLogValues(options); }
  void SetCANViewBufferSize() override {
    tarvo::SetCANViewBufferSize(app_.View, app_.Display);
    window_.CANView()->SyncItemCount();
  }
  std::string DatabaseFile() override {
    const DatabaseWiring* database = w_.database_;
    return database && database->State().LoadedFlag ? database->State().FileName : std::string();
  }
  void LoadDatabaseFile(const std::string& path) override {
    if (w_.database_) w_.database_->Load(path);
  }
  TPlotKeys PlotLayout() override { return w_.PlotLayout(); }
  void SetPlotLayout(const TPlotKeys& keys) override { w_.SetPlotLayout(keys); }

 private:
  TTarvoApp& app_;
  MainWindow& window_;
  PersistenceWiring& w_;
};

// What start-up and shutdown ask of the files.
class PersistenceWiring::Port : public PersistencePort {
 public:
  explicit Port(PersistenceWiring& w) : w_(w) {}
  void LoadSettings() override {
    w_.ApplySettings(LoadSettingsFile(w_.app_.Dirs.TarvoDIR, w_.SettingsDefaults(), w_.dialogs_));
    w_.configModified_ = false;
  }
  void SaveSettings() override { SaveSettingsFile(w_.app_.Dirs.TarvoDIR, w_.CurrentSettings(), w_.dialogs_); }
  bool LoadStartupConfiguration(const std::string& fileName) override {
    return w_.files_->LoadStartupConfiguration(fileName);
  }
  void ResetConfiguration() override { w_.files_->ResetConfiguration(); }
  bool ConfirmClose() override { return w_.files_->AskToSave(); }

 private:
  PersistenceWiring& w_;
};

PersistenceWiring::PersistenceWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, SetupWiring& setup,
                                     TransmitWiring& transmit, bool& configModified)
    : app_(app),
      window_(window),
      dialogs_(dialogs),
      setup_(setup),
      transmit_(transmit),
      configModified_(configModified),
      host_(std::make_unique<Host>(app, window, *this)) {
  files_ = std::make_unique<TConfigurationFiles>(
      TConfigurationParts{transmit.List(), transmit.Editor(), setup.State()}, *host_, dialogs, app.ConfigLoadedFlag,
      configModified, app.Dirs.ConfigurationDIR);
  port_ = std::make_unique<Port>(*this);
  app.UsePersistence(*port_);
  BindHandlers();
}

PersistenceWiring::~PersistenceWiring() = default;

void PersistenceWiring::UseLogRecord(TLog& log) {
  logRecord_ = &log;
  SetLogValues(log_);
}

TLogOptionValues PersistenceWiring::LogValues() const {
  if (!logRecord_) return log_;
  const TLog& l = *logRecord_;
  TLogOptionValues v;
  v.DIR = l.DIR;
  v.FileName = l.FileName;
  v.FileType = l.FileType;
  v.FileOverwrite = l.FileOverwrite;
  v.RecordMessageTypes = l.RecordMessageTypes;
  v.ReplayTypeFlag = l.ReplayTypeFlag.load();
  v.ReplayMessageTypes = l.ReplayMessageTypes;
  return v;
}

// Values outside the enumerations were already refused by the readers; the
// clamps keep a hand-made record safe all the same. A replay parses its file
// again after the options changed.
void PersistenceWiring::SetLogValues(const TLogOptionValues& v) {
  log_ = v;
  if (!logRecord_) return;
  TLog& l = *logRecord_;
  l.DIR = v.DIR;
  l.FileName = v.FileName;
  l.FileType = v.FileType >= TXT_FILE && v.FileType <= ASC_FILE ? TLogFileType(v.FileType) : TXT_FILE;
  l.FileOverwrite = v.FileOverwrite >= PROMPT_OVERWRITE && v.FileOverwrite <= RENAME_OVERWRITE
                        ? TLogFileOverwriteType(v.FileOverwrite)
                        : PROMPT_OVERWRITE;
  l.RecordMessageTypes = v.RecordMessageTypes;
  l.ReplayTypeFlag = v.ReplayTypeFlag;
  l.ReplayMessageTypes = v.ReplayMessageTypes;
  l.FileLoadedFlag = false;
}

void PersistenceWiring::BindHandlers() {
  TConfigurationFiles& f = *files_;
  window_.SetHandler(TCommand::NewConfiguration, [&f] { f.NewConfiguration(); });
  window_.SetHandler(TCommand::LoadConfiguration, [&f] { f.OpenConfiguration(); });
  window_.SetHandler(TCommand::SaveConfiguration, [&f] { f.SaveConfiguration(); });
  window_.SetHandler(TCommand::SaveConfigurationAs, [&f] { f.SaveConfigurationAs(); });
}

// ---- settings ----

TSettings PersistenceWiring::SettingsDefaults() const {
  TSettings s;
  s.Width = window_.minimumWidth();
  s.Height = window_.minimumHeight();
  s.ConfigurationDIR = app_.Dirs.ConfigurationDIR;
  s.SnapshotDIR = app_.Dirs.SnapshotDIR;
  s.LogDIR = app_.Dirs.LogDIR;
  // A third of the CAN View page's height.
  const QWidget* page = window_.CANViewPage();
  s.CANTransmitHeight = std::max(transmit_.Locator().CANTransmitMinHeight, page->height() / 3);
  return s;
}

void PersistenceWiring::ApplySettings(const TSettings& s) {
  PlaceWindow(s);
  window_.SetListFontSize(s.Font == 8 ? 8 : 10);
  app_.Dirs.ConfigurationDIR = s.ConfigurationDIR;
  app_.Dirs.SnapshotDIR = s.SnapshotDIR;
  app_.Dirs.LogDIR = s.LogDIR;
  TLogOptionValues log = s.Log;
  log.DIR = s.LogDIR;
  SetLogValues(log);
  app_.View.Mode = s.FixedMode ? VIEW_FIXED : VIEW_CYCLIC;
  CANTransmitLocator& locator = transmit_.Locator();
  locator.CANTransmitHeight = std::max(locator.CANTransmitMinHeight, s.CANTransmitHeight);
  TBitTimingPage& bt = setup_.State().BitTiming;
  if (s.BaudRateButton) bt.SelectBaudRateButton(*s.BaudRateButton);
  const TStoredBitTiming& t = s.BitTiming;
  bt.SetCANBitTimingFields(t.BRP, t.PHSEG1, t.PHSEG2, t.PROPSEG, t.SJW, t.SAM);
  bt.CheckCANBaudRatePreset();
  bt.SAMOldValue = bt.Values().SAM;
  app_.Display = s.Display;
  app_.SavedDeviceSelection = s.SavedDeviceSelection;
  app_.Display.MessageName = s.Database.NameColumn;
  databaseFile_ = s.Database.File;
  if (database_ && !databaseFile_.empty()) database_->Load(databaseFile_);
  plotKeys_ = s.Plot;
  if (plotKeys_) SetPlotLayout(*plotKeys_);
}

TPlotKeys PersistenceWiring::PlotLayout() const {
  TPlotKeys keys;
  if (!plot_) return keys;
  PlotPanel* plot = plot_->Plot();
  const TPlotModel& model = plot->Model();
  for (const TPlottedSignal& s : model.Signals()) keys.Signals.push_back({s.Message + "." + s.Name, s.Hidden});
  keys.SharedAxis = model.SharedYAxis;
  keys.All = model.Resume == TPlotFollow::All;
  keys.WindowSeconds = model.WindowSeconds;
  keys.Shown = plot_->PlotShown();
  return keys;
}

void PersistenceWiring::SetPlotLayout(const TPlotKeys& keys) {
  if (!plot_) return;
  PlotPanel* plot = plot_->Plot();
  std::vector<std::pair<std::string, bool>> named;
  for (const TPlotKeys::TSignal& s : keys.Signals) named.emplace_back(s.Name, s.Hidden);
  plot->ReplaceSignals(named);
  plot->SetSharedAxis(keys.SharedAxis);
  plot->SetWindow(keys.All, keys.WindowSeconds);
  plot_->ShowPlot(keys.Shown);
}

void PersistenceWiring::PlaceWindow(const TSettings& s) {
  std::vector<TScreenRect> monitors;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect g = screen->geometry();
    monitors.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  const TWindowPlacement p = tarvo::PlaceWindow({s.Left, s.Top, s.Width, s.Height}, window_.ScalingFactor(),
                                                window_.minimumWidth(), window_.minimumHeight(), monitors);
  window_.SetFrameBounds(QRect(p.Bounds.Left, p.Bounds.Top, p.Bounds.Width, p.Bounds.Height));
  if (p.Maximized) window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

TSettings PersistenceWiring::CurrentSettings() const {
  TSettings s;
  // The bounds with the frame, as the window system measures a window: a
  // window saved maximised covers its monitor within the tolerances of the
  // maximise rule, title bar and panel included.
  const QRect frame = window_.FrameBounds();
  s.Left = frame.x();
  s.Top = frame.y();
  s.Width = frame.width();
  s.Height = frame.height();
  s.Font = window_.ListFontSize() == 8 ? 8 : 10;
  s.ConfigurationDIR = app_.Dirs.ConfigurationDIR;
  s.SnapshotDIR = app_.Dirs.SnapshotDIR;
  s.LogDIR = LogValues().DIR;
  s.FixedMode = app_.View.Mode == VIEW_FIXED;
  s.CANTransmitHeight = transmit_.Locator().CANTransmitHeight;
  const TBitTimingPage& bt = setup_.State().BitTiming;
  s.BaudRateButton = bt.GetCANBaudRateSelection();
  const TBitTimingValues v = bt.Values();
  s.BitTiming = {bt.StoredBRP(), v.PHSEG1, v.PHSEG2, v.PROPSEG, v.SJW, v.SAM};
  s.Display = app_.Display;
  s.Log = LogValues();
  s.SavedDeviceSelection = app_.SavedDeviceSelection;
  const bool loaded = database_ && database_->State().LoadedFlag;
  const bool unloaded = database_ && database_->State().UnloadedFlag;
  s.Database.File = loaded ? database_->State().FileName : unloaded ? std::string() : databaseFile_;
  s.Database.NameColumn = app_.Display.MessageName;
  // Signals the settings named that could not be plotted this time (their
  // database missing) are kept for the next start.
  const TPlotKeys plot = PlotLayout();
  s.Plot = plot.Signals.empty() && !loaded && plotKeys_ ? plotKeys_ : std::optional<TPlotKeys>(plot);
  return s;
}

}  // namespace tarvo::qt
