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
struct TLogRecorder::TWriterPass {
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

TLogRecorder::TLogRecorder(TLog& log, LogRecorderHost& host, UserDialogs& dialogs, GuiThreadCalls& gui)
    : log_(log), host_(host), dialogs_(dialogs), gui_(gui), alive_(std::make_shared<TLogRecorder*>(this)) {}

// A recording still open is finished, so the file gets its last lines and
// footer; nobody is left to show a message to.
TLogRecorder::~TLogRecorder() {
  if (log_.RecordRunningFlag.load() || log_.FileOpenFlag.load()) FinishRecording();
}

// ---- Start -----------------------------------------------------------------------------

bool TLogRecorder::UsableLogFile() {
  return IsDirectory(log_.DIR) && !log_.FileName.empty() && CheckLogFileOverwrite();
}

void TLogRecorder::OnStartRecording() {
  if (log_.RecordRunningFlag.load() || log_.ReplayRunningFlag.load() || log_.State != NO_LOG) return;
  if (UsableLogFile()) {
    StartLogRecording();
    return;
  }
  if (dialogs_.ShowMessage("Please specify the log file name.", TDialogType::Information,
                            TDialogButtons::OKCancel) != TDialogResult::OK)
    return;
  host_.ShowLogOptions(true);
  if (UsableLogFile()) StartLogRecording();
}

bool TLogRecorder::CheckLogFileOverwrite() {
  if (!Exists(LogPath())) return true;
  switch (log_.FileOverwrite) {
    case NO_PROMPT_OVERWRITE: return true;
    // Numbered on until the name is free: "trace [1].txt" left from an
    // earlier run is never overwritten by the next. Each name is new and a
    // folder holds finitely many files, so this ends.
    case RENAME_OVERWRITE:
      do RenameLogFile(log_.FileName);
      while (Exists(LogPath()));
      return true;
    case PROMPT_OVERWRITE:
    default:
      return dialogs_.ShowMessage("Log file '" + log_.FileName + "' already exists." + CRLF + CRLF +
                                       "Overwrite this log file?",
                                   TDialogType::Confirmation, TDialogButtons::YesNo) == TDialogResult::Yes;
  }
}

TLogLineFormat TLogRecorder::HeaderFormat() { return LogLineFormat(log_, host_.Display()); }

// Opens the file and writes the header; false after an I/O error, with the
// file closed again.
bool TLogRecorder::OpenAndWriteHeader() {
  if (!log_.FileHandle.Open(LogPath())) return false;
  log_.FileOpenFlag = true;
  log_.NumericBase = host_.Display().NumericBase == NUMERIC_DECIMAL ? 0 : 1;
  if (log_.FileHandle.Write(LogHeader(HeaderFormat(), log_.FileName, host_.HeaderClock()))) return true;
  log_.FileHandle.Close();
  log_.FileOpenFlag = false;
  return false;
}

void TLogRecorder::StartLogRecording() {
  log_.State = RECORD_LOG;
  host_.SetRunningControls();
  log_.StartImageIndex = 1;
  log_.EndImageIndex = 2;
  log_.ImageIndex = 1;
  host_.AnimateLogIndicator(1, 2, LogIndicatorIntervalMs);
  log_.TarvoStatusCode = host_.LatestStatusCode() != 0 ? '!' : ' ';
  try {
    log_.ThreadRunningFlag = false;
    log_.FileTimer = 0;
    log_.FileLoadedFlag = false;
    log_.Buffer[0] = std::make_unique<TLogBuffer>();
    log_.Buffer[1] = std::make_unique<TLogBuffer>();
    log_.BufferNo = 0;
    log_.NoOfMessages = 0;
    if (!OpenAndWriteHeader()) {
      FinishRecording();
      dialogs_.ShowMessage("Log file I/O error!", TDialogType::Error, TDialogButtons::OK);
      return;
    }
  } catch (const std::exception&) {
    FinishRecording();
    dialogs_.ShowMessage("Unknown log file error!", TDialogType::Error, TDialogButtons::OK);
    return;
  }
  log_.RecordRunningFlag = true;
}

// ---- Hand-over ----------------------------------------------------------------------

void TLogRecorder::SwapLogBuffers() {
  if (!log_.RecordRunningFlag.load()) return;
  if (++log_.FileTimer != LogHandOverSeconds) return;
  const int32_t lines = log_.Buffer[size_t(log_.BufferNo.load())]->Count();
  const bool limit = log_.NoOfMessages.load() + int64_t(lines) >= MaxLogMessages;
  if (limit || log_.ThreadRunningFlag.load()) {
    // The last buffer is counted, and cut at the limit, as it is written.
    TLogWriteReport report = FinishRecording();
    report.LineLimit = limit;
    report.WriterTooSlow = !limit;
    // The tick is running: the message waits until it has returned.
    PostReport(report);
    return;
  }
  log_.NoOfMessages += lines;
  log_.BufferNo = 1 - log_.BufferNo.load();
  StartWriter();
  log_.FileTimer = 0;
}

void TLogRecorder::StartWriter() {
  log_.Thread.reset();  // the previous writer has ended: its notification ran
  auto pass = std::make_shared<TWriterPass>();
  pass_ = pass;
  log_.Thread = std::make_unique<TLogThread>();
  const uint64_t generation = log_.Thread->Generation();
  std::weak_ptr<TLogRecorder*> alive = alive_;
  log_.ThreadRunningFlag = true;
  TLog& log = log_;
  log_.Thread->Start(
      [&log, pass](TLogThread& thread) {
        const auto start = std::chrono::steady_clock::now();
        WriterPass(log, thread, pass->IOError, pass->Terminated, pass->LinesLost);
        pass->Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      },
      gui_, [alive, generation, pass] {
        if (const auto self = alive.lock()) (*self)->LogRecordThreadTerminate(generation, pass);
      });
}

// On the GUI thread after a writer pass. A stop may have dealt with the
// thread already; then this notification belongs to no current thread.
void TLogRecorder::LogRecordThreadTerminate(uint64_t generation, const std::shared_ptr<TWriterPass>& pass) {
  if (!log_.Thread || log_.Thread->Generation() != generation) return;
  log_.ThreadRunningFlag = false;
  log_.Thread.reset();
  pass_.reset();
  CountPass(*pass);
  if (!pass->IOError || !log_.RecordRunningFlag.load()) return;
  // The file can no longer be trusted to take lines: the recording ends
  // here, and the user learns how many lines are missing.
  TLogWriteReport report = FinishRecording();
  report.IOError = true;
  report.LinesLost += pass->LinesLost;
  ShowReport(report);
}

// ---- Stop ------------------------------------------------------------------------------

void TLogRecorder::StopLogRecording() { ShowReport(FinishRecording()); }

void TLogRecorder::WaitForWriter(TLogWriteReport& report) {
  if (!log_.ThreadRunningFlag.load() || !log_.Thread) return;
  TLogThread& thread = *log_.Thread;
  if (!thread.WaitFor(WriterWaitMs)) {
    thread.Terminate();
    // The writer tests the request before every piece it writes, so it ends
    // once the piece in hand is written; the file must not be touched
    // before that, however long the disk takes.
    if (!thread.WaitFor(WriterWaitMs)) thread.Wait();
  }
  if (pass_) {
    CountPass(*pass_);
    report.IOError |= pass_->IOError;
    report.ForcedTermination = pass_->Terminated;
    report.LinesLost += pass_->LinesLost;
  }
  log_.Thread.reset();
  pass_.reset();
  log_.ThreadRunningFlag = false;
}

void TLogRecorder::WriteLastBuffer(TLogWriteReport& report) {
  TLogBuffer* buffer = log_.Buffer[size_t(log_.BufferNo.load())].get();
  if (buffer) {
    // The file ends at the limit exactly, so that a replay takes it whole.
    report.LinesBeyondLimit = buffer->KeepFirstLines(MaxLogMessages - log_.NoOfMessages.load());
    log_.NoOfMessages += buffer->Count();
    if (log_.NoOfMessages.load() >= MaxLogMessages) report.LineLimit = true;
  }
  const TLogLineFormat format = HeaderFormat();
  size_t written = 0;
  bool ok = !buffer || log_.FileHandle.Write(buffer->Text(), &written);
  if (!ok) report.LinesLost += CountLines(buffer->Text().substr(written));
  if (ok) ok = log_.FileHandle.Write(CRLF);
  if (ok && format.FileType != ASC_FILE) {
    TLogFooterInfo info = host_.FooterInfo();
    info.RecordErrorCounters = log_.RecordMessageTypes[RECORD_ERROR_COUNTERS];
    info.RecordBusLoad = log_.RecordMessageTypes[RECORD_BUS_LOAD];
    info.TarvoDescription = log_.TarvoDescription;
    ok = log_.FileHandle.Write(LogFooter(format, info));
  }
  if (!log_.FileHandle.Close()) ok = false;
  log_.FileOpenFlag = false;
  if (!ok) report.IOError = true;
}

TLogWriteReport TLogRecorder::FinishRecording() {
  TLogWriteReport report;
  log_.RecordRunningFlag = false;
  host_.StopLogIndicator();
  log_.ImageIndex = 0;
  WaitForWriter(report);
  if (log_.FileOpenFlag.load()) WriteLastBuffer(report);
  log_.Buffer[0].reset();
  log_.Buffer[1].reset();
  host_.SetStoppedControls();
  log_.State = NO_LOG;
  return report;
}

void TLogRecorder::CountPass(const TWriterPass& pass) {
  ++stats_.Passes;
  stats_.TotalMs += pass.Ms;
  stats_.MaxMs = std::max(stats_.MaxMs, pass.Ms);
}

void TLogRecorder::ShowReport(const TLogWriteReport& report) {
  TDialogType type = TDialogType::Information;
  const std::string text = LogWriteReportText(report, type);
  if (!text.empty()) dialogs_.ShowMessage(text, type, TDialogButtons::OK);
}

void TLogRecorder::PostReport(const TLogWriteReport& report) {
  std::weak_ptr<TLogRecorder*> alive = alive_;
  gui_.Post([alive, report] {
    if (const auto self = alive.lock()) (*self)->ShowReport(report);
  });
}

// ---- Events ------------------------------------------------------------------------------

void TLogRecorder::LogReceiveMessage(const TTarvoCAN& message, uint32_t count, uint32_t period) {
  if (!log_.RecordRunningFlag.load() || !log_.RecordMessageTypes[RECORD_RX]) return;
  tarvo::LogReceiveMessage(log_, host_.Display(), message, count, period);
}

void TLogRecorder::LogBusEvent(int32_t event, uint32_t timeStamp) {
  if (!log_.RecordRunningFlag.load() || !log_.RecordMessageTypes[RECORD_ERRORS]) return;
  tarvo::LogBusEvent(log_, host_.Display(), event, timeStamp);
}

void TLogRecorder::LogTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                                     uint32_t timeMs) {
  if (!log_.RecordRunningFlag.load() || !log_.RecordMessageTypes[RECORD_TX]) return;
  tarvo::LogTransmitMessage(log_, host_.Display(), host_.TxDisplayEnabled(), ide, id, rtr, dlc, data, timeMs);
}

void TLogRecorder::LogErrorCounters() {
  if (!log_.RecordRunningFlag.load() || !log_.RecordMessageTypes[RECORD_ERROR_COUNTERS]) return;
  tarvo::LogErrorCounters(log_, host_.Display(), host_.DeviceStatus());
}

void TLogRecorder::LogBusLoad() {
  if (!log_.RecordRunningFlag.load() || !log_.RecordMessageTypes[RECORD_BUS_LOAD]) return;
  tarvo::LogBusLoad(log_, host_.Display(), host_.DeviceStatus(), host_.BusLoadValid());
}

void TLogRecorder::LogStatus() {
  if (!log_.RecordRunningFlag.load()) return;
  tarvo::LogStatus(log_, host_.Display(), host_.DeviceStatus());
}

void TLogRecorder::LogMessageMissing() {
  if (!log_.RecordRunningFlag.load()) return;
  tarvo::LogMessageMissing(log_, host_.Display(), host_.DeviceStatus());
}

}  // namespace tarvo
