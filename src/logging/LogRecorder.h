#pragma once
// Recording: the start command with its file-name and overwrite checks, the
// start and stop sequences, the once-a-second hand-over of the full buffer
// to a writer thread, and the entry points the CAN View, the transmit paths
// and the update tick call for each event. GUI thread only, except the
// writer pass, which runs on its own thread and touches only the buffer the
// GUI thread is not filling.
#include <cstdint>
#include <memory>
#include <string>

#include "adapter/TarvoAPI.h"
#include "common/DisplaySettings.h"
#include "common/UserDialogs.h"
#include "logging/LogLines.h"
#include "logging/LogThread.h"
#include "logging/LogTypes.h"
#include "view/CANViewStore.h"

namespace tarvo {

// What recording needs from the rest of the program.
class LogRecorderHost {
 public:
  virtual ~LogRecorderHost() = default;
  virtual const TDisplaySettings& Display() = 0;
  // The latest status record (its time stamp, the counters and bus load of a
  // bus-load record) and the code of the latest adapter status.
  virtual const TDeviceStatus& DeviceStatus() = 0;
  virtual uint8_t LatestStatusCode() = 0;
  virtual bool BusLoadValid() = 0;       // the bus-load text is in its normal colour
  virtual bool TxDisplayEnabled() = 0;   // transmitted messages enter the CAN View
  // Bit timing, capabilities and the adapter's status text for the footer;
  // the recorder fills in the record types and the description.
  virtual TLogFooterInfo FooterInfo() = 0;
  virtual TLogHeaderClock HeaderClock() = 0;
  // The control states of a recording that starts or ends (TLog.State tells which).
  virtual void SetRunningControls() = 0;
  virtual void SetStoppedControls() = 0;
  // The status-bar log indicator cycles first..last every intervalMs; Stop
  // shows the stopped frame.
  virtual void AnimateLogIndicator(int first, int last, int intervalMs) = 0;
  virtual void StopLogIndicator() = 0;
  // The Log Options dialog, modal; saveFlag makes Browse a save dialog.
  virtual void ShowLogOptions(bool saveFlag) = 0;
};

// Replaces fileName with the next numbered name: "log.txt" -> "log [1].txt",
// "log [1].txt" -> "log [2].txt", "a[12]b.txt" -> "a[13].txt".
void RenameLogFile(std::string& fileName);

// What happened to the lines of a recording on its way to the file.
struct TLogWriteReport {
  bool IOError = false;         // a write or the close failed
  bool ForcedTermination = false;  // the stop had to end a busy writer
  bool WriterTooSlow = false;   // a hand-over found the writer still busy
  bool LineLimit = false;       // the recording reached MaxLogMessages lines
  int64_t LinesBeyondLimit = 0;  // lines after the limit, not recorded
  int64_t LinesLost = 0;        // lines that never reached the file
};

// The message that tells the user about report, empty when there is nothing
// to tell.
std::string LogWriteReportText(const TLogWriteReport& report, TDialogType& type);

// How long the writer threads took, for the soak and for diagnosis.
struct TLogWriterStats {
  int64_t Passes = 0;
  double TotalMs = 0;
  double MaxMs = 0;
};

class TLogRecorder : public CANViewLogSink {
 public:
  TLogRecorder(TLog& log, LogRecorderHost& host, UserDialogs& dialogs, GuiThreadCalls& gui);
  ~TLogRecorder() override;
  TLogRecorder(const TLogRecorder&) = delete;
  TLogRecorder& operator=(const TLogRecorder&) = delete;

  // ---- Commands ----
  void OnStartRecording();
  // True when recording may use DIR + FileName (asks, or renames, by FileOverwrite).
  bool CheckLogFileOverwrite();
  void StartLogRecording();
  // Ends the recording and tells the user about lines that were lost.
  void StopLogRecording();
  // Once per second of adapter time while recording.
  void SwapLogBuffers();

  // ---- Events, each recorded when recording runs and its kind is selected ----
  void LogReceiveMessage(const TTarvoCAN& message, uint32_t count, uint32_t period) override;
  void LogBusEvent(int32_t event, uint32_t timeStamp) override;
  void LogTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                          uint32_t timeMs);
  void LogErrorCounters();
  void LogBusLoad();
  void LogStatus();
  void LogMessageMissing();

  // The writer passes since the recorder was made.
  const TLogWriterStats& WriterStats() const { return stats_; }

 private:
  struct TWriterPass;

  bool UsableLogFile();
  std::string LogPath() const { return log_.DIR + log_.FileName; }
  bool OpenAndWriteHeader();
  // The stop sequence; returns what was lost instead of showing it.
  TLogWriteReport FinishRecording();
  void WaitForWriter(TLogWriteReport& report);
  void WriteLastBuffer(TLogWriteReport& report);
  void StartWriter();
  void LogRecordThreadTerminate(uint64_t generation, const std::shared_ptr<TWriterPass>& pass);
  void ShowReport(const TLogWriteReport& report);
  void CountPass(const TWriterPass& pass);
  void PostReport(const TLogWriteReport& report);
  TLogLineFormat HeaderFormat();

  TLog& log_;
  LogRecorderHost& host_;
  UserDialogs& dialogs_;
  GuiThreadCalls& gui_;
  std::shared_ptr<TWriterPass> pass_;  // the pass of the current writer thread
  TLogWriterStats stats_;
  // Posted calls hold it weakly: one that arrives after the recorder is gone does nothing.
  std::shared_ptr<TLogRecorder*> alive_;
};

}  // namespace tarvo
