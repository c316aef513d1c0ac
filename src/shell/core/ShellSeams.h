#pragma once
// What run control, the update tick and start-up need from subsystems that
// are not part of the shell: the CAN Setup page, the transmit list and its
// scheduler, logging, the settings and configuration files, and the adapter
// chooser. Each comes with a default that keeps the shell working on its own
// (bit timing for 250 kbit/s, no transmit list, no log, built-in settings).
#include <cstdint>
#include <string>

#include "adapter/TarvoAPI.h"
#include "common/ResultCodes.h"
#include "logging/LogTypes.h"

namespace tarvo {

// ---- CAN Setup -------------------------------------------------------------

// The bit-timing register values as the page shows them.
struct TBitTiming {
  uint8_t BRP = 4;
  uint8_t PROPSEG = 5;
  uint8_t PHSEG1 = 8;
  uint8_t PHSEG2 = 6;
  uint8_t SJW = 1;
  uint8_t SAM = 1;  // 1 = sample once, 3 = three times
};

enum class TOperatingMode : uint8_t { Normal, ListenOnly, Loopback };
enum class TFilterChoice : uint8_t { None, Only11Bit, Only29Bit, Custom };

struct TCANSetup {
  TBitTiming BitTiming;
  TOperatingMode Mode = TOperatingMode::Normal;
  TFilterChoice FilterChoice = TFilterChoice::None;
};

class CANSetupPort {
 public:
  virtual ~CANSetupPort() = default;
  virtual TCANSetup Settings() = 0;
  // For every choice other than "None": checks the filter fields and fills
  // the values to send; on failure it has shown its own message.
  virtual bool CheckReceiveFilters(TFilterSettings& filters) = 0;
  // Fits the bit timing to the adapter's CAN clock once it is identified.
  virtual bool CheckCANBaudRateSupport() = 0;
  // Applies the bit-timing rules; true when the current set is valid.
  virtual bool UpdateCANBitTiming() = 0;
};

// The form's start values; every check passes.
class DefaultCANSetup : public CANSetupPort {
 public:
  TCANSetup Values;
  TCANSetup Settings() override { return Values; }
  bool CheckReceiveFilters(TFilterSettings& filters) override {
    filters = AcceptAllFilters();
    return true;
  }
  bool CheckCANBaudRateSupport() override { return true; }
  bool UpdateCANBitTiming() override { return true; }
};

// ---- Transmit list -----------------------------------------------------------

class TransmitPort {
 public:
  virtual ~TransmitPort() = default;
  // Loads the periodic items into the adapter's repetition buffers at the
  // start of a run; the result of the last load.
  virtual TResult LoadTransmitList() = 0;
  // After a successful load: every item counts as handed to the adapter.
  virtual void MarkAllItemsHandedOver() = 0;
  // Receive-only start: no item handed over, buffers handed out from 1.
  virtual void PrepareReceiveOnlyRun() = 0;
  // Once per tick before the received messages: due periodic transmissions.
  virtual void BuildTransmitSchedule() = 0;
  // Sends or echoes the due transmissions not later than nextTimeStamp
  // (adapter ticks); with final, all remaining ones.
  virtual void ProcessTransmitSchedule(bool final, uint32_t nextTimeStamp) = 0;
};

class NoTransmitList : public TransmitPort {
 public:
  TResult LoadTransmitList() override { return RES_OK; }
  void MarkAllItemsHandedOver() override {}
  void PrepareReceiveOnlyRun() override {}
  void BuildTransmitSchedule() override {}
  void ProcessTransmitSchedule(bool, uint32_t) override {}
};

// ---- Logging -----------------------------------------------------------------

class LogPort {
 public:
  virtual ~LogPort() = default;
  virtual TLogState State() = 0;
  virtual bool RecordRunning() = 0;
  virtual bool ReplayRunning() = 0;
  virtual bool HPTimerSupported() = 0;
  virtual bool Records(TRecordType type) = 0;
  // The adapter description (versions with a full stop) for the log footer.
  virtual void SetTarvoDescription(const std::string& description) = 0;
  virtual void SetLogDirectory(const std::string& dir) = 0;
  // The recorder's once-a-second hand-over.
  virtual void SwapLogBuffers() = 0;
  virtual void LogMessageMissing() = 0;
  virtual void LogStatus(uint8_t statusCode) = 0;
  virtual void LogErrorCounters() = 0;
  virtual void LogBusLoad() = 0;
  // During a replay: enters the messages the replay thread has sent into the CAN View.
  virtual void DisplayReplayMessages() = 0;
  // At close: stops a recording, else a running replay.
  virtual void EndLogging() = 0;
};

class NoLog : public LogPort {
 public:
  TLogState State() override { return NO_LOG; }
  bool RecordRunning() override { return false; }
  bool ReplayRunning() override { return false; }
  bool HPTimerSupported() override { return true; }
  bool Records(TRecordType) override { return false; }
  void SetTarvoDescription(const std::string& description) override { TarvoDescription = description; }
  void SetLogDirectory(const std::string& dir) override { DIR = dir; }
  void SwapLogBuffers() override {}
  void LogMessageMissing() override {}
  void LogStatus(uint8_t) override {}
  void LogErrorCounters() override {}
  void LogBusLoad() override {}
  void DisplayReplayMessages() override {}
  void EndLogging() override {}

  std::string TarvoDescription;
  std::string DIR;
};

// ---- Settings and configuration files -----------------------------------------

class PersistencePort {
 public:
  virtual ~PersistencePort() = default;
  virtual void LoadSettings() = 0;
  virtual void SaveSettings() = 0;
  // The configuration named on the command line; true when it was loaded.
  virtual bool LoadStartupConfiguration(const std::string& fileName) = 0;
  // No configuration at start: empty transmit list, editor defaults, no file name, unmodified.
  virtual void ResetConfiguration() = 0;
  // Asks to save unsaved changes; false keeps the window open.
  virtual bool ConfirmClose() = 0;
};

class NoPersistence : public PersistencePort {
 public:
  void LoadSettings() override {}
  void SaveSettings() override {}
  bool LoadStartupConfiguration(const std::string&) override { return false; }
  void ResetConfiguration() override {}
  bool ConfirmClose() override { return true; }
};

// ---- Adapter choice at start-up ---------------------------------------------------

class StartupPort {
 public:
  virtual ~StartupPort() = default;
  // Prompt mode: lets the user pick an adapter; leaves it, or an empty
  // selection, in selection.
  virtual void ChooseDevice(TDeviceInfo& selection) = 0;
  // Otherwise: shows the splash shortly after the window appears.
  virtual void ScheduleSplash() = 0;
};

class NoStartupWindows : public StartupPort {
 public:
  void ChooseDevice(TDeviceInfo& selection) override { selection = TDeviceInfo{}; }
  void ScheduleSplash() override {}
};

}  // namespace tarvo
