#include "logging/LogWriters.h"

#include <algorithm>

namespace tarvo {

namespace {

TLogBuffer* CurrentBuffer(TLog& log) { return log.Buffer[size_t(log.BufferNo.load() & 1)].get(); }

// Formats one line with format straight into the current buffer.
template <typename Format>
void AppendLine(TLog& log, Format format) {
  TLogBuffer* buffer = CurrentBuffer(log);
  if (buffer == nullptr) return;
  char* line = buffer->BeginLine();
  const size_t n = format(line);
  if (n > 0) buffer->EndLine(line + n);
}

}  // namespace

TLogLineFormat LogLineFormat(const TLog& log, const TDisplaySettings& display) {
  TLogLineFormat f;
  // A type outside the enumeration (a hand-edited settings file) records as text.
  f.FileType = log.FileType <= ASC_FILE ? log.FileType : TXT_FILE;
  f.Hexadecimal = log.NumericBase != 0;
  f.ASCIIDecode = display.ASCIIDecode;
  f.MessageCount = display.MessageCount;
  f.MessagePeriod = display.MessagePeriod;
  f.StatusCode = log.TarvoStatusCode;
  return f;
}

void LogReceiveMessage(TLog& log, const TDisplaySettings& display, const TTarvoCAN& m, uint32_t count,
                       uint32_t period) {
  const TLogLineFormat f = LogLineFormat(log, display);
  AppendLine(log, [&](char* out) { return FormatReceiveLine(f, m, count, period, out); });
}

void LogTransmitMessage(TLog& log, const TDisplaySettings& display, bool txDisplayEnabled, uint8_t ide,
                        uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8], uint32_t timeMs) {
  if (!txDisplayEnabled) return;
  const TLogLineFormat f = LogLineFormat(log, display);
  AppendLine(log, [&](char* out) { return FormatTransmitLine(f, ide, id, rtr, dlc, data, timeMs, out); });
}

void LogBusEvent(TLog& log, const TDisplaySettings& display, int32_t event, uint32_t timeStamp) {
  const TLogLineFormat f = LogLineFormat(log, display);
  AppendLine(log, [&](char* out) { return FormatBusEventLine(f, event, timeStamp, out); });
}

void LogErrorCounters(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status) {
  const TLogLineFormat f = LogLineFormat(log, display);
  AppendLine(log, [&](char* out) { return FormatErrorCounterLine(f, false, status.Param[2], status.TimeStamp, out); });
  AppendLine(log, [&](char* out) { return FormatErrorCounterLine(f, true, status.Param[3], status.TimeStamp, out); });
}

void LogStatus(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status) {
  const uint8_t code = status.Param[2];
  log.TarvoStatusCode = code == 0 ? ' ' : '!';
  const TLogLineFormat f = LogLineFormat(log, display);
  const bool displayDecimal = display.NumericBase == NUMERIC_DECIMAL;
  AppendLine(log, [&](char* out) { return FormatStatusLine(f, code, displayDecimal, status.TimeStamp, out); });
}

void LogBusLoad(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status, bool busLoadValid) {
  const uint32_t tenths = std::min<uint32_t>(uint32_t(status.Param[0]) * 10 + status.Param[1], 1000);
  log.TarvoStatusCode = busLoadValid ? ' ' : '!';
  const TLogLineFormat f = LogLineFormat(log, display);
  AppendLine(log, [&](char* out) { return FormatBusLoadLine(f, tenths, status.TimeStamp, out); });
}

void LogMessageMissing(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status) {
  const TLogLineFormat f = LogLineFormat(log, display);
  AppendLine(log, [&](char* out) { return FormatMessageMissingLine(f, status.TimeStamp, out); });
}

}  // namespace tarvo
