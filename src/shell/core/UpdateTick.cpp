// The 10 ms update tick: the program's main loop while the adapter runs.
#include "common/TimeUnits.h"
#include "shell/core/ShellTexts.h"
#include "shell/core/TarvoApp.h"
#include "view/CANViewRefresh.h"

namespace tarvo {

void TTarvoApp::OnTick() {
  AdvanceClock();
  if (log_->ReplayRunning()) {
    ReplayTick();
  } else if (!NormalTick()) {
    return;
  }
  RefreshCANView();
}

// Unsigned arithmetic keeps the tick right across the wrap of the system
// tick count.
void TTarvoApp::AdvanceClock() {
  const uint32_t now = clock_.TickCount();
  Run.DeltaPCTime = now - Run.PCTime;
  Run.PCTime = now;
  Run.TarvoTime += Run.DeltaPCTime;
}

// Signed: a status may set the clock back a little behind the last request
// (the adapter's time stamp is a few ms older than the tick), which is not
// four billion ms since that request.
int32_t TTarvoApp::MsSinceStatusRequest() const { return int32_t(Run.TarvoTime - Run.TarvoSyncTime); }

// Once a second of adapter time: a status request. Returns false when the
// run reached its time limit and was stopped.
bool TTarvoApp::SecondlyRequests(bool replay) {
  if (MsSinceStatusRequest() <= 1000) return true;
  if (!replay && Run.TarvoTime > MaximumRunTimeMs) {
    StopDevice();
    SetStoppedControls(false);
    return false;
  }
  RequestStatus(DeviceConnection);
  // The normal variant counts the second from the previous tick, so that a
  // late tick does not push every later request back.
  Run.TarvoSyncTime = replay ? Run.TarvoTime : Run.TarvoTime - Run.DeltaPCTime;
  ShowRunningTime();
  if (!replay && log_->RecordRunning()) log_->SwapLogBuffers();
  if (BusLoadSupportedFlag) Run.BusLoadRequestFlag = false;
  return true;
}

// Half a second after the status request: the bus-load request.
void TTarvoApp::RequestBusLoadWhenDue() {
  if (!BusLoadSupportedFlag || Run.BusLoadRequestFlag) return;
  if (MsSinceStatusRequest() <= 500) return;
  RequestBusLoad(DeviceConnection);
  Run.BusLoadRequestFlag = true;
}

void TTarvoApp::ShowReceiveError() { ShowAdapterStatus("    Status ?"); }

// The adapter panel: descriptor, status and, once messages were lost in this
// run, how many.
void TTarvoApp::ShowAdapterStatus(const std::string& statusText) {
  Run.AdapterStatusText = statusText;
  Run.LostShown = CANMessageRing.LostCount;
  window_.SetStatusPanelText(Identity.DevicePanelNo,
                              Identity.TarvoDescriptor + statusText + LostMessagesText(Run.LostShown));
}

// During a replay the replay thread sends; the tick shows what it sent and
// keeps the status up to date. Received messages stay in the ring.
void TTarvoApp::ReplayTick() {
  SecondlyRequests(true);
  RequestBusLoadWhenDue();
  log_->DisplayReplayMessages();
  // Messages from the bus are not shown during a replay. Discarding them
  // first keeps room in the ring, so the reads, bounded by that room, still
  // reach the status packets behind them.
  CANMessageRing.Discard();
  if (ParseRxRing(DeviceConnection, CANMessageRing, DeviceStatus) != RES_OK) ShowReceiveError();
  HandleStatusRecord(false);
}

bool TTarvoApp::NormalTick() {
  if (!SecondlyRequests(false)) return false;
  RequestBusLoadWhenDue();
  transmit_->BuildTransmitSchedule();
  ReceiveMessages();
  DrainMessageRing();
  transmit_->ProcessTransmitSchedule(true, 0);
  HandleStatusRecord(true);
  return true;
}

// A receive error, or messages lost at a full ring, reach the log as a
// missing message; a new loss count reaches the adapter panel at once.
void TTarvoApp::ReceiveMessages() {
  const TResult received = ParseRxRing(DeviceConnection, CANMessageRing, DeviceStatus);
  const bool lost = CANMessageRing.LostCount != Run.LostShown;
  if (received != RES_OK) {
    ShowReceiveError();
  } else if (lost) {
    // Before the run's first status record the panel holds identification's status.
    const std::string& identified = Identity.TarvoInternalStatus;
    ShowAdapterStatus(!Run.AdapterStatusText.empty() || identified.empty() ? Run.AdapterStatusText
                                                                            : "  " + identified);
  }
  if ((received != RES_OK || lost) && log_->RecordRunning()) log_->LogMessageMissing();
}

// Due transmissions go first, so that sent and received messages enter the
// view and the log in time order.
void TTarvoApp::DrainMessageRing() {
  TCANMessageRing& ring = CANMessageRing;
  while (!ring.Empty()) {
    const TTarvoCAN& message = ring.Messages[ring.ReadIndex];
    transmit_->ProcessTransmitSchedule(false, message.TimeStamp);
    DisplayReceiveMessage(View, Display, message);
    if (OnReceivedMessage) OnReceivedMessage(message);
    ring.ReadIndex = (ring.ReadIndex + 1) % CANMessageRingSize;
    ring.FullFlag = false;
  }
}

// ---- Status records ------------------------------------------------------------------

void TTarvoApp::HandleStatusRecord(bool withLog) {
  if (DeviceStatus.StatusType == 1)
    HandleAdapterStatus(withLog);
  else if (DeviceStatus.StatusType == 3)
    HandleBusLoadRecord(withLog);
  DeviceStatus.StatusType = 0;
}

void TTarvoApp::HandleAdapterStatus(bool withLog) {
  const uint8_t code = DeviceStatus.Param[2];
  const uint8_t busState = DeviceStatus.Param[3];
  Run.LastStatusCode = code;
  // With no bus event pending the adapter's time stamp is taken as the
  // clock: the run time follows the adapter, not the PC. A time far from
  // the running clock comes from a damaged packet: one such packet would
  // otherwise stop the run (30 hours) or hold back every later request.
  if (busState == 0) {
    const uint32_t adapterMs = uint32_t(TicksToMs(DeviceStatus.TimeStamp));
    const int32_t step = int32_t(adapterMs - Run.TarvoTime);
    if (step > MaximumResyncStepMs || step < -MaximumResyncStepMs) {
      ShowReceiveError();
      return;
    }
    Run.TarvoTime = adapterMs;
  }
  if (code != 0 || busState != 0) {
    const int32_t event = DisplayBusState(View, DeviceStatus);
    View.TxDisplayEnabledFlag = !(event == 1 || event == 4);  // error frame, bus off
  } else {
    View.TxDisplayEnabledFlag = true;
  }
  const std::string status = StatusCodeText(code);
  ShowAdapterStatus("    Status " + status);
  Identity.TarvoInternalStatus = "  Status " + status;
  if (code == 0) Run.BusLoadValidFlag = true;
  if (code >= 8) Run.BusLoadValidFlag = false;
  if (withLog && log_->RecordRunning() && code != Run.TarvoState) {
    log_->LogStatus(code);
    Run.TarvoState = code;
  }
}

void TTarvoApp::HandleBusLoadRecord(bool withLog) {
  UpdateBusLoad(DeviceStatus);
  if (Display.CANErrorCounters) DisplayErrorCounters(View, DeviceStatus);
  if (!withLog || !log_->RecordRunning()) return;
  if (log_->Records(RECORD_ERROR_COUNTERS)) log_->LogErrorCounters();
  if (log_->Records(RECORD_BUS_LOAD)) log_->LogBusLoad();
}

// Without bus-load support there is no gauge to update.
void TTarvoApp::UpdateBusLoad(const TDeviceStatus& status) {
  if (!BusLoadSupportedFlag) return;
  const int position = BusLoadPosition(status.Param[0], status.Param[1]);
  window_.ShowBusLoad(position, BusLoadText(position, RegionalDecimalSeparator), Run.BusLoadValidFlag);
}

// ---- CAN View refresh ------------------------------------------------------------------

// About every UpdateInterval ms; the refresh tick's own delta is not counted.
void TTarvoApp::RefreshCANView() {
  if (!CANViewRefreshDue(View.CANViewUpdateTimer, Display.UpdateInterval, Run.DeltaPCTime)) return;
  const TCANViewRefresh r = PlanCANViewRefresh(View, window_.CANViewItemCount());
  if (r.ItemCountChanged) window_.SetCANViewItemCount(r.ItemCount);
  if (r.RepaintAll) window_.RepaintCANView();
  if (r.SelectRow >= 0) window_.SelectCANViewItem(r.SelectRow, r.ScrollToSelected);
}

}  // namespace tarvo
