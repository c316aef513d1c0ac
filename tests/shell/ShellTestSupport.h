#pragma once
// Test doubles for the shell: a main window that records what it is told, a
// log, transmit list, CAN Setup page and persistence that record calls, and
// helpers to build adapter packets and read back what the host sent.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FakeDriver.h"
#include "shell/core/Directories.h"
#include "shell/core/MainWindowPort.h"
#include "shell/core/ShellSeams.h"
#include "shell/core/TarvoApp.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace tarvo::test {

// A fake clock that can run one action inside its next message-processing
// wait, as a click arriving while the program waits for the adapter.
class WaitingClock : public FakeClock {
 public:
  std::function<void()> DuringNextWait;
  void WaitProcessingMessages(uint32_t ms) override {
    FakeClock::WaitProcessingMessages(ms);
    if (!DuringNextWait) return;
    const std::function<void()> action = std::move(DuringNextWait);
    DuringNextWait = nullptr;
    action();
  }
};

class RecordingWindow : public MainWindowPort {
 public:
  struct Control {
    std::optional<bool> Enabled;
    std::optional<std::string> Shortcut, Caption, Hint;
    std::optional<int> Image;
    bool operator==(const Control&) const = default;
  };
  struct BusLoad {
    int Position;
    std::string Text;
    bool Valid;
  };

  std::map<std::string, Control> Controls;
  std::map<int, std::string> Panels;
  std::vector<std::string> Calls;  // every call but the per-control ones, in order
  std::optional<std::string> WindowCaption;
  std::optional<TPage> Page;
  bool TickEnabled = false;
  bool GaugeCreated = false;
  std::vector<BusLoad> BusLoads;
  int ItemCount = 0;
  int Repaints = 0;
  std::vector<std::pair<int, bool>> Selections;  // index, scroll into view
  int ItemCountChanges = 0;

  std::optional<bool> Enabled(const std::string& name) const;
  std::optional<std::string> Shortcut(const std::string& name) const;
  const Control& Of(const std::string& name) const;

  void SetControlEnabled(const std::string& name, bool enabled) override { Controls[name].Enabled = enabled; }
  void SetControlShortcut(const std::string& name, const std::string& s) override { Controls[name].Shortcut = s; }
  void SetControlCaption(const std::string& name, const std::string& s) override { Controls[name].Caption = s; }
  void SetControlHint(const std::string& name, const std::string& s) override { Controls[name].Hint = s; }
  void SetControlImage(const std::string& name, int image) override { Controls[name].Image = image; }
  void SetWindowCaption(const std::string& caption) override;
  void ActivatePage(TPage page) override;
  void HideConversionBalloon() override { Calls.push_back("HideConversionBalloon"); }
  void SetTickEnabled(bool enabled) override;
  void SetStatusPanelText(int panel, const std::string& text) override;
  void CreateBusLoadGauge() override;
  void ShowBusLoad(int position, const std::string& text, bool valid) override;
  int CANViewItemCount() override { return ItemCount; }
  void SetCANViewItemCount(int count) override;
  void RepaintCANView() override;
  void SelectCANViewItem(int index, bool scrollIntoView) override;
  void FocusCANView() override { Calls.push_back("FocusCANView"); }
  void UpdateSelectionCommands() override { Calls.push_back("UpdateSelectionCommands"); }
};

class RecordingLog : public NoLog {
 public:
  TLogState LogState = NO_LOG;
  bool Recording = false;
  bool Replaying = false;
  bool HPTimer = true;
  bool RecordAll = true;
  std::vector<std::string> Calls;
  std::function<void(const std::string&)> OnCall;

  TLogState State() override { return LogState; }
  bool RecordRunning() override { return Recording; }
  bool ReplayRunning() override { return Replaying; }
  bool HPTimerSupported() override { return HPTimer; }
  bool Records(TRecordType) override { return RecordAll; }
  void SwapLogBuffers() override { Note("SwapLogBuffers"); }
  void LogMessageMissing() override { Note("LogMessageMissing"); }
  void LogStatus(uint8_t code) override { Note("LogStatus " + std::to_string(code)); }
  void LogErrorCounters() override { Note("LogErrorCounters"); }
  void LogBusLoad() override { Note("LogBusLoad"); }
  void DisplayReplayMessages() override { Note("DisplayReplayMessages"); }
  void EndLogging() override { Note("EndLogging"); }
  size_t Count(const std::string& call) const;

 private:
  void Note(const std::string& call);
};

