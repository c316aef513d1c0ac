#include "logging/LogReplay.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <thread>

#include "common/TimeUnits.h"
#include "logging/HPTimer.h"
#include "logging/ReplayParser.h"

namespace tarvo {

namespace {

// Counts of the high-resolution counter for dt adapter ticks (39062.5 per
// second), exactly.
int64_t TicksToCounts(uint32_t dt, int64_t frequency) {
  return int64_t((unsigned __int128)dt * uint64_t(frequency) * 2 / 78125u);
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// Longest sleep between two looks at the terminate request, so a pause or
// stop ends even a long recorded gap within this time.
constexpr int64_t LongestSleepMs = 10;

}  // namespace

TLogReplay::TLogReplay(TLog& log, ReplayHost& host, UserDialogs& dialogs, Clock& clock, GuiThreadCalls& gui)
    : log_(log), host_(host), dialogs_(dialogs), clock_(clock), gui_(gui),
      alive_(std::make_shared<TLogReplay*>(this)) {}

// The thread reads the buffer and calls the host: it ends before they go.
TLogReplay::~TLogReplay() {
  if (log_.Thread) {
    log_.Thread->Terminate();
    log_.Thread->Wait();
  }
}

std::string TLogReplay::FilePath() const { return log_.DIR + log_.FileName; }

// ---- Commands ----------------------------------------------------------------------

// A replay command: on a running replay at once; otherwise the file must
// exist, else the user is asked for one in the Log Options dialog.
void TLogReplay::ReplayCommand(void (TLogReplay::*command)()) {
  if (log_.ReplayRunningFlag || FileExists(FilePath())) {
    (this->*command)();
    return;
  }
  if (dialogs_.ShowMessage("Please select a log file to replay.", TDialogType::Information,
                            TDialogButtons::OKCancel) != TDialogResult::OK)
    return;
  host_.ShowLogOptions(false);
  if (FileExists(FilePath())) (this->*command)();
}

void TLogReplay::OnStartReplay() { ReplayCommand(&TLogReplay::StartLogReplay); }

void TLogReplay::OnSingleStep() { ReplayCommand(&TLogReplay::SingleStepLogReplay); }

void TLogReplay::OnPause() {
  if (log_.State != REPLAY_LOG_RUNNING) return;  // only a continuous replay pauses
  log_.State = REPLAY_LOG_PAUSED;
  if (log_.ThreadRunningFlag) EndThread(200);
  host_.SetControlEnabled("StopLog1", true);
  host_.SetControlEnabled("StopLogButton", true);
  host_.SetControlShortcut("StopLog1", "Ctrl+L");
  host_.SetControlEnabled("StartLogReplay1", log_.HPTimerSupportedFlag);
  host_.SetControlEnabled("StartLogReplayButton", log_.HPTimerSupportedFlag);
  host_.SetControlEnabled("SingleStepLogReplay1", true);
  host_.SetControlEnabled("SingleStepLogReplayButton", true);
  host_.SetControlEnabled("PauseLogReplay1", false);
  host_.SetControlEnabled("PauseLogReplayButton", false);
  host_.AnimateLogIndicator(5, 6, 500);
}

// ---- Start, step, stop ------------------------------------------------------------------

void TLogReplay::StartLogReplay() {
  log_.State = REPLAY_LOG_RUNNING;
  if (log_.ReplayRunningFlag) {
    // Resuming after a pause or single steps: sending goes on at MessageNo.
    for (const char* name : {"StartLogReplay1", "StartLogReplayButton", "SingleStepLogReplay1",
                             "SingleStepLogReplayButton"})
      host_.SetControlEnabled(name, false);
    host_.SetControlEnabled("PauseLogReplay1", true);
    host_.SetControlEnabled("PauseLogReplayButton", true);
  } else if (!ObtainMessagesAndStart()) {
    return;
  }
  host_.AnimateLogIndicator(3, 4, 500);
  StartThread();
}

void TLogReplay::SingleStepLogReplay() {
  log_.State = REPLAY_LOG_SINGLE_STEP;
  if (!log_.ReplayRunningFlag && !ObtainMessagesAndStart()) return;
  // Never two senders: a paused thread that has not ended yet ends first.
  if (log_.Thread && !log_.Thread->Finished()) EndThread(0);
  host_.AnimateLogIndicator(5, 6, 500);
  const int32_t count = log_.NoOfMessages;
  if (count == 0) {
    // Nothing of the chosen directions in the file: the replay ends at once,
    // as a continuous one does.
    StopLogReplay();
    return;
  }
  if (log_.MessageNo >= count) {
    // A pause came while the last pass was being shown.
    if (!log_.ReplayTypeFlag) {
      StopLogReplay();
      return;
    }
    RestartPass();
  }
  const int32_t no = log_.MessageNo;
  if (host_.SendCANMessage(log_.ReplayBuffer[size_t(no)]) != RES_OK) return;  // sent again at the next step
  log_.MessageNo = no + 1;
  if (no + 1 == count) {
    if (log_.ReplayTypeFlag) RestartPass();
    else StopLogReplay();
  }
}

// The pass is complete: every message of it is shown before the indices
// restart, so the last one is not lost to the view.
void TLogReplay::RestartPass() {
  DisplayReplayMessage();
  log_.DisplayMessageNo = 0;
  log_.MessageNo = 0;
}

bool TLogReplay::ObtainMessagesAndStart() {
  if (!log_.FileLoadedFlag) {
    if (!LoadReplayLog()) {
      log_.State = NO_LOG;
      return false;
    }
    log_.FileLoadedFlag = true;
  }
  log_.MessageNo = 0;
  log_.DisplayMessageNo = 0;
  host_.SetRunningControls(true);
  host_.StartDevice();
  if (!host_.DeviceRunning()) {
    // The adapter did not start (its own failure path has shown the stopped
    // controls): no replay into a stopped adapter.
    host_.SetStoppedControls(true);
    log_.State = NO_LOG;
    return false;
  }
  log_.ReplayRunningFlag = true;
  return true;
}

void TLogReplay::StopLogReplay() {
  if (log_.ThreadRunningFlag) EndThread(200);
  clock_.WaitProcessingMessages(100);
  host_.StopDevice();
  host_.SetStoppedControls(true);
  host_.StopLogIndicator();
  log_.ReplayRunningFlag = false;
  log_.State = NO_LOG;
  host_.ShowReplayProgress(ProgressText());
}

bool TLogReplay::LoadReplayLog() {
  TReplayParseOptions options;
  options.FileType = log_.FileType;
  options.ReplayRx = log_.ReplayMessageTypes[REPLAY_RX];
  options.ReplayTx = log_.ReplayMessageTypes[REPLAY_TX];
  options.MinimumGap = host_.ReplayMinimumGap();
  TReplayParseResult result;
  try {
    TTarvoCAN* buffer = log_.EnsureReplayBuffer();
    log_.FileOpenFlag = true;
    result = ParseReplayLogFile(FilePath(), options, std::span(buffer, size_t(MaxLogMessages)));
  } catch (const std::bad_alloc&) {
    result.Status = PARSE_ERROR;
    result.Reason = "not enough memory for the replay buffer";
  }
  log_.FileOpenFlag = false;
  log_.NoOfMessages = result.NoOfMessages;
  log_.NumericBase = result.NumericBase;
  log_.ReplaySpacedOut = result.SpacedOut;
  log_.ReplayRecordedSpan = result.RecordedSpan;
  if (result.Status == PARSE_VALID) return true;
  if (result.Status == PARSE_IO_ERROR || result.Status == PARSE_ERROR) StopLogReplay();
  // One box: the described text, then what the reader found and where.
  dialogs_.ShowMessage(ReplayFailureText(result),
                        result.Status == PARSE_FORMAT_INVALID ? TDialogType::Warning : TDialogType::Error,
                        TDialogButtons::OK);
  return false;
}

void TLogReplay::DisplayReplayMessage() {
  if (!log_.ReplayBuffer) return;
  uint32_t position = uint32_t(log_.DisplayMessageNo.load());
  const uint32_t end = uint32_t(log_.MessageNo.load());
  host_.DisplayReplayed(std::span<const TTarvoCAN>(log_.ReplayBuffer.get(), size_t(log_.NoOfMessages.load())),
                         end, position);
  log_.DisplayMessageNo = int32_t(position);  host_.ShowReplayProgress(ProgressText());
}

// ---- The replay thread ---------------------------------------------------------------

void TLogReplay::StartThread() {
  if (log_.Thread && !log_.Thread->Finished()) EndThread(0);
  threadGap_ = host_.ReplayMinimumGap();
  log_.Thread = std::make_unique<TLogThread>();
  TLogThread& thread = *log_.Thread;
  log_.ThreadRunningFlag = true;
  const uint64_t generation = thread.Generation();
  thread.Start([this](TLogThread& t) { ReplayThreadBody(t); }, gui_,
               [alive = std::weak_ptr<TLogReplay*>(alive_), generation] {
                 if (auto self = alive.lock()) (*self)->LogReplayThreadTerminate(generation);
               });
}

void TLogReplay::EndThread(uint32_t ms) {
  TLogThread* thread = log_.Thread.get();
  if (!thread) return;
  thread->Terminate();
  const uint32_t start = clock_.TickCount();
  // The GUI keeps processing: the thread may be waiting for it to show a pass.
  while (!thread->WaitFor(0)) {
    if (ms != 0 && clock_.TickCount() - start >= ms) return;
    clock_.WaitProcessingMessages(1);
    if (log_.Thread.get() != thread) return;  // replaced meanwhile
  }
}

void TLogReplay::LogReplayThreadTerminate(uint64_t generation) {
  // A late notification of a thread that has been replaced changes nothing.
  if (!log_.Thread || log_.Thread->Generation() != generation) return;
  if (log_.State == REPLAY_LOG_RUNNING) StopLogReplay();
  log_.ThreadRunningFlag = false;
}

// The GUI thread shows the whole pass and restarts the indices; the thread
// waits for that, or for its own termination.
bool TLogReplay::HandOverPass(TLogThread& thread) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  gui_.Post([alive = std::weak_ptr<TLogReplay*>(alive_), done] {
    if (auto self = alive.lock()) (*self)->RestartPass();
    done->store(true);
  });
  while (!done->load()) {
    if (thread.Terminated()) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

void TLogReplay::WaitUntil(TLogThread& thread, int64_t deadline, int32_t messageNo) {
  if (wait_ == TReplayWait::BusyLoop) {
    // The described wait: a 1 ms rest every 100 messages, else a busy loop.
    if (messageNo % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    while (HPTimerCount() <= deadline)
      if (thread.Terminated()) return;
    return;
  }
  const int64_t frequency = log_.HPTimeCountsPerSecond;
  const int64_t slice = LongestSleepMs * frequency / 1000;
  const int64_t margin = HPTimerSpinMargin();
  for (;;) {
    const int64_t left = deadline - HPTimerCount();
    if (left <= margin) break;
    if (thread.Terminated()) return;
    HPTimerWaitUntil(HPTimerCount() + std::min(left - margin, slice) , 0);
  }
  HPTimerWaitUntil(deadline, margin);
}

void TLogReplay::StartSchedule(int32_t messageNo, int64_t start) {
  log_.ReplayScheduleBase = log_.ReplayBuffer[size_t(messageNo)].TimeStamp;
  log_.ReplayScheduleStart = start;
}

void TLogReplay::NoteLag(int64_t lagCounts) {
  int64_t largest = log_.ReplayMaxLagCounts.load();
  while (lagCounts > largest && !log_.ReplayMaxLagCounts.compare_exchange_weak(largest, lagCounts)) {
  }
}

// Each message is due at its own offset from the start of the schedule, so
// a late send never delays the ones after it; every message due by the
// time a send begins goes out in that one write. A start, a resume after a
// pause or single steps, and each new pass start the schedule again at the
// message that goes next.
void TLogReplay::ReplayThreadBody(TLogThread& thread) {
  HPTimerPrepareThread();
  // Only the sleep-then-spin wait may: a busy loop in the real-time class
  // would hold a processor against everything else.
  if (raisePriority_ && wait_ == TReplayWait::SleepThenSpin) HPTimerRaiseThreadPriority();
  const int64_t frequency = log_.HPTimeCountsPerSecond;
  const int32_t count = log_.NoOfMessages;
  const TTarvoCAN* buffer = log_.ReplayBuffer.get();
  if (count == 0 || !buffer) return;
  if (log_.MessageNo == 0) log_.ReplayMaxLagCounts = 0;  // a resume keeps the pass's largest lag
  const auto dueAt = [&](int32_t no) {
    return log_.ReplayScheduleStart.load() +
           TicksToCounts(buffer[no].TimeStamp - log_.ReplayScheduleBase.load(), frequency);
  };
  bool scheduled = false;
  // After a stall the overdue messages go together, but never more than the
  // minimum gap lets through since the last write: the adapter takes them
  // at the pace it was promised, not as one burst.
  const int64_t gapCounts = std::max<int64_t>(1, TicksToCounts(threadGap_, frequency));
  int64_t lastWrite = 0;
  bool written = false;
  while (!thread.Terminated()) {
    int32_t no = log_.MessageNo;
    if (no >= count) {
      // A pause came while the last pass was being shown.
      if (!log_.ReplayTypeFlag || !HandOverPass(thread)) break;
      scheduled = false;
      continue;
    }
    if (!scheduled) {
      StartSchedule(no, HPTimerCount());
      scheduled = true;
    }
    const int64_t due = dueAt(no);
    WaitUntil(thread, due, no);
    if (thread.Terminated()) break;
    const int64_t now = HPTimerCount();
    const int64_t room = written ? std::max<int64_t>(1, (now - lastWrite) / gapCounts) : 1;
    const int32_t most = int32_t(std::min<int64_t>(ReplayMessagesPerWrite, room));
    int32_t end = no + 1;
    while (end < count && end - no < most && dueAt(end) <= now) ++end;
    lastWrite = now;
    written = true;
    NoteLag(now - due);
    if (host_.SendCANMessages(std::span(buffer + no, size_t(end - no))) != RES_OK) {
      thread.Terminate();  // the end notification stops the replay
      break;
    }
    log_.MessageNo = no = end;
    if (no < count) continue;
    if (!log_.ReplayTypeFlag) {
      WaitUntil(thread, HPTimerCount() + frequency / 50, 1);  // 20 ms for the last frame
      thread.Terminate();
      break;
    }
    if (!HandOverPass(thread)) break;
    // The next pass begins the gap after the end of this one.
    StartSchedule(0, HPTimerCount() + TicksToCounts(threadGap_, frequency));
    log_.ReplayMaxLagCounts = 0;
  }
}

double TLogReplay::LagMs() const {
  const int32_t no = log_.MessageNo;
  if (!log_.ReplayBuffer || no >= log_.NoOfMessages || log_.HPTimeCountsPerSecond <= 0) return 0;
  const int64_t due = log_.ReplayScheduleStart.load() +
                      TicksToCounts(log_.ReplayBuffer[size_t(no)].TimeStamp - log_.ReplayScheduleBase.load(),
                                    log_.HPTimeCountsPerSecond);
  const int64_t lag = HPTimerCount() - due;
  return lag > 0 ? double(lag) * 1000.0 / double(log_.HPTimeCountsPerSecond) : 0;
}

std::string TLogReplay::ProgressText() const {
  const int32_t count = log_.NoOfMessages;
  if (!log_.ReplayBuffer || count <= 0) return {};
  const double largest =
      log_.HPTimeCountsPerSecond > 0
          ? double(log_.ReplayMaxLagCounts.load()) * 1000.0 / double(log_.HPTimeCountsPerSecond)
          : 0;
  char text[256];
  if (!log_.ReplayRunningFlag) {
    if (largest <= ReplayLagShownMs) return {};
    std::snprintf(text, sizeof text, "Last replay was behind its log by up to %.0f ms", largest);
    return text;
  }
  const int32_t sent = std::min(log_.MessageNo.load(), count);
  const TTarvoCAN* b = log_.ReplayBuffer.get();
  const double total = TicksToSeconds(b[count - 1].TimeStamp - b[0].TimeStamp);
  const double reached = sent > 0 ? TicksToSeconds(b[sent - 1].TimeStamp - b[0].TimeStamp) : 0;
  const int n = std::snprintf(text, sizeof text, "Replay %d of %d, %.2f of %.2f s", sent, count, reached, total);
  // The adapter takes a message at most every minimum gap: a denser log is
  // spaced out, and the replay takes longer than the log. Said, not hidden.
  int n2 = n;
  if (log_.ReplaySpacedOut > 0 && n > 0)
    n2 += std::snprintf(text + n, sizeof text - size_t(n), " (%.2f s of log spaced out to the minimum gap)",
                        TicksToSeconds(double(log_.ReplayRecordedSpan)));
  const double lag = log_.ThreadRunningFlag ? LagMs() : 0;
  if (lag > ReplayLagShownMs && n2 > 0 && size_t(n2) < sizeof text)
    std::snprintf(text + n2, sizeof text - size_t(n2), " - Replay behind by %.0f ms (largest %.0f ms)", lag,
                  std::max(lag, largest));
  return text;
}

}  // namespace tarvo
