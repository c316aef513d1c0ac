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
    : m_log(log), m_host(host), m_dialogs(dialogs), m_clock(clock), m_gui(gui),
      m_alive(std::make_shared<TLogReplay*>(this)) {}

// The thread reads the buffer and calls the host: it ends before they go.
TLogReplay::~TLogReplay() {
  if (m_log.Thread) {
    m_log.Thread->Terminate();
    m_log.Thread->Wait();
  }
}

std::string TLogReplay::FilePath() const { return m_log.DIR + m_log.FileName; }

// ---- Commands ----------------------------------------------------------------------

// A replay command: on a running replay at once; otherwise the file must
// exist, else the user is asked for one in the Log Options dialog.
void TLogReplay::ReplayCommand(void (TLogReplay::*command)()) {
  if (m_log.ReplayRunningFlag || FileExists(FilePath())) {
    (this->*command)();
    return;
  }
  if (m_dialogs.ShowMessage("Please select a log file to replay.", TDialogType::Information,
                            TDialogButtons::OKCancel) != TDialogResult::OK)
    return;
  m_host.ShowLogOptions(false);
  if (FileExists(FilePath())) (this->*command)();
}

void TLogReplay::StartLogReplay1Click() { ReplayCommand(&TLogReplay::StartLogReplay); }

void TLogReplay::SingleStepLogReplay1Click() { ReplayCommand(&TLogReplay::SingleStepLogReplay); }

void TLogReplay::PauseLogReplay1Click() {
  if (m_log.State != REPLAY_LOG_RUNNING) return;  // only a continuous replay pauses
  m_log.State = REPLAY_LOG_PAUSED;
  if (m_log.ThreadRunningFlag) EndThread(200);
  m_host.SetControlEnabled("StopLog1", true);
  m_host.SetControlEnabled("StopLogButton", true);
  m_host.SetControlShortcut("StopLog1", "Ctrl+L");
  m_host.SetControlEnabled("StartLogReplay1", m_log.HPTimerSupportedFlag);
  m_host.SetControlEnabled("StartLogReplayButton", m_log.HPTimerSupportedFlag);
  m_host.SetControlEnabled("SingleStepLogReplay1", true);
  m_host.SetControlEnabled("SingleStepLogReplayButton", true);
  m_host.SetControlEnabled("PauseLogReplay1", false);
  m_host.SetControlEnabled("PauseLogReplayButton", false);
  m_host.AnimateLogIndicator(5, 6, 500);
}

// ---- Start, step, stop ------------------------------------------------------------------

void TLogReplay::StartLogReplay() {
  m_log.State = REPLAY_LOG_RUNNING;
  if (m_log.ReplayRunningFlag) {
    // Resuming after a pause or single steps: sending goes on at MessageNo.
    for (const char* name : {"StartLogReplay1", "StartLogReplayButton", "SingleStepLogReplay1",
                             "SingleStepLogReplayButton"})
      m_host.SetControlEnabled(name, false);
    m_host.SetControlEnabled("PauseLogReplay1", true);
    m_host.SetControlEnabled("PauseLogReplayButton", true);
  } else if (!ObtainMessagesAndStart()) {
    return;
  }
  m_host.AnimateLogIndicator(3, 4, 500);
  StartThread();
}

void TLogReplay::SingleStepLogReplay() {
  m_log.State = REPLAY_LOG_SINGLE_STEP;
  if (!m_log.ReplayRunningFlag && !ObtainMessagesAndStart()) return;
  // Never two senders: a paused thread that has not ended yet ends first.
  if (m_log.Thread && !m_log.Thread->Finished()) EndThread(0);
  m_host.AnimateLogIndicator(5, 6, 500);
  const int32_t count = m_log.NoOfMessages;
  if (count == 0) {
    // Nothing of the chosen directions in the file: the replay ends at once,
    // as a continuous one does.
    StopLogReplay();
    return;
  }
  if (m_log.MessageNo >= count) {
    // A pause came while the last pass was being shown.
    if (!m_log.ReplayTypeFlag) {
      StopLogReplay();
      return;
    }
    RestartPass();
  }
  const int32_t no = m_log.MessageNo;
  if (m_host.SendCANMessage(m_log.ReplayBuffer[size_t(no)]) != RES_OK) return;  // sent again at the next step
  m_log.MessageNo = no + 1;
  if (no + 1 == count) {
    if (m_log.ReplayTypeFlag) RestartPass();
    else StopLogReplay();
  }
}

// The pass is complete: every message of it is shown before the indices
// restart, so the last one is not lost to the view.
void TLogReplay::RestartPass() {
  DisplayReplayMessage();
  m_log.DisplayMessageNo = 0;
  m_log.MessageNo = 0;
}

bool TLogReplay::ObtainMessagesAndStart() {
  if (!m_log.FileLoadedFlag) {
    if (!LoadReplayLog()) {
      m_log.State = NO_LOG;
      return false;
    }
    m_log.FileLoadedFlag = true;
  }
  m_log.MessageNo = 0;
  m_log.DisplayMessageNo = 0;
  m_host.SetRunningControls(true);
  m_host.StartDevice();
  if (!m_host.DeviceRunning()) {
    // The adapter did not start (its own failure path has shown the stopped
    // controls): no replay into a stopped adapter.
    m_host.SetStoppedControls(true);
    m_log.State = NO_LOG;
    return false;
  }
  m_log.ReplayRunningFlag = true;
  return true;
}

