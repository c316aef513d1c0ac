#include "shell/qt/CommandTable.h"

#include "shell/qt/IconSet.h"

namespace tarvo::qt {
namespace {

// A separator has no name; its command is never run.
constexpr TCommandEntry kSeparator{nullptr, nullptr, "", true, -1, TCommand::Exit};

constexpr TCommandEntry kFileMenu[] = {
    {"New1", "&New", "", true, IMG_NEW, TCommand::NewConfiguration},
    {"Load1", "&Load...", "", true, IMG_LOAD, TCommand::LoadConfiguration},
    kSeparator,
    {"Save1", "&Save", "", true, IMG_SAVE, TCommand::SaveConfiguration},
    {"SaveAs1", "S&ave As...", "", true, -1, TCommand::SaveConfigurationAs},
    kSeparator,
    // Loads a DBC database for the signals of the CAN View and the editor.
    {"Database1", "&Database...", "Ctrl+K", true, -1, TCommand::LoadDatabase},
    {"UnloadDatabase1", "&Unload Database", "", false, -1, TCommand::UnloadDatabase},
    // A recorded log in a window of its own, without an adapter.
    {"OpenLog1", "Open Lo&g...", "", true, -1, TCommand::OpenLog},
    kSeparator,
    {"Exit1", "&Exit Tarvo", "", true, IMG_EXIT, TCommand::Exit},
};

// Fixed starts disabled because fixed is the view mode of a fresh settings
// file; loading the settings enables the pair as the saved mode says.
constexpr TCommandEntry kViewMenu[] = {
    {"Clear1", "&Clear", "Ctrl+C", true, IMG_CLEAR, TCommand::ClearView},
    {"CopyToTx1", "Copy To &Tx", "Ctrl+T", false, IMG_COPY_TO_TX, TCommand::CopyToTransmit},
    {"FilterOnID1", "Filter On &ID", "Ctrl+I", false, IMG_FILTER_ON_ID, TCommand::FilterOnId},
    {"Snapshot1", "&Snapshot", "Ctrl+S", true, IMG_SNAPSHOT, TCommand::Snapshot},
    {"ShowConversion1", "Show &Decimal", "Ctrl+B", true, IMG_DECIMAL_DISABLED,
     TCommand::ToggleViewConversion},
    {"Font1", "Fo&nt +", "Ctrl+A", true, IMG_FONT, TCommand::ToggleListFont},
    kSeparator,
    {"Fixed1", "&Fixed", "Ctrl+F", false, IMG_FIXED, TCommand::SelectFixedView},
    {"Cyclic1", "C&yclic", "Ctrl+Y", true, IMG_CYCLIC, TCommand::SelectCyclicView},
    kSeparator,
    // Shows and hides the plot of decoded signals (with a database).
    {"SignalPlot1", "Signal &Plot", "Ctrl+G", true, -1, TCommand::ToggleSignalPlot},
    {"DisplayOptions1", "&Options...", "", true, -1, TCommand::DisplayOptions},
};

constexpr TCommandEntry kLogMenu[] = {
    {"StartLogRecording1", "&Start Log Recording", "Ctrl+L", true, IMG_START_LOG_RECORDING,
     TCommand::StartLogRecording},
    {"StartLogReplay1", "Start Log &Replay", "Ctrl+R", false, IMG_START_LOG_REPLAY,
     TCommand::StartLogReplay},
    {"SingleStepLogReplay1", "Si&ngle Step Log Replay", "Ctrl+N", false,
     IMG_SINGLE_STEP_LOG_REPLAY, TCommand::SingleStepLogReplay},
    {"PauseLogReplay1", "&Pause Log Replay", "Ctrl+P", false, IMG_PAUSE_LOG_REPLAY,
     TCommand::PauseLogReplay},
    {"StopLog1", "S&top Log", "", false, IMG_STOP_LOG, TCommand::StopLog},
    kSeparator,
    {"LogOptions1", "&Options...", "", true, -1, TCommand::LogOptions},
};

constexpr TCommandEntry kTarvoMenu[] = {
    {"Start1", "&Start Tarvo", "Esc", false, IMG_START, TCommand::StartRun},
    {"StartRxTx1", "Start Tarvo &Rx", "", false, IMG_START_RX, TCommand::StartRunRxTx},
    {"Stop1", "S&top Tarvo", "", false, IMG_STOP, TCommand::StopRun},
    kSeparator,
    {"Device1", "&Options...", "", true, -1, TCommand::DeviceOptions},
    kSeparator,
    {"ShareAdapter1", "S&hare Adapter (socketcand)", "", true, -1, TCommand::ShareAdapter},
};

constexpr TCommandEntry kHelpMenu[] = {
    {"TarvoHelp1", "&Tarvo Help...", "", true, IMG_HELP, TCommand::ShowHelp},
    kSeparator,
    {"About1", "&About Tarvo...", "", true, -1, TCommand::ShowAbout},
};

constexpr TMenuEntry kMainMenu[] = {
    {"File1", "&File", kFileMenu, std::nullopt},
    {"View1", "&View", kViewMenu, TCommand::ViewMenuOpening},
    {"Log1", "&Log", kLogMenu, std::nullopt},
    {"Tarvo1", "&Tarvo", kTarvoMenu, std::nullopt},
    {"Help1", "&Help", kHelpMenu, std::nullopt},
};

constexpr TToolButtonEntry kToolSeparator{nullptr, nullptr, nullptr, nullptr};

constexpr TToolButtonEntry kToolBar[] = {
    {"NewButton", "New1", "New", "New Configuration"},
    {"LoadButton", "Load1", "Load", "Load Configuration"},
    kToolSeparator,
    {"SaveButton", "Save1", "Save", "Save Configuration"},
    kToolSeparator,
    {"ClearButton", "Clear1", "Clear", "Clear CAN View"},
    {"CopyToTxButton", "CopyToTx1", "Copy To Tx", "Copy Receive Message To CAN Transmit Editor"},
    {"FilterOnIDButton", "FilterOnID1", "Filter On ID",
     "Set CAN Receive Filters For Selected ID Only"},
    {"SnapshotButton", "Snapshot1", "Snapshot", "Take Snapshot"},
    kToolSeparator,
    {"FixedButton", "Fixed1", "Fixed", "Select Fixed View"},
    {"CyclicButton", "Cyclic1", "Cyclic", "Select Cyclic View"},
    kToolSeparator,
    {"StartLogRecordingButton", "StartLogRecording1", "Start Log Recording",
     "Start Log Recording"},
    {"StartLogReplayButton", "StartLogReplay1", "Start Log Replay", "Start Log Replay"},
    {"SingleStepLogReplayButton", "SingleStepLogReplay1", "Single Step Log Replay",
     "Single Step Log Replay"},
    {"PauseLogReplayButton", "PauseLogReplay1", "Pause Log Replay", "Pause Log Replay"},
    {"StopLogButton", "StopLog1", "Stop Log", "Stop Log"},
    kToolSeparator,
    {"StartButton", "Start1", "Start", "Start Tarvo"},
    {"StartRxTxButton", "StartRxTx1", "Start Rx", "Start Tarvo Rx"},
    {"StopButton", "Stop1", "Stop", "Stop Tarvo"},
    kToolSeparator,
    {"HelpButton", "TarvoHelp1", "Help", "Show Tarvo Help"},
    kToolSeparator,
    {"ExitButton", "Exit1", "Exit", "Exit Tarvo Application"},
};

constexpr TPopupEntry kPopupSeparator{kSeparator, nullptr, false};

constexpr TPopupEntry kCANViewPopup[] = {
    {{"Clear2", "&Clear All", "Ctrl+C", true, IMG_CLEAR, TCommand::ClearView}, "Clear1", false},
    {{"CopyToTx2", "Copy To &Tx", "Ctrl+T", false, IMG_COPY_TO_TX, TCommand::CopyToTransmit},
     "CopyToTx1", true},
    {{"FilterOnID2", "Filter On &ID", "Ctrl+I", false, IMG_FILTER_ON_ID, TCommand::FilterOnId},
     "FilterOnID1", true},
    {{"Snapshot2", "&Snapshot", "Ctrl+S", true, IMG_SNAPSHOT, TCommand::Snapshot}, "Snapshot1",
     true},
    {{"ShowConversion2", "Show &Decimal", "Ctrl+B", true, IMG_DECIMAL_DISABLED,
      TCommand::ToggleViewConversion},
     "ShowConversion1", true},
    {{"Font2", "Fo&nt +", "Ctrl+A", true, IMG_FONT, TCommand::ToggleListFont}, "Font1", true},
    kPopupSeparator,
    {{"Fixed2", "&Fixed", "Ctrl+F", false, IMG_FIXED, TCommand::SelectFixedView}, "Fixed1", true},
    {{"Cyclic2", "C&yclic", "Ctrl+Y", true, IMG_CYCLIC, TCommand::SelectCyclicView}, "Cyclic1", true},
};

constexpr TPopupEntry kTransmitPopup[] = {
    {{"Now1", "&Now", "Ins", true, IMG_NOW, TCommand::SendNow}, nullptr, false},
    kPopupSeparator,
    {{"ShowConversion3", "S&how Decimal", "Ctrl+B", true, IMG_DECIMAL_DISABLED,
      TCommand::ToggleTransmitConversion},
     nullptr, false},
    {{"Font3", "Fo&nt +", "Ctrl+A", true, IMG_FONT, TCommand::ToggleListFont}, "Font1", true},
    kPopupSeparator,
    {{"DisableAll1", "&Disable All", "Ctrl+D", true, IMG_TX_DISABLED, TCommand::DisableAllTransmit},
     nullptr, false},
    {{"EnableAll1", "&Enable All", "Ctrl+E", true, IMG_TX_ENABLED, TCommand::EnableAllTransmit}, nullptr,
     false},
    kPopupSeparator,
    {{"Delete1", "De&lete", "Del", true, IMG_DELETE, TCommand::DeleteTransmit}, nullptr, false},
    {{"DeleteAll1", "Delete &All", "", true, IMG_DELETE_ALL, TCommand::DeleteAllTransmit}, nullptr, false},
};

}  // namespace

const char* CommandName(TCommand command) {
  switch (command) {
    case TCommand::NewConfiguration: return "NewConfiguration";
    case TCommand::LoadConfiguration: return "LoadConfiguration";
    case TCommand::SaveConfiguration: return "SaveConfiguration";
    case TCommand::SaveConfigurationAs: return "SaveConfigurationAs";
    case TCommand::LoadDatabase: return "LoadDatabase";
    case TCommand::UnloadDatabase: return "UnloadDatabase";
    case TCommand::OpenLog: return "OpenLog";
    case TCommand::Exit: return "Exit";
    case TCommand::ViewMenuOpening: return "ViewMenuOpening";
    case TCommand::ClearView: return "ClearView";
    case TCommand::CopyToTransmit: return "CopyToTransmit";
    case TCommand::FilterOnId: return "FilterOnId";
    case TCommand::Snapshot: return "Snapshot";
    case TCommand::ToggleViewConversion: return "ToggleViewConversion";
    case TCommand::ToggleListFont: return "ToggleListFont";
    case TCommand::SelectFixedView: return "SelectFixedView";
    case TCommand::SelectCyclicView: return "SelectCyclicView";
    case TCommand::ToggleSignalPlot: return "ToggleSignalPlot";
    case TCommand::DisplayOptions: return "DisplayOptions";
    case TCommand::StartLogRecording: return "StartLogRecording";
    case TCommand::StartLogReplay: return "StartLogReplay";
    case TCommand::SingleStepLogReplay: return "SingleStepLogReplay";
    case TCommand::PauseLogReplay: return "PauseLogReplay";
    case TCommand::StopLog: return "StopLog";
    case TCommand::LogOptions: return "LogOptions";
    case TCommand::StartRun: return "StartRun";
    case TCommand::StartRunRxTx: return "StartRunRxTx";
    case TCommand::StopRun: return "StopRun";
    case TCommand::DeviceOptions: return "DeviceOptions";
    case TCommand::ShareAdapter: return "ShareAdapter";
    case TCommand::ShowHelp: return "ShowHelp";
    case TCommand::ShowAbout: return "ShowAbout";
    case TCommand::CANViewPopupOpening: return "CANViewPopupOpening";
    case TCommand::TransmitPopupOpening: return "TransmitPopupOpening";
    case TCommand::SendNow: return "SendNow";
    case TCommand::ToggleTransmitConversion: return "ToggleTransmitConversion";
    case TCommand::DisableAllTransmit: return "DisableAllTransmit";
    case TCommand::EnableAllTransmit: return "EnableAllTransmit";
    case TCommand::DeleteTransmit: return "DeleteTransmit";
    case TCommand::DeleteAllTransmit: return "DeleteAllTransmit";
    case TCommand::Tick: return "Tick";
  }
  return "?";
}

std::span<const TMenuEntry> MainMenuTable() { return kMainMenu; }
std::span<const TToolButtonEntry> ToolBarTable() { return kToolBar; }
std::span<const TPopupEntry> CANViewPopupTable() { return kCANViewPopup; }
std::span<const TPopupEntry> TransmitPopupTable() { return kTransmitPopup; }

}  // namespace tarvo::qt
