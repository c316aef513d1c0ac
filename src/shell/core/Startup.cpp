// Start-up with adapter identification, and shutdown.
#include <cstring>

#include "setup/BitTiming.h"
#include "shell/core/ShellTexts.h"
#include "shell/core/TarvoApp.h"

namespace tarvo {

namespace {
const char* NumericBaseText(int32_t base) { return base == NUMERIC_DECIMAL ? "Decimal " : "Hexadecimal "; }
}  // namespace

void TTarvoApp::Initialise(const std::vector<std::string>& arguments) {
  Arguments = arguments;
  Dirs = PrepareDirectories(folders_);
  log_->SetLogDirectory(Dirs.LogDIR);
  persistence_->LoadSettings();
  window_.SetStatusPanelText(2, NumericBaseText(Display.NumericBase));
  ResetRunState();
  InitDriver(Driver);
  ChooseAndIdentifyDevice();
}

void TTarvoApp::ResetRunState() {
  Identity.DevicePanelNo = 4;
  DeviceReadyFlag = false;
  CANClock40MHzFlag = true;
  BusLoadSupportedFlag = true;
  Run.RunningFlag = false;
  window_.SetStatusPanelText(0, StoppedText);
}

void TTarvoApp::ChooseAndIdentifyDevice() {
  if (std::strcmp(SavedDeviceSelection.SerialNo, DevicePromptSerialNo) == 0) {
    startup_->ChooseDevice(DeviceSelection);
    IdentifyDevice();
    return;
  }
  DeviceSelection = SavedDeviceSelection;
  IdentifyDevice();
  startup_->ScheduleSplash();
}

// ---- Identification -------------------------------------------------------------

void TTarvoApp::IdentifyDevice() {
  const TResult opened = OpenSelectedDevice();
  PrepareConfiguration(opened);
  SetCANViewBufferSize(View, Display);
  const std::string adapterText =
      opened != RES_OK || !DeviceConnection.OpenFlag ? MissingAdapterText(opened) : IdentifyOpenAdapter();
  if (BusLoadSupportedFlag) CreateBusLoadGauge();
  window_.SetStatusPanelText(Identity.DevicePanelNo, adapterText);
  ChooseFirstPage();
}

// A saved choice that is no longer attached falls back to any adapter.
TResult TTarvoApp::OpenSelectedDevice() {
  TResult r = OpenDevice(DeviceConnection, DeviceSelection);
  if (r == RES_OK) return r;
  DeviceSelection = TDeviceInfo{};
  return OpenDevice(DeviceConnection, DeviceSelection);
}

// A configuration named on the command line decides caption and transmit
// list; otherwise the caption names the model and the list starts empty.
void TTarvoApp::PrepareConfiguration(TResult openResult) {
  ConfigLoadedFlag = false;
  if (!Arguments.empty()) ConfigLoadedFlag = persistence_->LoadStartupConfiguration(Arguments.front());
  if (ConfigLoadedFlag) return;
  if (openResult == RES_OK && DeviceSelection.HardwareType == HW_TARVO_ISO) window_.SetWindowCaption("TarvoISO");
  if (openResult == RES_OK && DeviceSelection.HardwareType == HW_TARVO_AUTO) window_.SetWindowCaption("Tarvo AUTO");
  persistence_->ResetConfiguration();
}

std::string TTarvoApp::MissingAdapterText(TResult openResult) {
  Identity.SerialNo = "   S/N ?";
  Identity.TarvoDescription = "Quorbel Tarvo not found";
  Identity.TarvoInternalStatus.clear();
  if (openResult == RES_DRIVER_MISSING) return "    Quorbel TarvoUSB.dll not found";
  if (openResult == RES_DRIVER_TOO_OLD) return "    Quorbel Tarvo driver not found";
  return "    Quorbel Tarvo not found";
}

// One status request, answered within 10 ms or not at all: no retry.
std::string TTarvoApp::IdentifyOpenAdapter() {
  const std::string description = DeviceConnection.Description;
  const std::string serialNo = DeviceConnection.SerialNo;
  Identity.TarvoDescriptor = "    " + description + "    S/N " + serialNo;
  Identity.SerialNo = "S/N " + serialNo;
  Identity.TarvoDescription = description + "  S/N " + serialNo;
  if (RequestStatus(DeviceConnection) != RES_OK) return StatusFailure("request failed");
  clock_.WaitProcessingMessages(10);
  if (ParseRxRing(DeviceConnection, CANMessageRing, DeviceStatus) != RES_OK) return StatusFailure("no response");
  if (DeviceStatus.StatusType != 1) return StatusFailure("unknown");
  return AcceptIdentificationStatus();
}

std::string TTarvoApp::StatusFailure(const char* what) {
  Identity.TarvoInternalStatus = std::string("  Status ") + what;
  return Identity.TarvoDescriptor + "    Status " + what;
}

std::string TTarvoApp::AcceptIdentificationStatus() {
  const uint8_t hardware = DeviceStatus.Param[0];
  const uint8_t software = DeviceStatus.Param[1];
  const std::string& sep = RegionalDecimalSeparator;
  Identity.HardwareVersion = hardware;
  Identity.SoftwareVersion = software;
  Identity.TarvoDescriptor += "    H/W v" + VersionText(hardware, sep) + "    S/W v" + VersionText(software, sep);
  // Log files always write numbers with a full stop.
  Identity.LogDescription =
      Identity.TarvoDescription + "  H/W v" + VersionText(hardware, ".") + "  S/W v" + VersionText(software, ".");
  log_->SetTarvoDescription(Identity.LogDescription);
  Identity.TarvoDescription += "  H/W v" + VersionText(hardware, sep) + "  S/W v" + VersionText(software, sep);
  const std::string status = StatusCodeText(DeviceStatus.Param[2]);
  Identity.TarvoInternalStatus = "  Status " + status;

  for (const char* name : {"Start1", "StartButton", "StartRxTx1", "StartRxTxButton"})
    window_.SetControlEnabled(name, true);
  const bool hpTimer = log_->HPTimerSupported();
  window_.SetControlEnabled("StartLogReplay1", hpTimer);
  window_.SetControlEnabled("StartLogReplayButton", hpTimer);
  window_.SetControlEnabled("SingleStepLogReplay1", true);
  window_.SetControlEnabled("SingleStepLogReplayButton", true);
  // A Tarvo AUTO may come up already running on its bus.
  if (DeviceSelection.HardwareType == HW_TARVO_AUTO) SetRunState(DeviceConnection, 0);
  DecideCapabilities(hardware, software);
  DeviceReadyFlag = true;
  DeviceStatus.StatusType = 0;
  return Identity.TarvoDescriptor + "    Status " + status;
}

// Older adapters run their CAN controller from 20 MHz, and the oldest Tarvo
// reports no bus load.
void TTarvoApp::DecideCapabilities(uint8_t hardware, uint8_t software) {
  const int32_t model = DeviceSelection.HardwareType;
  const bool oldTarvo = model == HW_TARVO && hardware < 70;
  if (!HasCANClock40MHz(model, hardware, software)) CANClock40MHzFlag = false;
  if (oldTarvo) BusLoadSupportedFlag = false;
}

void TTarvoApp::CreateBusLoadGauge() {
  window_.CreateBusLoadGauge();
  Identity.DevicePanelNo = 5;
  Run.BusLoadRequestFlag = false;
  Run.BusLoadValidFlag = true;
  window_.ShowBusLoad(0, BusLoadText(0, RegionalDecimalSeparator), true);
}

void TTarvoApp::ChooseFirstPage() {
  canSetup_->CheckCANBaudRateSupport();
  window_.ActivatePage(canSetup_->UpdateCANBitTiming() ? TPage::CANView : TPage::CANSetup);
}

// ---- Shutdown -------------------------------------------------------------------------

bool TTarvoApp::Close() {
  if (closed_) return true;
  if (!persistence_->ConfirmClose()) return false;
  log_->EndLogging();
  // The stop may fail (no adapter, adapter gone): closing goes on regardless.
  SetRunState(DeviceConnection, 0);
  Run.RunningFlag = false;
  window_.SetTickEnabled(false);
  CloseDevice(DeviceConnection);
  DoneDriver(Driver);
  persistence_->SaveSettings();
  closed_ = true;
  return true;
}

}  // namespace tarvo
