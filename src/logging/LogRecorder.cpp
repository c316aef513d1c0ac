#include "logging/LogRecorder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "logging/LogWriters.h"

namespace tarvo {

namespace fs = std::filesystem;

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* ForcedTerminationLine = "Warning - Messages possibly lost due to forced termination.\r\n";
// The writer tests for a termination request between pieces of this size,
// each ending at a line end.
constexpr size_t WriterPieceBytes = 64 * 1024;
constexpr uint32_t WriterWaitMs = 200;
constexpr int LogIndicatorIntervalMs = 500;

int64_t CountLines(std::string_view text) { return std::count(text.begin(), text.end(), '\n'); }

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// "007" + 1 = "8": the number without its leading zeros, plus one, in
// decimal; any length of digits works.
std::string IncrementDecimalText(std::string digits) {
  const size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
  digits.erase(0, first);
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return "1" + digits;
}

}  // namespace

// ---- Numbered names ------------------------------------------------------------

void RenameLogFile(std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  const std::string base = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : fileName.substr(dot);
  const size_t open = base.rfind('[');
  const size_t close = base.rfind(']');
  if (open != std::string::npos && close != std::string::npos && close > open + 1) {
    const std::string digits = base.substr(open + 1, close - open - 1);
    if (digits.find_first_not_of("0123456789") == std::string::npos) {
      fileName = base.substr(0, open) + "[" + IncrementDecimalText(digits) + "]" + ext;
      return;
    }
  }
  fileName = base + " [1]" + ext;
}

// ---- Reports ---------------------------------------------------------------------

std::string LogWriteReportText(const TLogWriteReport& r, TDialogType& type) {
  const std::string lost = r.LinesLost == 1 ? "1 line" : std::to_string(r.LinesLost) + " lines";
  if (r.IOError) {
    type = TDialogType::Error;
    if (r.LinesLost > 0)
      return std::string("Log file I/O error!") + CRLF + CRLF + "The recording has stopped; " + lost +
             " could not be written to the log file.";
    return std::string("Log file I/O error!") + CRLF + CRLF +
           "The recording has stopped; the end of the log file could not be written.";
  }
  std::string text;
  type = TDialogType::Warning;
  if (r.WriterTooSlow)
    text = "Log recording stopped: the log file could not be written as fast as the messages arrived.";
  else if (r.LineLimit) {
    type = TDialogType::Information;
    text = "Log recording stopped: the log file holds " + std::to_string(MaxLogMessages) +
           " lines, the most a log replay can take.";
    if (r.LinesBeyondLimit > 0)
      text += std::string(CRLF) + CRLF + "The " +
              (r.LinesBeyondLimit == 1 ? std::string("line") : std::to_string(r.LinesBeyondLimit) + " lines") +
              " after them were not recorded.";
  }
  if (r.ForcedTermination && r.LinesLost > 0) {
    type = TDialogType::Warning;
    if (!text.empty()) text += std::string(CRLF) + CRLF;
    text += "Messages possibly lost due to forced termination: " + lost + " could not be written to the log file.";
  }
  return text;
}

// ---- The writer pass ---------------------------------------------------------------

// What a writer pass found; read on the GUI thread once the pass has ended.
struct LogRecorder::TWriterPass {
  bool IOError = false;
  bool Terminated = false;
  int64_t LinesLost = 0;
  double Ms = 0;  // time the pass took
};

namespace {

// Writes Buffer[1 - BufferNo] to the file, clears it, and marks a forced
// termination in the file. Runs on the writer thread.
void WriterPass(TLog& log, TLogThread& thread, bool& ioError, bool& terminated, int64_t& linesLost) {
  if (!log.FileOpenFlag.load()) return;
  TLogBuffer& buffer = *log.Buffer[size_t(1 - log.BufferNo.load())];
  const std::string_view text = buffer.Text();
  size_t written = 0;
  while (written < text.size() && !thread.Terminated()) {
    size_t end = text.size();
    if (end - written > WriterPieceBytes) {
      const void* lineEnd = memrchr(text.data() + written, '\n', WriterPieceBytes);
      end = lineEnd ? size_t(static_cast<const char*>(lineEnd) - text.data()) + 1 : written + WriterPieceBytes;
    }
    size_t piece = 0;
    const bool ok = log.FileHandle.Write(text.substr(written, end - written), &piece);
    written += piece;
    if (!ok) {
      ioError = true;
      break;
    }
  }
  // A line that reached the file only in part counts as lost.
  linesLost = CountLines(text.substr(written));
  buffer.Clear();
  if (thread.Terminated()) {
    terminated = true;
    if (!ioError && !log.FileHandle.Write(ForcedTerminationLine)) ioError = true;
  }
}

}  // namespace