void TLogReplay::StopLogReplay() {
  if (m_log.ThreadRunningFlag) EndThread(200);
  m_clock.WaitProcessingMessages(100);
  m_host.StopDevice();
  m_host.SetStoppedControls(true);
  m_host.StopLogIndicator();
  m_log.ReplayRunningFlag = false;
  m_log.State = NO_LOG;
  m_host.ShowReplayProgress(ProgressText());
}

bool TLogReplay::LoadReplayLog() {
  TReplayParseOptions options;
  options.FileType = m_log.FileType;
  options.ReplayRx = m_log.ReplayMessageTypes[REPLAY_RX];
  options.ReplayTx = m_log.ReplayMessageTypes[REPLAY_TX];
  options.MinimumGap = m_host.ReplayMinimumGap();
  TReplayParseResult result;
  try {
    TTarvoCAN* buffer = m_log.EnsureReplayBuffer();
    m_log.FileOpenFlag = true;
    result = ParseReplayLogFile(FilePath(), options, std::span(buffer, size_t(MaxLogMessages)));
  } catch (const std::bad_alloc&) {
    result.Status = PARSE_ERROR;
    result.Reason = "not enough memory for the replay buffer";
  }
  m_log.FileOpenFlag = false;
  m_log.NoOfMessages = result.NoOfMessages;
  m_log.NumericBase = result.NumericBase;
  m_log.ReplaySpacedOut = result.SpacedOut;
  m_log.ReplayRecordedSpan = result.RecordedSpan;
  if (result.Status == PARSE_VALID) return true;
  if (result.Status == PARSE_IO_ERROR || result.Status == PARSE_ERROR) StopLogReplay();
  // One box: the described text, then what the reader found and where.
  m_dialogs.ShowMessage(ReplayFailureText(result),
                        result.Status == PARSE_FORMAT_INVALID ? TDialogType::Warning : TDialogType::Error,
                        TDialogButtons::OK);
  return false;
}

void TLogReplay::DisplayReplayMessage() {
  if (!m_log.ReplayBuffer) return;
  uint32_t position = uint32_t(m_log.DisplayMessageNo.load());
  const uint32_t end = uint32_t(m_log.MessageNo.load());
  m_host.DisplayReplayed(std::span<const TTarvoCAN>(m_log.ReplayBuffer.get(), size_t(m_log.NoOfMessages.load())),
                         end, position);
  m_log.DisplayMessageNo = int32_t(position);  m_host.ShowReplayProgress(ProgressText());
}

// ---- The replay thread ---------------------------------------------------------------

void TLogReplay::StartThread() {
  if (m_log.Thread && !m_log.Thread->Finished()) EndThread(0);
  m_threadGap = m_host.ReplayMinimumGap();
  m_log.Thread = std::make_unique<TLogThread>();
  TLogThread& thread = *m_log.Thread;
  m_log.ThreadRunningFlag = true;
  const uint64_t generation = thread.Generation();
  thread.Start([this](TLogThread& t) { ReplayThreadBody(t); }, m_gui,
               [alive = std::weak_ptr<TLogReplay*>(m_alive), generation] {
                 if (auto self = alive.lock()) (*self)->LogReplayThreadTerminate(generation);
               });
}

void TLogReplay::EndThread(uint32_t ms) {
  TLogThread* thread = m_log.Thread.get();
  if (!thread) return;
  thread->Terminate();
  const uint32_t start = m_clock.TickCount();
  // The GUI keeps processing: the thread may be waiting for it to show a pass.
  while (!thread->WaitFor(0)) {
    if (ms != 0 && m_clock.TickCount() - start >= ms) return;
    m_clock.WaitProcessingMessages(1);
    if (m_log.Thread.get() != thread) return;  // replaced meanwhile
  }
}

void TLogReplay::LogReplayThreadTerminate(uint64_t generation) {
  // A late notification of a thread that has been replaced changes nothing.
  if (!m_log.Thread || m_log.Thread->Generation() != generation) return;
  if (m_log.State == REPLAY_LOG_RUNNING) StopLogReplay();
  m_log.ThreadRunningFlag = false;
}

