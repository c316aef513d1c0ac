#pragma once
// Which commands and fields of the main window are usable in each run and
// log state. Controls are addressed by component name; a menu item and its
// tool button (New1/NewButton) always change together.
#include <cstdint>

#include "shell/core/MainWindowPort.h"
#include "shell/core/ShellSeams.h"

namespace tarvo {

enum TStartState : uint8_t {
  START_RX = 0,     // receive only
  START_TX = 1,     // a receive-only run to which transmission is being added
  START_RX_TX = 2,  // receive and transmit
};

// The state the control tables depend on.
struct TControlContext {
  TStartState StartState = START_RX_TX;
  bool RunningFlag = false;
  bool DeviceReadyFlag = false;
  bool CANClock40MHzFlag = true;
  TLogState LogState = NO_LOG;
  bool HPTimerSupportedFlag = true;
};

// logChange false: a run starts; true: a recording or replay starts.
void SetRunningControls(MainWindowPort& w, const TControlContext& c, bool logChange);
// logChange false: the run ended or failed to start; true: a recording or replay ended.
void SetStoppedControls(MainWindowPort& w, const TControlContext& c, bool logChange);

}  // namespace tarvo
