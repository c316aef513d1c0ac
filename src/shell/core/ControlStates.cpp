#include "shell/core/ControlStates.h"

#include <initializer_list>
#include <string>

namespace tarvo {
namespace {

// Command image indices of the Start Rx / Start Tx twin.
constexpr int StartRxImage = 7;
constexpr int StartTxImage = 8;

void Enable(MainWindowPort& w, std::initializer_list<const char*> names, bool enabled) {
  for (const char* name : names) w.SetControlEnabled(name, enabled);
}

void EnableNumbered(MainWindowPort& w, const char* prefix, int first, int last, bool enabled) {
  for (int i = first; i <= last; ++i) w.SetControlEnabled(prefix + std::to_string(i), enabled);
}

void EnableConfigurationFiles(MainWindowPort& w, bool enabled) {
  Enable(w, {"New1", "NewButton", "Load1", "LoadButton"}, enabled);
}

void EnableSaveAndDisplayOptions(MainWindowPort& w, bool enabled) {
  Enable(w, {"Save1", "SaveButton", "SaveAs1", "DisplayOptions1"}, enabled);
}

// Presets, "Custom" and the six bit-timing fields. "800k" needs the 40 MHz clock.
void EnableBitTiming(MainWindowPort& w, const TControlContext& c, bool enabled) {
  EnableNumbered(w, "RadioButton", 100, 112, enabled);
  if (enabled && !c.CANClock40MHzFlag) w.SetControlEnabled("RadioButton111", false);
  w.SetControlEnabled("RadioButton120", enabled);
  EnableNumbered(w, "SpinEdit", 1, 6, enabled);
}

// Operating mode, filter choice and filter fields.
void EnableModeAndFilters(MainWindowPort& w, bool enabled) {
  EnableNumbered(w, "RadioButton", 12, 22, enabled);
  EnableNumbered(w, "Edit", 11, 18, enabled);
}

void EnableTransmitListCommands(MainWindowPort& w, bool enabled) {
  Enable(w, {"DisableAll1", "EnableAll1", "Delete1", "DeleteAll1", "AddButton", "DeleteButton"}, enabled);
}

void EnableTransmitEditor(MainWindowPort& w, bool enabled) {
  Enable(w, {"Edit1", "SpinEdit7", "ComboBox1", "ComboBox2", "Edit10", "AddButton", "ModifyButton",
             "DeleteButton", "NowButton"},
         enabled);
  EnableNumbered(w, "RadioButton", 30, 35, enabled);
  EnableNumbered(w, "Edit", 2, 9, enabled);
}

void EnableReplayStarts(MainWindowPort& w, bool replayEnabled, bool singleStepEnabled) {
  Enable(w, {"StartLogReplay1", "StartLogReplayButton"}, replayEnabled);
  Enable(w, {"SingleStepLogReplay1", "SingleStepLogReplayButton"}, singleStepEnabled);
}

void SetStart(MainWindowPort& w, bool enabled) {
  Enable(w, {"Start1", "StartButton"}, enabled);
  w.SetControlShortcut("Start1", enabled ? "Esc" : "");
}

void SetStop(MainWindowPort& w, bool enabled, const char* shortcut) {
  Enable(w, {"Stop1", "StopButton"}, enabled);
  w.SetControlShortcut("Stop1", shortcut);
}

void SetStartLogRecording(MainWindowPort& w, bool enabled) {
  Enable(w, {"StartLogRecording1", "StartLogRecordingButton"}, enabled);
  w.SetControlShortcut("StartLogRecording1", enabled ? "Ctrl+L" : "");
}

void SetStopLog(MainWindowPort& w, bool enabled) {
  Enable(w, {"StopLog1", "StopLogButton"}, enabled);
  w.SetControlShortcut("StopLog1", enabled ? "Ctrl+L" : "");
}

// The Start Rx / Start Tx twin: the menu item's caption is its hint.
void LabelStartRxTx(MainWindowPort& w, const char* buttonCaption, const char* menuText, int image) {
  w.SetControlCaption("StartRxTxButton", buttonCaption);
  w.SetControlHint("StartRxTxButton", menuText);
  w.SetControlImage("StartRxTxButton", image);
  w.SetControlCaption("StartRxTx1", menuText);
  w.SetControlHint("StartRxTx1", menuText);
  w.SetControlImage("StartRxTx1", image);
}

void EnableStartRxTx(MainWindowPort& w, bool enabled) { Enable(w, {"StartRxTx1", "StartRxTxButton"}, enabled); }

void RunStartControls(MainWindowPort& w, const TControlContext& c) {
  EnableSaveAndDisplayOptions(w, false);
  EnableReplayStarts(w, false, false);
  SetStart(w, false);
  if (c.StartState == START_RX) {
    LabelStartRxTx(w, "Start Tx", "Start Tarvo Tx", StartTxImage);
    EnableStartRxTx(w, true);
  } else {
    EnableStartRxTx(w, false);
  }
  SetStop(w, true, "Esc");
  EnableTransmitListCommands(w, false);
  EnableModeAndFilters(w, false);
}

void RecordingStartControls(MainWindowPort& w) {
  SetStartLogRecording(w, false);
  EnableReplayStarts(w, false, false);
  SetStopLog(w, true);
  w.SetControlEnabled("LogOptions1", false);
}

void ReplayStartControls(MainWindowPort& w, const TControlContext& c) {
  EnableSaveAndDisplayOptions(w, false);
  SetStartLogRecording(w, false);
  if (c.LogState == REPLAY_LOG_RUNNING) {
    EnableReplayStarts(w, false, false);
    Enable(w, {"PauseLogReplay1", "PauseLogReplayButton"}, true);
  }
  SetStopLog(w, true);
  SetStart(w, false);
  EnableStartRxTx(w, false);
  // Disabled, yet it keeps Esc, so no other command takes the key meanwhile.
  SetStop(w, false, "Esc");
  w.SetControlEnabled("Delete1", false);
  EnableTransmitEditor(w, false);
  EnableModeAndFilters(w, false);
}

bool IsReplayState(TLogState s) {
  return s == REPLAY_LOG_RUNNING || s == REPLAY_LOG_SINGLE_STEP || s == REPLAY_LOG_PAUSED;
}

void RunEndControls(MainWindowPort& w, const TControlContext& c) {
  EnableConfigurationFiles(w, true);
  EnableSaveAndDisplayOptions(w, true);
  SetStart(w, true);
  LabelStartRxTx(w, "Start Rx", "Start Tarvo Rx", StartRxImage);
  EnableStartRxTx(w, true);
  SetStop(w, false, "");
  EnableTransmitListCommands(w, true);
  EnableModeAndFilters(w, true);
  if (c.LogState == NO_LOG) {
    EnableReplayStarts(w, c.HPTimerSupportedFlag, true);
    EnableBitTiming(w, c, true);
  }
}

// A recording may run without an adapter; once it ends, the configuration
// commands and the bit timing come back whenever the adapter is stopped, and
// the replay commands only when an adapter is there to replay to.
void RecordingEndControls(MainWindowPort& w, const TControlContext& c) {
  SetStartLogRecording(w, true);
  SetStopLog(w, false);
  w.SetControlEnabled("LogOptions1", true);
  if (c.RunningFlag) return;
  EnableConfigurationFiles(w, true);
  if (c.DeviceReadyFlag) EnableReplayStarts(w, c.HPTimerSupportedFlag, true);
  EnableBitTiming(w, c, true);
}

void ReplayEndControls(MainWindowPort& w, const TControlContext& c) {
  EnableConfigurationFiles(w, true);
  EnableSaveAndDisplayOptions(w, true);
  SetStart(w, true);
  EnableStartRxTx(w, true);
  SetStop(w, false, "");
  w.SetControlEnabled("Delete1", true);
  EnableTransmitEditor(w, true);
  EnableBitTiming(w, c, true);
  EnableModeAndFilters(w, true);
  SetStartLogRecording(w, true);
  EnableReplayStarts(w, c.HPTimerSupportedFlag, true);
  Enable(w, {"PauseLogReplay1", "PauseLogReplayButton"}, false);
  SetStopLog(w, false);
}

}  // namespace

void SetRunningControls(MainWindowPort& w, const TControlContext& c, bool logChange) {
  EnableConfigurationFiles(w, false);
  EnableBitTiming(w, c, false);
  if (!logChange)
    RunStartControls(w, c);
  else if (c.LogState == RECORD_LOG)
    RecordingStartControls(w);
  else if (c.LogState == REPLAY_LOG_RUNNING || c.LogState == REPLAY_LOG_SINGLE_STEP)
    ReplayStartControls(w, c);
}

void SetStoppedControls(MainWindowPort& w, const TControlContext& c, bool logChange) {
  if (!logChange)
    RunEndControls(w, c);
  else if (c.LogState == RECORD_LOG)
    RecordingEndControls(w, c);
  else if (IsReplayState(c.LogState))
    ReplayEndControls(w, c);
}

}  // namespace tarvo
