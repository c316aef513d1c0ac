#include "shell/qt/CommandTable.h"

#include "shell/qt/IconSet.h"

namespace tarvo::qt {
namespace {

constexpr TCommandEntry kSeparator{nullptr, nullptr, "", true, -1, nullptr};

constexpr TCommandEntry kFileMenu[] = {
    {"New1", "&New", "", true, IMG_NEW, "New1Click"},
    {"Load1", "&Load...", "", true, IMG_LOAD, "Load1Click"},
    kSeparator,
    {"Save1", "&Save", "", true, IMG_SAVE, "Save1Click"},
    {"SaveAs1", "S&ave As...", "", true, -1, "SaveAs1Click"},
    kSeparator,
    // Loads a DBC database for the signals of the CAN View and the editor.
    {"Database1", "&Database...", "Ctrl+K", true, -1, "Database1Click"},
    {"UnloadDatabase1", "&Unload Database", "", false, -1, "UnloadDatabase1Click"},
    // A recorded log in a window of its own, without an adapter.
    {"OpenLog1", "Open Lo&g...", "", true, -1, "OpenLog1Click"},
    kSeparator,
    {"Exit1", "&Exit Tarvo", "", true, IMG_EXIT, "Exit1Click"},
};

// Fixed starts disabled because fixed is the view mode of a fresh settings
// file; loading the settings enables the pair as the saved mode says.
constexpr TCommandEntry kViewMenu[] = {
    {"Clear1", "&Clear", "Ctrl+C", true, IMG_CLEAR, "Clear1Click"},
    {"CopyToTx1", "Copy To &Tx", "Ctrl+T", false, IMG_COPY_TO_TX, "CopyToTx1Click"},
    {"FilterOnID1", "Filter On &ID", "Ctrl+I", false, IMG_FILTER_ON_ID, "FilterOnID1Click"},
    {"Snapshot1", "&Snapshot", "Ctrl+S", true, IMG_SNAPSHOT, "Snapshot1Click"},
    {"ShowConversion1", "Show &Decimal", "Ctrl+B", true, IMG_DECIMAL_DISABLED,
     "ShowConversion1Click"},
    {"Font1", "Fo&nt +", "Ctrl+A", true, IMG_FONT, "Font1Click"},
    kSeparator,
    {"Fixed1", "&Fixed", "Ctrl+F", false, IMG_FIXED, "Fixed1Click"},
    {"Cyclic1", "C&yclic", "Ctrl+Y", true, IMG_CYCLIC, "Cyclic1Click"},
    kSeparator,
    // Shows and hides the plot of decoded signals (with a database).
    {"SignalPlot1", "Signal &Plot", "Ctrl+G", true, -1, "SignalPlot1Click"},
    {"DisplayOptions1", "&Options...", "", true, -1, "Display1Click"},
};

constexpr TCommandEntry kLogMenu[] = {
    {"StartLogRecording1", "&Start Log Recording", "Ctrl+L", true, IMG_START_LOG_RECORDING,
     "StartLogRecording1Click"},
    {"StartLogReplay1", "Start Log &Replay", "Ctrl+R", false, IMG_START_LOG_REPLAY,
     "StartLogReplay1Click"},
    {"SingleStepLogReplay1", "Si&ngle Step Log Replay", "Ctrl+N", false,
     IMG_SINGLE_STEP_LOG_REPLAY, "SingleStepLogReplay1Click"},
    {"PauseLogReplay1", "&Pause Log Replay", "Ctrl+P", false, IMG_PAUSE_LOG_REPLAY,
     "PauseLogReplay1Click"},
    {"StopLog1", "S&top Log", "", false, IMG_STOP_LOG, "StopLog1Click"},
    kSeparator,
    {"LogOptions1", "&Options...", "", true, -1, "LogOptions1Click"},
};

constexpr TCommandEntry kTarvoMenu[] = {
    {"Start1", "&Start Tarvo", "Esc", false, IMG_START, "Start1Click"},
    {"StartRxTx1", "Start Tarvo &Rx", "", false, IMG_START_RX, "StartRxTx1Click"},
    {"Stop1", "S&top Tarvo", "", false, IMG_STOP, "Stop1Click"},
    kSeparator,
    {"Device1", "&Options...", "", true, -1, "Device1Click"},
    kSeparator,
    {"ShareAdapter1", "S&hare Adapter (socketcand)", "", true, -1, "ShareAdapter1Click"},
};

constexpr TCommandEntry kHelpMenu[] = {
    {"TarvoHelp1", "&Tarvo Help...", "", true, IMG_HELP, "TarvoHelp1Click"},
    kSeparator,
    {"About1", "&About Tarvo...", "", true, -1, "About1Click"},
};

constexpr TMenuEntry kMainMenu[] = {
    {"File1", "&File", kFileMenu},
    {"View1", "&View", kViewMenu},
    {"Log1", "&Log", kLogMenu},
    {"Tarvo1", "&Tarvo", kTarvoMenu},
    {"Help1", "&Help", kHelpMenu},
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
    {{"Clear2", "&Clear All", "Ctrl+C", true, IMG_CLEAR, "Clear1Click"}, "Clear1", false},
    {{"CopyToTx2", "Copy To &Tx", "Ctrl+T", false, IMG_COPY_TO_TX, "CopyToTx1Click"},
     "CopyToTx1", true},
    {{"FilterOnID2", "Filter On &ID", "Ctrl+I", false, IMG_FILTER_ON_ID, "FilterOnID1Click"},
     "FilterOnID1", true},
    {{"Snapshot2", "&Snapshot", "Ctrl+S", true, IMG_SNAPSHOT, "Snapshot1Click"}, "Snapshot1",
     true},
    {{"ShowConversion2", "Show &Decimal", "Ctrl+B", true, IMG_DECIMAL_DISABLED,
      "ShowConversion1Click"},
     "ShowConversion1", true},
    {{"Font2", "Fo&nt +", "Ctrl+A", true, IMG_FONT, "Font1Click"}, "Font1", true},
    kPopupSeparator,
    {{"Fixed2", "&Fixed", "Ctrl+F", false, IMG_FIXED, "Fixed1Click"}, "Fixed1", true},
    {{"Cyclic2", "C&yclic", "Ctrl+Y", true, IMG_CYCLIC, "Cyclic1Click"}, "Cyclic1", true},
};

constexpr TPopupEntry kTransmitPopup[] = {
    {{"Now1", "&Now", "Ins", true, IMG_NOW, "NowButtonClick"}, nullptr, false},
    kPopupSeparator,
    {{"ShowConversion3", "S&how Decimal", "Ctrl+B", true, IMG_DECIMAL_DISABLED,
      "ShowConversion3Click"},
     nullptr, false},
    {{"Font3", "Fo&nt +", "Ctrl+A", true, IMG_FONT, "Font1Click"}, "Font1", true},
    kPopupSeparator,
    {{"DisableAll1", "&Disable All", "Ctrl+D", true, IMG_TX_DISABLED, "DisableAll1Click"},
     nullptr, false},
    {{"EnableAll1", "&Enable All", "Ctrl+E", true, IMG_TX_ENABLED, "EnableAll1Click"}, nullptr,
     false},
    kPopupSeparator,
    {{"Delete1", "De&lete", "Del", true, IMG_DELETE, "DeleteButtonClick"}, nullptr, false},
    {{"DeleteAll1", "Delete &All", "", true, IMG_DELETE_ALL, "DeleteAll1Click"}, nullptr, false},
};

}  // namespace

std::span<const TMenuEntry> MainMenuTable() { return kMainMenu; }
std::span<const TToolButtonEntry> ToolBarTable() { return kToolBar; }
std::span<const TPopupEntry> CANViewPopupTable() { return kCANViewPopup; }
std::span<const TPopupEntry> TransmitPopupTable() { return kTransmitPopup; }

}  // namespace tarvo::qt