// ---- Life --------------------------------------------------------------------------

LogRecorder::LogRecorder(TLog& log, LogRecorderHost& host, UserDialogs& dialogs, GuiThreadCalls& gui)
    : m_log(log), m_host(host), m_dialogs(dialogs), m_gui(gui), m_alive(std::make_shared<LogRecorder*>(this)) {}

// A recording still open is finished, so the file gets its last lines and
// footer; nobody is left to show a message to.
LogRecorder::~LogRecorder() {
  if (m_log.RecordRunningFlag.load() || m_log.FileOpenFlag.load()) FinishRecording();
}

// ---- Start -----------------------------------------------------------------------------

bool LogRecorder::UsableLogFile() {
  return IsDirectory(m_log.DIR) && !m_log.FileName.empty() && CheckLogFileOverwrite();
}

void LogRecorder::StartLogRecording1Click() {
  if (m_log.RecordRunningFlag.load() || m_log.ReplayRunningFlag.load() || m_log.State != NO_LOG) return;
  if (UsableLogFile()) {
    StartLogRecording();
    return;
  }
  if (m_dialogs.ShowMessage("Please specify the log file name.", TDialogType::Information,
                            TDialogButtons::OKCancel) != TDialogResult::OK)
    return;
  m_host.ShowLogOptions(true);
  if (UsableLogFile()) StartLogRecording();
}

bool LogRecorder::CheckLogFileOverwrite() {
  if (!Exists(LogPath())) return true;
  switch (m_log.FileOverwrite) {
    case NO_PROMPT_OVERWRITE: return true;
    // Numbered on until the name is free: "trace [1].txt" left from an
    // earlier run is never overwritten by the next. Each name is new and a
    // folder holds finitely many files, so this ends.
    case RENAME_OVERWRITE:
      do RenameLogFile(m_log.FileName);
      while (Exists(LogPath()));
      return true;
    case PROMPT_OVERWRITE:
    default:
      return m_dialogs.ShowMessage("Log file '" + m_log.FileName + "' already exists." + CRLF + CRLF +
                                       "Overwrite this log file?",
                                   TDialogType::Confirmation, TDialogButtons::YesNo) == TDialogResult::Yes;
  }
}

TLogLineFormat LogRecorder::HeaderFormat() { return LogLineFormat(m_log, m_host.Display()); }

// Opens the file and writes the header; false after an I/O error, with the
// file closed again.
bool LogRecorder::OpenAndWriteHeader() {
  if (!m_log.FileHandle.Open(LogPath())) return false;
  m_log.FileOpenFlag = true;
  m_log.NumericBase = m_host.Display().NumericBase == NUMERIC_DECIMAL ? 0 : 1;
  if (m_log.FileHandle.Write(LogHeader(HeaderFormat(), m_log.FileName, m_host.HeaderClock()))) return true;
  m_log.FileHandle.Close();
  m_log.FileOpenFlag = false;
  return false;
}

void LogRecorder::StartLogRecording() {
  m_log.State = RECORD_LOG;
  m_host.SetRunningControls();
  m_log.StartImageIndex = 1;
  m_log.EndImageIndex = 2;
  m_log.ImageIndex = 1;
  m_host.AnimateLogIndicator(1, 2, LogIndicatorIntervalMs);
  m_log.TarvoStatusCode = m_host.LatestStatusCode() != 0 ? '!' : ' ';
  try {
    m_log.ThreadRunningFlag = false;
    m_log.FileTimer = 0;
    m_log.FileLoadedFlag = false;
    m_log.Buffer[0] = std::make_unique<TLogBuffer>();
    m_log.Buffer[1] = std::make_unique<TLogBuffer>();
    m_log.BufferNo = 0;
    m_log.NoOfMessages = 0;
    if (!OpenAndWriteHeader()) {
      FinishRecording();
      m_dialogs.ShowMessage("Log file I/O error!", TDialogType::Error, TDialogButtons::OK);
      return;
    }
  } catch (const std::exception&) {
    FinishRecording();
    m_dialogs.ShowMessage("Unknown log file error!", TDialogType::Error, TDialogButtons::OK);
    return;
  }
  m_log.RecordRunningFlag = true;
}

