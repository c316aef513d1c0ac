#pragma once
// The application object: the single instances of the program's records and
// the shell's routines over them — run control, the 10 ms update tick,
// start-up with adapter identification, and shutdown. The main window owns
// one (on the heap: the receive rings are large), calls the handlers below
// for its commands and timer, and implements MainWindowPort for the calls
// back.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "adapter/SiUSBXp.h"
#include "adapter/TarvoAPI.h"
#include "common/Clock.h"
#include "common/DisplaySettings.h"
#include "shell/core/ControlStates.h"
#include "shell/core/Directories.h"
#include "shell/core/MainWindowPort.h"
#include "shell/core/ShellSeams.h"
#include "view/CANViewStore.h"

namespace tarvo {

// Bits of the ConfigureDevice result; 0 = configured.
inline constexpr uint32_t CONFIG_COMMAND_FAILED = 2;
inline constexpr uint32_t CONFIG_FILTERS_INVALID = 4;
inline constexpr uint32_t CONFIG_TRANSMIT_LOAD_FAILED = 8;
inline constexpr uint32_t CONFIG_CANCELLED = 16;  // Stop came during a wait: nothing more was sent

// A run stops by itself after 30 hours of adapter time.
inline constexpr uint32_t MaximumRunTimeMs = 108000000;

inline constexpr const char* DevicePromptSerialNo = "Prompt";

struct TRunState {
  bool RunningFlag = false;
  TStartState StartState = START_RX_TX;
  uint32_t PCTime = 0;         // system tick count at the previous tick
  uint32_t DeltaPCTime = 0;    // ms since the previous tick, modulo 2^32
  uint32_t TarvoTime = 0;      // adapter-synchronised ms since the start of the run
  uint32_t TarvoSyncTime = 0;  // TarvoTime at the last status request
  bool BusLoadRequestFlag = false;  // a bus-load request went out this second
  bool BusLoadValidFlag = true;     // bus-load text in the normal colour, else red
  uint8_t TarvoState = 0;           // last adapter status code written to the log
  uint32_t LostShown = 0;           // lost messages the adapter panel shows
  std::string AdapterStatusText;    // "    Status OK" as the adapter panel shows it
  uint8_t LastStatusCode = 0;       // code of the latest adapter status record
};

// A status time stamp this far from the running clock is damage, not a
// resynchronisation: the adapter's clock and the PC's do not drift apart by
// seconds within the one second between two status requests.
inline constexpr int32_t MaximumResyncStepMs = 2000;

// What identification learnt about the adapter, and the texts built from it.
struct TAdapterIdentity {
  std::string TarvoDescriptor;      // status bar text without the status
  std::string TarvoDescription;     // for headers, versions with the regional separator
  std::string LogDescription;       // for the log footer, versions with a full stop
  std::string SerialNo;             // "S/N 1234", or "   S/N ?"
  std::string TarvoInternalStatus;  // "  Status OK", a failure text, or empty
  int32_t DevicePanelNo = 4;        // status panel of the adapter text
  uint8_t HardwareVersion = 0;      // tenths, from the identification status
  uint8_t SoftwareVersion = 0;
};

class TTarvoApp {
 public:
  // decimalSeparator: the user's regional decimal separator.
  TTarvoApp(Clock& clock, MainWindowPort& window, KnownFolders& folders, std::string decimalSeparator,
           LibraryLoader& loader = SystemLibraryLoader());
  TTarvoApp(const TTarvoApp&) = delete;
  TTarvoApp& operator=(const TTarvoApp&) = delete;

  // Seams for the subsystems built elsewhere; each has a built-in default.
  // The object passed must outlive the application object.
  void UseCANSetup(CANSetupPort& setup) { canSetup_ = &setup; }
  void UseTransmit(TransmitPort& transmit) { transmit_ = &transmit; }
  void UseLog(LogPort& log) { log_ = &log; }
  void UsePersistence(PersistencePort& persistence) { persistence_ = &persistence; }
  void UseStartup(StartupPort& startup) { startup_ = &startup; }

