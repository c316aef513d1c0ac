#pragma once
// Every command the main window runs: menu items, tool buttons, pop-up
// items, the opening of a menu or pop-up and the update tick. A command is
// a typed identifier, so a misspelt one does not compile; the program binds
// one handler to each (MainWindow::SetHandler), and start-up refuses a
// window with a command left unbound (MainWindow::UnboundCommands).
#include <cstddef>

namespace tarvo::qt {

enum class TCommand {
  // File
  NewConfiguration,
  LoadConfiguration,
  SaveConfiguration,
  SaveConfigurationAs,
  LoadDatabase,
  UnloadDatabase,
  OpenLog,
  Exit,
  // View
  ViewMenuOpening,
  ClearView,
  CopyToTransmit,
  FilterOnId,
  Snapshot,
  ToggleViewConversion,
  ToggleListFont,
  SelectFixedView,
  SelectCyclicView,
  ToggleSignalPlot,
  DisplayOptions,
  // Log
  StartLogRecording,
  StartLogReplay,
  SingleStepLogReplay,
  PauseLogReplay,
  StopLog,
  LogOptions,
  // Tarvo
  StartRun,
  StartRunRxTx,
  StopRun,
  DeviceOptions,
  ShareAdapter,
  // Help
  ShowHelp,
  ShowAbout,
  // The CAN View pop-up menu opening, and the transmit list's pop-up
  // menu: opening it and its own items.
  CANViewPopupOpening,
  TransmitPopupOpening,
  SendNow,
  ToggleTransmitConversion,
  DisableAllTransmit,
  EnableAllTransmit,
  DeleteTransmit,
  DeleteAllTransmit,
  // The update timer's tick (every 10 ms while running).
  Tick,
};

inline constexpr std::size_t kCommandCount = std::size_t(TCommand::Tick) + 1;

// The command's identifier as written in the code ("StartRun"), for a
// start-up failure that names the unbound commands.
const char* CommandName(TCommand command);

}  // namespace tarvo::qt