// ---- Hand-over ----------------------------------------------------------------------

void LogRecorder::SwapLogBuffers() {
  if (!m_log.RecordRunningFlag.load()) return;
  if (++m_log.FileTimer != LogHandOverSeconds) return;
  const int32_t lines = m_log.Buffer[size_t(m_log.BufferNo.load())]->Count();
  const bool limit = m_log.NoOfMessages.load() + int64_t(lines) >= MaxLogMessages;
  if (limit || m_log.ThreadRunningFlag.load()) {
    // The last buffer is counted, and cut at the limit, as it is written.
    TLogWriteReport report = FinishRecording();
    report.LineLimit = limit;
    report.WriterTooSlow = !limit;
    // The tick is running: the message waits until it has returned.
    PostReport(report);
    return;
  }
  m_log.NoOfMessages += lines;
  m_log.BufferNo = 1 - m_log.BufferNo.load();
  StartWriter();
  m_log.FileTimer = 0;
}

void LogRecorder::StartWriter() {
  m_log.Thread.reset();  // the previous writer has ended: its notification ran
  auto pass = std::make_shared<TWriterPass>();
  m_pass = pass;
  m_log.Thread = std::make_unique<TLogThread>();
  const uint64_t generation = m_log.Thread->Generation();
  std::weak_ptr<LogRecorder*> alive = m_alive;
  m_log.ThreadRunningFlag = true;
  TLog& log = m_log;
  m_log.Thread->Start(
      [&log, pass](TLogThread& thread) {
        const auto start = std::chrono::steady_clock::now();
        WriterPass(log, thread, pass->IOError, pass->Terminated, pass->LinesLost);
        pass->Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      },
      m_gui, [alive, generation, pass] {
        if (const auto self = alive.lock()) (*self)->LogRecordThreadTerminate(generation, pass);
      });
}

// On the GUI thread after a writer pass. A stop may have dealt with the
// thread already; then this notification belongs to no current thread.
void LogRecorder::LogRecordThreadTerminate(uint64_t generation, const std::shared_ptr<TWriterPass>& pass) {
  if (!m_log.Thread || m_log.Thread->Generation() != generation) return;
  m_log.ThreadRunningFlag = false;
  m_log.Thread.reset();
  m_pass.reset();
  CountPass(*pass);
  if (!pass->IOError || !m_log.RecordRunningFlag.load()) return;
  // The file can no longer be trusted to take lines: the recording ends
  // here, and the user learns how many lines are missing.
  TLogWriteReport report = FinishRecording();
  report.IOError = true;
  report.LinesLost += pass->LinesLost;
  ShowReport(report);
}

// ---- Stop ------------------------------------------------------------------------------

void LogRecorder::StopLogRecording() { ShowReport(FinishRecording()); }

void LogRecorder::WaitForWriter(TLogWriteReport& report) {
  if (!m_log.ThreadRunningFlag.load() || !m_log.Thread) return;
  TLogThread& thread = *m_log.Thread;
  if (!thread.WaitFor(WriterWaitMs)) {
    thread.Terminate();
    // The writer tests the request before every piece it writes, so it ends
    // once the piece in hand is written; the file must not be touched
    // before that, however long the disk takes.
    if (!thread.WaitFor(WriterWaitMs)) thread.Wait();
  }
  if (m_pass) {
    CountPass(*m_pass);
    report.IOError |= m_pass->IOError;
    report.ForcedTermination = m_pass->Terminated;
    report.LinesLost += m_pass->LinesLost;
  }
  m_log.Thread.reset();
  m_pass.reset();
  m_log.ThreadRunningFlag = false;
}

