// Run control: the Start, Start Rx/Tx and Stop commands, the configuration
// of the adapter at the start of a run, and the control states.
#include "shell/core/ShellTexts.h"
#include "shell/core/TarvoApp.h"

namespace tarvo {

TTarvoApp::TTarvoApp(Clock& clock, MainWindowPort& window, KnownFolders& folders, std::string decimalSeparator,
                   LibraryLoader& loader)
    : RegionalDecimalSeparator(std::move(decimalSeparator)), clock_(clock), window_(window), folders_(folders) {
  Driver.Loader = &loader;
  DeviceConnection.Driver = &Driver;
  DeviceConnection.Waits = &clock;
}

TControlContext TTarvoApp::ControlContext() const {
  TControlContext c;
  c.StartState = Run.StartState;
  c.RunningFlag = Run.RunningFlag;
  c.DeviceReadyFlag = DeviceReadyFlag;
  c.CANClock40MHzFlag = CANClock40MHzFlag;
  c.LogState = log_->State();
  c.HPTimerSupportedFlag = log_->HPTimerSupported();
  return c;
}

void TTarvoApp::SetRunningControls(bool logChange) { tarvo::SetRunningControls(window_, ControlContext(), logChange); }

void TTarvoApp::SetStoppedControls(bool logChange) { tarvo::SetStoppedControls(window_, ControlContext(), logChange); }

// ---- Commands ----------------------------------------------------------------

// A start runs inside the waits of another one only by a click or key that
// arrives while the window keeps responding (Esc held down repeats Start,
// Stop, Start): it is refused, or it would reset the outer start's state
// and leave the adapter running behind controls that say "Stopped".
void TTarvoApp::Start() {
  window_.HideConversionBalloon();
  if (configuring_) return;
  Run.StartState = START_RX_TX;
  SetRunningControls(false);
  StartDevice();
}

// While a receive-only run goes on, the same command switches transmission
// on; the scheduler then hands the items over one per tick.
void TTarvoApp::StartRxTx() {
  window_.HideConversionBalloon();
  if (configuring_) return;
  if (Run.RunningFlag) {
    if (Run.StartState == START_RX) {
      Run.StartState = START_TX;
      window_.SetControlEnabled("StartRxTx1", false);
      window_.SetControlEnabled("StartRxTxButton", false);
    }
    return;
  }
  Run.StartState = START_RX;
  SetRunningControls(false);
  StartDevice();
}

void TTarvoApp::Stop() {
  window_.HideConversionBalloon();
  if (configuring_) startCancelled_ = true;
  StopDevice();
  SetStoppedControls(false);
}

// ---- Start and stop ------------------------------------------------------------

void TTarvoApp::ResetViewForRun() {
  ResetCANViewForStart(View);
  window_.SetCANViewItemCount(0);
  window_.ActivatePage(TPage::CANView);
  window_.FocusCANView();
  window_.UpdateSelectionCommands();
  Run.TarvoState = 0;
}

// The configuration waits keep the window responsive, so Stop (or closing
// the window) may run in the middle of a start. The start then ends there:
// switching the adapter on afterwards would leave it running behind
// controls that show it stopped.
void TTarvoApp::StartDevice() {
  configuring_ = true;
  startCancelled_ = false;
  const uint32_t configured = ConfigureDevice();
  configuring_ = false;
  if (StartCancelled()) return;
  if (configured != 0) {
    SetStoppedControls(false);
    return;
  }
  ResetViewForRun();
  Run.PCTime = clock_.TickCount();
  if (SetRunState(DeviceConnection, 1) != RES_OK) {
    StopDevice();
    SetStoppedControls(false);
    return;
  }
  Run.TarvoTime = 0;
  Run.TarvoSyncTime = 0;
  window_.SetTickEnabled(true);
  ShowRunningTime();
  Run.RunningFlag = true;
}

// A failed stop command leaves the run going: the adapter may still be on
// the bus, so the tick keeps showing what it does.
bool TTarvoApp::StopDevice() {
  if (SetRunState(DeviceConnection, 0) != RES_OK) return false;
  Run.RunningFlag = false;
  window_.SetTickEnabled(false);
  // Rows stored since the last refresh would otherwise stay out of the list
  // until the next run.
  if (window_.CANViewItemCount() != View.CANView.Count) window_.SetCANViewItemCount(View.CANView.Count);
  window_.RepaintCANView();
  window_.SetStatusPanelText(0, StoppedText);
  if (BusLoadSupportedFlag) window_.ShowBusLoad(0, BusLoadText(0, RegionalDecimalSeparator), Run.BusLoadValidFlag);
  return true;
}

void TTarvoApp::ShowRunningTime() { window_.SetStatusPanelText(0, RunningTimeText(Run.TarvoTime)); }

// ---- Configuration ----------------------------------------------------------------

TResult TTarvoApp::SendBitTiming(const TBitTiming& t) {
  // The register takes every value less one; bit 6 of the BRP byte selects
  // the adapter's 40 MHz clock.
  const uint8_t brp = uint8_t(t.BRP - 1 + (CANClock40MHzFlag ? 64 : 0));
  return SetBitTiming(DeviceConnection, uint8_t(t.SJW - 1), brp, uint8_t(t.PHSEG1 - 1), uint8_t(t.PHSEG2 - 1),
                      uint8_t(t.PROPSEG - 1), t.SAM == 3 ? 1 : 0);
}

namespace {
uint8_t OperatingModeValue(TOperatingMode mode) {
  if (mode == TOperatingMode::Loopback) return OPMODE_LOOPBACK;
  if (mode == TOperatingMode::ListenOnly) return OPMODE_LISTEN_ONLY;
  return OPMODE_NORMAL;
}
}  // namespace

uint32_t TTarvoApp::SendFilters(const TCANSetup& setup) {
  TFilterSettings filters = AcceptAllFilters();
  if (setup.FilterChoice != TFilterChoice::None && !canSetup_->CheckReceiveFilters(filters))
    return CONFIG_FILTERS_INVALID;
  return SetFilters(DeviceConnection, filters) == RES_OK ? 0 : CONFIG_COMMAND_FAILED;
}

// The whole transmit list goes to the adapter only for a transmitting run
// that is not a replay: a replay sends its own messages.
uint32_t TTarvoApp::LoadTransmitListForRun(const TCANSetup& setup) {
  const TLogState log = log_->State();
  const bool replaying = log == REPLAY_LOG_RUNNING || log == REPLAY_LOG_SINGLE_STEP;
  if (setup.Mode != TOperatingMode::ListenOnly && Run.StartState == START_RX_TX && !replaying) {
    if (transmit_->LoadTransmitList() != RES_OK) return CONFIG_TRANSMIT_LOAD_FAILED;
    transmit_->MarkAllItemsHandedOver();
  }
  if (Run.StartState == START_RX) transmit_->PrepareReceiveOnlyRun();
  return 0;
}

// Each step runs only while the earlier ones succeeded. A failure shows no
// message (the filter check shows its own); the caller returns the controls
// to the stopped state. After a Stop during one of the waits nothing more
// goes to the adapter: it was told to stop.
uint32_t TTarvoApp::ConfigureDevice() {
  const TCANSetup setup = canSetup_->Settings();
  if (SendBitTiming(setup.BitTiming) != RES_OK) return CONFIG_COMMAND_FAILED;
  clock_.WaitProcessingMessages(100);
  if (StartCancelled()) return CONFIG_CANCELLED;
  if (SetOperatingMode(DeviceConnection, OperatingModeValue(setup.Mode)) != RES_OK) return CONFIG_COMMAND_FAILED;
  clock_.WaitProcessingMessages(10);
  if (StartCancelled()) return CONFIG_CANCELLED;
  if (const uint32_t r = SendFilters(setup); r != 0) return r;
  clock_.WaitProcessingMessages(10);
  if (StartCancelled()) return CONFIG_CANCELLED;
  if (const uint32_t r = LoadTransmitListForRun(setup); r != 0) return r;
  if (StartCancelled()) return CONFIG_CANCELLED;
  CANMessageRing.WriteIndex = 0;
  CANMessageRing.ReadIndex = 0;
  CANMessageRing.FullFlag = false;
  CANMessageRing.LostCount = 0;
  Run.LostShown = 0;
  if (FlushDevice(DeviceConnection) != RES_OK) return CONFIG_COMMAND_FAILED;
  if (EndConfiguration(DeviceConnection) != RES_OK) return CONFIG_COMMAND_FAILED;
  return 0;
}

}  // namespace tarvo
