#pragma once
// Log replay: the messages of a log file sent onto the bus again with their
// recorded spacing (a replay thread), or one per command (single steps), and
// shown in the CAN View as transmitted messages by the GUI thread.
//
// The replay drives the rest of the program through ReplayHost: the adapter
// (start, stop, the CAN-transmit command), the controls, the log indicator
// and the CAN View. The GUI thread runs every routine here except the body
// of the replay thread, which only sends, advances MessageNo and, at the end
// of a continuous pass, hands the display over to the GUI thread and waits.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "adapter/TarvoAPI.h"
#include "common/Clock.h"
#include "common/ResultCodes.h"
#include "common/TarvoCAN.h"
#include "common/UserDialogs.h"
#include "logging/LogThread.h"
#include "logging/LogTypes.h"

namespace tarvo {

class ReplayHost {
 public:
  virtual ~ReplayHost() = default;
  // One immediate transmission (buffer 0, period code 0); RES_OK when sent.
  // Called from the replay thread and from the GUI thread.
  virtual TResult SendCANMessage(const TTarvoCAN& m) = 0;
  // Several immediate transmissions in one write, in order; RES_OK when all
  // were sent. From the replay thread, for messages due together.
  virtual TResult SendCANMessages(std::span<const TTarvoCAN> messages) {
    for (const TTarvoCAN& m : messages)
      if (const TResult r = SendCANMessage(m); r != RES_OK) return r;
    return RES_OK;
  }
  // What the status bar shows of the replay (progress, lag); empty hides it.
  virtual void ShowReplayProgress(const std::string& text) { (void)text; }
  // The run control's start and stop of the adapter.
  virtual void StartDevice() = 0;
  virtual void StopDevice() = 0;
  // The adapter was started and not yet stopped.
  virtual bool DeviceRunning() = 0;
  virtual void SetRunningControls(bool logChange) = 0;
  virtual void SetStoppedControls(bool logChange) = 0;
  virtual void SetControlEnabled(const std::string& name, bool enabled) = 0;
  virtual void SetControlShortcut(const std::string& name, const std::string& shortcut) = 0;
  // The status-bar log indicator cycles first..last every intervalMs; Stop
  // shows the stopped frame.
  virtual void AnimateLogIndicator(int first, int last, int intervalMs) = 0;
  virtual void StopLogIndicator() = 0;
  // Enters messages[readPosition .. end) into the CAN View as transmitted
  // messages, advancing readPosition.
  virtual void DisplayReplayed(std::span<const TTarvoCAN> messages, uint32_t end, uint32_t& readPosition) = 0;
  // The smallest time-stamp step between replayed messages, adapter ticks.
  virtual uint32_t ReplayMinimumGap() = 0;
  // The Log Options dialog, modal; saveFlag makes Browse a save dialog.
  virtual void ShowLogOptions(bool saveFlag) = 0;
};

// How the replay thread waits between messages.
enum class TReplayWait : uint8_t {
  BusyLoop,        // reads the counter until the deadline, 1 ms sleep every 100 messages
  SleepThenSpin,   // sleeps until shortly before the deadline, spins the rest
};

class TLogReplay {
 public:
  TLogReplay(TLog& log, ReplayHost& host, UserDialogs& dialogs, Clock& clock, GuiThreadCalls& gui);
  ~TLogReplay();
  TLogReplay(const TLogReplay&) = delete;
  TLogReplay& operator=(const TLogReplay&) = delete;

  // ---- Commands (GUI thread) ----
  void OnStartReplay();
  void OnSingleStep();
  void OnPause();

  // ---- Routines ----
  void StartLogReplay();
  void SingleStepLogReplay();
  void StopLogReplay();
  // Parses DIR + FileName into the replay buffer; true when the file was
  // valid. Shows "Log file I/O error!" or "Log file error!" itself.
  bool LoadReplayLog();
  // Every tick while a replay runs: the messages sent since the last call
  // appear in the CAN View.
  void DisplayReplayMessage();

  // How far the replay is behind its schedule now, in ms (0 when on time).
  double LagMs() const;
  // The status-bar text: progress, and the lag while it is more than
  // ReplayLagShownMs; after a replay the largest lag of its last pass.
  std::string ProgressText() const;

  void SetWait(TReplayWait wait) { wait_ = wait; }
  // Whether the replay thread asks for a raised priority (on by default).
  void SetRaisePriority(bool raise) { raisePriority_ = raise; }

 private:
  void ReplayCommand(void (TLogReplay::*command)());
  bool ObtainMessagesAndStart();
  void StartThread();
  void ReplayThreadBody(TLogThread& thread);
  void LogReplayThreadTerminate(uint64_t generation);
  // Requests the thread's end and waits up to ms for it while the GUI goes
  // on with its messages (the thread may be waiting for the GUI to show a
  // pass); ms 0 waits until it has ended.
  void EndThread(uint32_t ms);
  bool HandOverPass(TLogThread& thread);
  void StartSchedule(int32_t messageNo, int64_t start);
  void NoteLag(int64_t lagCounts);
  void WaitUntil(TLogThread& thread, int64_t deadline, int32_t messageNo);
  void RestartPass();
  std::string FilePath() const;

  TLog& log_;
  ReplayHost& host_;
  UserDialogs& dialogs_;
  Clock& clock_;
  GuiThreadCalls& gui_;
  TReplayWait wait_ = TReplayWait::SleepThenSpin;
  bool raisePriority_ = true;
  uint32_t threadGap_ = 0;  // ReplayMinimumGap when the thread started
  // Posted calls hold it weakly: one that arrives after the replay is gone does nothing.
  std::shared_ptr<TLogReplay*> alive_;
};

// A replay behind its schedule by more than this says so in the status bar.
inline constexpr double ReplayLagShownMs = 5.0;
// Most messages in one write of the replay thread (the adapter queues a few
// dozen single transmissions).
inline constexpr int32_t ReplayMessagesPerWrite = 16;

}  // namespace tarvo