void LogRecorder::WriteLastBuffer(TLogWriteReport& report) {
  TLogBuffer* buffer = m_log.Buffer[size_t(m_log.BufferNo.load())].get();
  if (buffer) {
    // The file ends at the limit exactly, so that a replay takes it whole.
    report.LinesBeyondLimit = buffer->KeepFirstLines(MaxLogMessages - m_log.NoOfMessages.load());
    m_log.NoOfMessages += buffer->Count();
    if (m_log.NoOfMessages.load() >= MaxLogMessages) report.LineLimit = true;
  }
  const TLogLineFormat format = HeaderFormat();
  size_t written = 0;
  bool ok = !buffer || m_log.FileHandle.Write(buffer->Text(), &written);
  if (!ok) report.LinesLost += CountLines(buffer->Text().substr(written));
  if (ok) ok = m_log.FileHandle.Write(CRLF);
  if (ok && format.FileType != ASC_FILE) {
    TLogFooterInfo info = m_host.FooterInfo();
    info.RecordErrorCounters = m_log.RecordMessageTypes[RECORD_ERROR_COUNTERS];
    info.RecordBusLoad = m_log.RecordMessageTypes[RECORD_BUS_LOAD];
    info.TarvoDescription = m_log.TarvoDescription;
    ok = m_log.FileHandle.Write(LogFooter(format, info));
  }
  if (!m_log.FileHandle.Close()) ok = false;
  m_log.FileOpenFlag = false;
  if (!ok) report.IOError = true;
}

TLogWriteReport LogRecorder::FinishRecording() {
  TLogWriteReport report;
  m_log.RecordRunningFlag = false;
  m_host.StopLogIndicator();
  m_log.ImageIndex = 0;
  WaitForWriter(report);
  if (m_log.FileOpenFlag.load()) WriteLastBuffer(report);
  m_log.Buffer[0].reset();
  m_log.Buffer[1].reset();
  m_host.SetStoppedControls();
  m_log.State = NO_LOG;
  return report;
}

void LogRecorder::CountPass(const TWriterPass& pass) {
  ++m_stats.Passes;
  m_stats.TotalMs += pass.Ms;
  m_stats.MaxMs = std::max(m_stats.MaxMs, pass.Ms);
}

void LogRecorder::ShowReport(const TLogWriteReport& report) {
  TDialogType type = TDialogType::Information;
  const std::string text = LogWriteReportText(report, type);
  if (!text.empty()) m_dialogs.ShowMessage(text, type, TDialogButtons::OK);
}

void LogRecorder::PostReport(const TLogWriteReport& report) {
  std::weak_ptr<LogRecorder*> alive = m_alive;
  m_gui.Post([alive, report] {
    if (const auto self = alive.lock()) (*self)->ShowReport(report);
  });
}

// ---- Events ------------------------------------------------------------------------------

void LogRecorder::LogReceiveMessage(const TTarvoCAN& message, uint32_t count, uint32_t period) {
  if (!m_log.RecordRunningFlag.load() || !m_log.RecordMessageTypes[RECORD_RX]) return;
  tarvo::LogReceiveMessage(m_log, m_host.Display(), message, count, period);
}

void LogRecorder::LogBusEvent(int32_t event, uint32_t timeStamp) {
  if (!m_log.RecordRunningFlag.load() || !m_log.RecordMessageTypes[RECORD_ERRORS]) return;
  tarvo::LogBusEvent(m_log, m_host.Display(), event, timeStamp);
}

void LogRecorder::LogTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                                     uint32_t timeMs) {
  if (!m_log.RecordRunningFlag.load() || !m_log.RecordMessageTypes[RECORD_TX]) return;
  tarvo::LogTransmitMessage(m_log, m_host.Display(), m_host.TxDisplayEnabled(), ide, id, rtr, dlc, data, timeMs);
}

void LogRecorder::LogErrorCounters() {
  if (!m_log.RecordRunningFlag.load() || !m_log.RecordMessageTypes[RECORD_ERROR_COUNTERS]) return;
  tarvo::LogErrorCounters(m_log, m_host.Display(), m_host.DeviceStatus());
}

void LogRecorder::LogBusLoad() {
  if (!m_log.RecordRunningFlag.load() || !m_log.RecordMessageTypes[RECORD_BUS_LOAD]) return;
  tarvo::LogBusLoad(m_log, m_host.Display(), m_host.DeviceStatus(), m_host.BusLoadValid());
}

void LogRecorder::LogStatus() {
  if (!m_log.RecordRunningFlag.load()) return;
  tarvo::LogStatus(m_log, m_host.Display(), m_host.DeviceStatus());
}

void LogRecorder::LogMessageMissing() {
  if (!m_log.RecordRunningFlag.load()) return;
  tarvo::LogMessageMissing(m_log, m_host.Display(), m_host.DeviceStatus());
}

}  // namespace tarvo