class RecordingTransmit : public NoTransmitList {
 public:
  TResult LoadResult = RES_OK;
  std::vector<std::string> Calls;
  TResult LoadTransmitList() override;
  void MarkAllItemsHandedOver() override { Calls.push_back("MarkAllItemsHandedOver"); }
  void PrepareReceiveOnlyRun() override { Calls.push_back("PrepareReceiveOnlyRun"); }
  void BuildTransmitSchedule() override { Calls.push_back("Build"); }
  void ProcessTransmitSchedule(bool final, uint32_t nextTimeStamp) override;
};

class ScriptedCANSetup : public DefaultCANSetup {
 public:
  bool FiltersValid = true;
  bool BitTimingValid = true;
  int FilterChecks = 0;
  bool CheckReceiveFilters(TFilterSettings& filters) override;
  bool UpdateCANBitTiming() override { return BitTimingValid; }
};

class RecordingPersistence : public NoPersistence {
 public:
  bool AllowClose = true;
  std::function<void(const std::string&)> OnCall;
  std::vector<std::string> Calls;
  void LoadSettings() override { Note("LoadSettings"); }
  void SaveSettings() override { Note("SaveSettings"); }
  bool ConfirmClose() override {
    Note("ConfirmClose");
    return AllowClose;
  }

 private:
  void Note(const std::string& call);
};

class RecordingStartup : public StartupPort {
 public:
  TDeviceInfo Choice;
  std::vector<std::string> Calls;
  void ChooseDevice(TDeviceInfo& selection) override {
    Calls.push_back("ChooseDevice");
    selection = Choice;
  }
  void ScheduleSplash() override { Calls.push_back("ScheduleSplash"); }
};

// A fresh directory for the known folders, removed afterwards.
class TemporaryFolders : public KnownFolders {
  TempFolder folder_{"tarvo-shell"};

 public:
  const std::filesystem::path Root = folder_.Path();
  std::string LocalAppData() override { return (Root / "appdata").string(); }
  std::string Documents() override { return (Root / "documents").string(); }
};

// The fake driver library whose adapter answers status requests: after each
// write of a status request the answer set in the fixture is queued.
class AnsweringLoader : public FakeLibraryLoader {
 public:
  void* Symbol(void* library, const char* name) override;
};

// ---- Adapter packets ----

// The framed bytes an adapter sends for a status packet (types 1..5).
std::vector<uint8_t> StatusFrame(uint8_t type, uint8_t p0, uint8_t p1, uint8_t p2, uint8_t p3, uint32_t timeStamp);
// The framed bytes of a received CAN message with data bytes 0..dlc-1.
std::vector<uint8_t> CANMessageFrame(uint32_t id, uint8_t dlc, uint32_t timeStamp);
// Every packet the host wrote, unframed and without CRC.
std::vector<std::vector<uint8_t>> HostPackets(const FakeDriver& driver);
// The packet types the host wrote, in order.
std::vector<uint8_t> HostPacketTypes(const FakeDriver& driver);

inline constexpr const char* TarvoProductId = "8A31";
inline constexpr const char* TarvoISOProductId = "8A32";
inline constexpr const char* TarvoAUTOProductId = "8A3C";

// The application over a fake driver and a recording window; the window,
// log, transmit list and CAN Setup page are the recording doubles above.
class ShellFixture {
 public:
  ShellFixture();
  ~ShellFixture();

  // One attached adapter of the given model that answers identification with
  // hardware and software version bytes and a status code.
  void AttachAdapter(const char* productId, uint8_t hardware = 71, uint8_t software = 35, uint8_t status = 0);
  // Runs the start-up of the window with a comma as decimal separator. The
  // adapter stops answering status requests afterwards: the tick tests
  // queue their own status packets.
  void Create(const std::string& decimalSeparator = ",");
  // Forgets what the host wrote so far.
  void ClearWrites() { Driver.Writes.clear(); }
  // The 10 ms timer: the clock moves on, then the tick runs.
  void Tick(uint32_t ms = 10);
  // Starts with Start and lines the tick clock up with the start, so
  // that TarvoTime is a multiple of the tick interval.
  void StartRun();

  FakeDriver Driver;
  AnsweringLoader Loader;
  std::optional<std::vector<uint8_t>> StatusAnswer;  // queued for each status request
  WaitingClock Clock;
  RecordingWindow Window;
  TemporaryFolders Folders;
  RecordingLog Log;
  RecordingTransmit Transmit;
  ScriptedCANSetup SetupPage;
  RecordingPersistence Persistence;
  RecordingStartup Startup;
  std::unique_ptr<TTarvoApp> App;

 private:
  void MakeApp(const std::string& decimalSeparator);
};

}  // namespace tarvo::test