  // ---- Life cycle ----
  // At window creation: directories, settings, driver, adapter choice and
  // identification, first page. arguments excludes the program name.
  void Initialise(const std::vector<std::string>& arguments);
  // At close: false keeps the window open (the user cancelled). Otherwise
  // logging ends, the adapter is stopped and closed, the driver released and
  // the settings saved; later calls do nothing and return true.
  bool Close();

  // ---- Commands and timer ----
  void Start();
  void StartRxTx();
  void Stop();
  void OnTick();

  // ---- Routines other parts use ----
  void StartDevice();
  bool StopDevice();  // false: the stop command failed, nothing changed
  // A Stop or the window's close came during the waits of the present start.
  bool StartCancelled() const { return startCancelled_ || closed_; }
  uint32_t ConfigureDevice();
  void IdentifyDevice();
  void SetRunningControls(bool logChange);
  void SetStoppedControls(bool logChange);
  void ShowRunningTime();
  void UpdateBusLoad(const TDeviceStatus& status);

  // ---- The single instances ----
  TDriver Driver;
  TDeviceConnection DeviceConnection;
  TCANMessageRing CANMessageRing;
  TDeviceStatus DeviceStatus;
  TCANViewState View;
  // Every received message, in order, after it entered the CAN View (the
  // signal plot listens here); empty: nobody listens.
  std::function<void(const TTarvoCAN&)> OnReceivedMessage;
  TDisplaySettings Display;
  TRunState Run;
  TAdapterIdentity Identity;
  TDirectories Dirs;
  TDeviceInfo DeviceSelection;       // the adapter to open
  TDeviceInfo SavedDeviceSelection;  // the start-up choice from the settings
  std::vector<std::string> Arguments;

  // Capabilities decided at identification.
  bool DeviceReadyFlag = false;
  bool CANClock40MHzFlag = true;
  bool BusLoadSupportedFlag = true;
  bool ConfigLoadedFlag = false;

  const std::string RegionalDecimalSeparator;

 private:
  TControlContext ControlContext() const;

  // start-up
  void ResetRunState();
  void ChooseAndIdentifyDevice();
  TResult OpenSelectedDevice();
  void PrepareConfiguration(TResult openResult);
  std::string MissingAdapterText(TResult openResult);
  std::string IdentifyOpenAdapter();
  std::string StatusFailure(const char* what);
  std::string AcceptIdentificationStatus();
  void DecideCapabilities(uint8_t hardware, uint8_t software);
  void CreateBusLoadGauge();
  void ChooseFirstPage();

  // configuration
  TResult SendBitTiming(const TBitTiming& t);
  uint32_t SendFilters(const TCANSetup& setup);
  uint32_t LoadTransmitListForRun(const TCANSetup& setup);
  void ResetViewForRun();

  // tick
  void AdvanceClock();
  int32_t MsSinceStatusRequest() const;
  bool SecondlyRequests(bool replay);
  void RequestBusLoadWhenDue();
  void ReplayTick();
  bool NormalTick();
  void ShowReceiveError();
  void ShowAdapterStatus(const std::string& statusText);
  void ReceiveMessages();
  void DrainMessageRing();
  void HandleStatusRecord(bool withLog);
  void HandleAdapterStatus(bool withLog);
  void HandleBusLoadRecord(bool withLog);
  void RefreshCANView();

  Clock& clock_;
  MainWindowPort& window_;
  KnownFolders& folders_;

  DefaultCANSetup defaultCANSetup_;
  NoTransmitList noTransmit_;
  NoLog noLog_;
  NoPersistence noPersistence_;
  NoStartupWindows noStartup_;
  CANSetupPort* canSetup_ = &defaultCANSetup_;
  TransmitPort* transmit_ = &noTransmit_;
  LogPort* log_ = &noLog_;
  PersistencePort* persistence_ = &noPersistence_;
  StartupPort* startup_ = &noStartup_;

  bool closed_ = false;
  bool configuring_ = false;     // ConfigureDevice is waiting for the adapter
  bool startCancelled_ = false;  // Stop ran during one of those waits
};

}  // namespace tarvo