// The GUI thread shows the whole pass and restarts the indices; the thread
// waits for that, or for its own termination.
bool TLogReplay::HandOverPass(TLogThread& thread) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  m_gui.Post([alive = std::weak_ptr<TLogReplay*>(m_alive), done] {
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
  if (m_wait == TReplayWait::BusyLoop) {
    // The described wait: a 1 ms rest every 100 messages, else a busy loop.
    if (messageNo % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    while (HPTimerCount() <= deadline)
      if (thread.Terminated()) return;
    return;
  }
  const int64_t frequency = m_log.HPTimeCountsPerSecond;
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
  m_log.ReplayScheduleBase = m_log.ReplayBuffer[size_t(messageNo)].TimeStamp;
  m_log.ReplayScheduleStart = start;
}

void TLogReplay::NoteLag(int64_t lagCounts) {
  int64_t largest = m_log.ReplayMaxLagCounts.load();
  while (lagCounts > largest && !m_log.ReplayMaxLagCounts.compare_exchange_weak(largest, lagCounts)) {
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
  if (m_raisePriority && m_wait == TReplayWait::SleepThenSpin) HPTimerRaiseThreadPriority();
  const int64_t frequency = m_log.HPTimeCountsPerSecond;
  const int32_t count = m_log.NoOfMessages;
  const TTarvoCAN* buffer = m_log.ReplayBuffer.get();
  if (count == 0 || !buffer) return;
  if (m_log.MessageNo == 0) m_log.ReplayMaxLagCounts = 0;  // a resume keeps the pass's largest lag
  const auto dueAt = [&](int32_t no) {
    return m_log.ReplayScheduleStart.load() +
           TicksToCounts(buffer[no].TimeStamp - m_log.ReplayScheduleBase.load(), frequency);
  };
  bool scheduled = false;
  // After a stall the overdue messages go together, but never more than the
  // minimum gap lets through since the last write: the adapter takes them
  // at the pace it was promised, not as one burst.
  const int64_t gapCounts = std::max<int64_t>(1, TicksToCounts(m_threadGap, frequency));
  int64_t lastWrite = 0;
  bool written = false;
  while (!thread.Terminated()) {
    int32_t no = m_log.MessageNo;
    if (no >= count) {
      // A pause came while the last pass was being shown.
      if (!m_log.ReplayTypeFlag || !HandOverPass(thread)) break;
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
    if (m_host.SendCANMessages(std::span(buffer + no, size_t(end - no))) != RES_OK) {
      thread.Terminate();  // the end notification stops the replay
      break;
    }
    m_log.MessageNo = no = end;
    if (no < count) continue;
    if (!m_log.ReplayTypeFlag) {
      WaitUntil(thread, HPTimerCount() + frequency / 50, 1);  // 20 ms for the last frame
      thread.Terminate();
      break;
    }
    if (!HandOverPass(thread)) break;
    // The next pass begins the gap after the end of this one.
    StartSchedule(0, HPTimerCount() + TicksToCounts(m_threadGap, frequency));
    m_log.ReplayMaxLagCounts = 0;
  }
}

double TLogReplay::LagMs() const {
  const int32_t no = m_log.MessageNo;
  if (!m_log.ReplayBuffer || no >= m_log.NoOfMessages || m_log.HPTimeCountsPerSecond <= 0) return 0;
  const int64_t due = m_log.ReplayScheduleStart.load() +
                      TicksToCounts(m_log.ReplayBuffer[size_t(no)].TimeStamp - m_log.ReplayScheduleBase.load(),
                                    m_log.HPTimeCountsPerSecond);
  const int64_t lag = HPTimerCount() - due;
  return lag > 0 ? double(lag) * 1000.0 / double(m_log.HPTimeCountsPerSecond) : 0;
}

std::string TLogReplay::ProgressText() const {
  const int32_t count = m_log.NoOfMessages;
  if (!m_log.ReplayBuffer || count <= 0) return {};
  const double largest =
      m_log.HPTimeCountsPerSecond > 0
          ? double(m_log.ReplayMaxLagCounts.load()) * 1000.0 / double(m_log.HPTimeCountsPerSecond)
          : 0;
  char text[256];
  if (!m_log.ReplayRunningFlag) {
    if (largest <= ReplayLagShownMs) return {};
    std::snprintf(text, sizeof text, "Last replay was behind its log by up to %.0f ms", largest);
    return text;
  }
  const int32_t sent = std::min(m_log.MessageNo.load(), count);
  const TTarvoCAN* b = m_log.ReplayBuffer.get();
  const double total = TicksToSeconds(b[count - 1].TimeStamp - b[0].TimeStamp);
  const double reached = sent > 0 ? TicksToSeconds(b[sent - 1].TimeStamp - b[0].TimeStamp) : 0;
  const int n = std::snprintf(text, sizeof text, "Replay %d of %d, %.2f of %.2f s", sent, count, reached, total);
  // The adapter takes a message at most every minimum gap: a denser log is
  // spaced out, and the replay takes longer than the log. Said, not hidden.
  int n2 = n;
  if (m_log.ReplaySpacedOut > 0 && n > 0)
    n2 += std::snprintf(text + n, sizeof text - size_t(n), " (%.2f s of log spaced out to the minimum gap)",
                        TicksToSeconds(double(m_log.ReplayRecordedSpan)));
  const double lag = m_log.ThreadRunningFlag ? LagMs() : 0;
  if (lag > ReplayLagShownMs && n2 > 0 && size_t(n2) < sizeof text)
    std::snprintf(text + n2, sizeof text - size_t(n2), " - Replay behind by %.0f ms (largest %.0f ms)", lag,
                  std::max(lag, largest));
  return text;
}

}  // namespace tarvo
