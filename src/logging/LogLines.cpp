#include "logging/LogLines.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "common/CsvField.h"
#include "common/TextRoutines.h"
#include "view/CANViewStore.h"
#include "view/CANViewText.h"

namespace tarvo {

namespace {

constexpr const char CRLF[] = "\r\n";

// The characters are appended at p, which moves past them.
void Put(char*& p, const char* text, size_t n) {
  std::memcpy(p, text, n);
  p += n;
}
template <size_t N>
void Put(char*& p, const char (&text)[N]) {
  Put(p, text, N - 1);
}
void PutSpaces(char*& p, size_t n) {
  std::memset(p, ' ', n);
  p += n;
}
// Spaces up to width characters after start ("%-Ns").
void PadTo(char*& p, const char* start, size_t width) {
  const size_t used = size_t(p - start);
  if (used < width) PutSpaces(p, width - used);
}

void PutDecimal(char*& p, uint32_t value) { p += WriteDecimal(value, p); }

void PutHex(char*& p, uint32_t value) { p += WriteHex(value, p); }

void PutNumber(char*& p, uint32_t value, bool hex) {
  if (hex)
    PutHex(p, value);
  else
    PutDecimal(p, value);
}

// A tick time in seconds, "%.4f".
void PutTickTime(char*& p, uint32_t ticks) { p += FormatTickTime(ticks, ".", p); }

// A time in whole ms as seconds with four or six decimals ("%.4f", "%.6f").
void PutMsTime(char*& p, uint32_t ms, bool sixDecimals) {
  PutDecimal(p, ms / 1000);
  *p++ = '.';
  const uint32_t fraction = ms % 1000;
  p[0] = char('0' + fraction / 100);
  p[1] = char('0' + fraction / 10 % 10);
  p[2] = char('0' + fraction % 10);
  p[3] = '0';
  p += 4;
  if (sixDecimals) Put(p, "00");
}

// The time of an ASC line, right-aligned in 11 characters ("%11s" of "%.6f").
template <typename WriteTime>
void PutAscTime(char*& p, WriteTime write) {
  char time[24];
  char* t = time;
  write(t);
  const size_t n = size_t(t - time);
  if (n < 11) PutSpaces(p, 11 - n);
  Put(p, time, n);
}

// The time of a TXT status line: "%.4f" padded "%-11s".
void PutTxtTickTime(char*& p, uint32_t ticks) {
  const char* start = p;
  PutTickTime(p, ticks);
  PadTo(p, start, 11);
}

size_t Length(const char* p, const char* out) { return size_t(p - out); }

// The message fields every format shares.
struct TLineMessage {
  bool Transmit;
  uint8_t IDE, RTR;
  uint32_t ID;
  size_t Length;  // data positions, at most 8
  const uint8_t* Data;
};

void PutAscii(char*& p, const TLineMessage& m) {
  if (m.RTR != 0) return;
  for (size_t i = 0; i < m.Length; ++i) {
    const uint8_t b = m.Data[i];
    *p++ = (b >= 0x21 && b <= 0x7E) ? char(b) : ' ';
  }
}

// CSV: the ASCII column is one CSV field (common/CsvField.h), so a data byte
// that shows as a comma or a quote cannot split the row.
void PutCsvAscii(char*& p, const TLineMessage& m) {
  char text[8];
  char* end = text;
  PutAscii(end, m);
  p = PutCsvField(p, std::string_view(text, size_t(end - text)));
}

void PutTypeCode(char*& p, const TLineMessage& m) {
  *p++ = m.Transmit ? 'T' : 'R';
  *p++ = m.RTR == 0 ? 'D' : 'R';
  Put(p, m.IDE == 0 ? "11" : "29", 2);
}

// TXT: type, marker, time and identifier columns, then the data columns.
template <typename WriteTime>
void PutTxtMessage(char*& p, const TLogLineFormat& f, const TLineMessage& m, WriteTime writeTime) {
  PutTypeCode(p, m);
  *p++ = ' ';
  *p++ = f.StatusCode;
  const char* time = p;
  writeTime(p);
  PadTo(p, time, 11);
  PutSpaces(p, 2);
  const char* id = p;
  PutNumber(p, m.ID, f.Hexadecimal);
  PadTo(p, id, f.Hexadecimal ? 8 : 9);
  PutSpaces(p, 2);
  for (size_t i = 0; i < m.Length; ++i) {
    if (m.RTR != 0) {
      Put(p, f.Hexadecimal ? " ?   " : "?    ", 5);
    } else if (f.Hexadecimal) {
      *p++ = ' ';
      p = PutHexByte(p, m.Data[i]);
      PutSpaces(p, 2);
    } else {
      const char* byte = p;
      PutDecimal(p, m.Data[i]);
      PadTo(p, byte, 5);
    }
  }
}

// Brings the optional columns of a TXT line under their titles.
void PutTxtGap(char*& p, const TLogLineFormat& f, const TLineMessage& m) {
  PutSpaces(p, 5 * (8 - m.Length) + (f.Hexadecimal ? 1 : 0));
}

// CSV: type, marker and time, identifier, data fields.
template <typename WriteTime>
void PutCsvMessage(char*& p, const TLogLineFormat& f, const TLineMessage& m, WriteTime writeTime) {
  PutTypeCode(p, m);
  *p++ = ',';
  if (f.StatusCode == '!') *p++ = '!';
  writeTime(p);
  *p++ = ',';
  PutNumber(p, m.ID, f.Hexadecimal);
  *p++ = ',';
  for (size_t i = 0; i < m.Length; ++i) {
    if (i > 0) *p++ = ',';
    if (m.RTR != 0)
      *p++ = '?';
    else
      PutNumber(p, m.Data[i], f.Hexadecimal);
  }
}

void PutCsvGap(char*& p, const TLineMessage& m) {
  std::memset(p, ',', 8 - m.Length);
  p += 8 - m.Length;
}

// ASC: time, channel, identifier, direction, kind, DLC and data.
template <typename WriteTime>
void PutAscMessage(char*& p, const TLogLineFormat& f, const TLineMessage& m, WriteTime writeTime) {
  PutAscTime(p, writeTime);
  Put(p, " 1  ");
  const char* id = p;
  PutNumber(p, m.ID, f.Hexadecimal);
  if (m.IDE != 0) *p++ = 'x';
  PadTo(p, id, 16);
  Put(p, m.Transmit ? "Tx   " : "Rx   ", 5);
  Put(p, m.RTR == 0 ? "d " : "r ", 2);
  PutDecimal(p, uint32_t(m.Length));
  if (m.RTR != 0) return;
  for (size_t i = 0; i < m.Length; ++i) {
    *p++ = ' ';
    if (f.Hexadecimal) {
      p = PutHexByte(p, m.Data[i]);
    } else {
      const uint8_t b = m.Data[i];
      if (b < 100) *p++ = ' ';
      if (b < 10) *p++ = ' ';
      PutDecimal(p, b);
    }
  }
}

bool AnyOptionalColumn(const TLogLineFormat& f) { return f.ASCIIDecode || f.MessageCount || f.MessagePeriod; }

// The status lines of TXT and CSV: code, marker, time, then a label and value.
void PutStatusStart(char*& p, const TLogLineFormat& f, const char* code, char marker, uint32_t ticks) {
  Put(p, code, 2);
  if (f.FileType == CSV_FILE) {
    *p++ = ',';
    if (marker == '!') *p++ = '!';
    PutTickTime(p, ticks);
  } else {
    PutSpaces(p, 3);
    *p++ = marker;
    PutTxtTickTime(p, ticks);
  }
}

// TXT: two spaces and the label padded to 11; CSV: "," label ",".
void PutStatusLabel(char*& p, const TLogLineFormat& f, const char* label) {
  const size_t n = std::strlen(label);
  if (f.FileType == CSV_FILE) {
    *p++ = ',';
    Put(p, label, n);
    *p++ = ',';
  } else {
    PutSpaces(p, 2);
    Put(p, label, n);
    PutSpaces(p, 11 - n);
  }
}

}  // namespace

size_t FormatReceiveLine(const TLogLineFormat& f, const TTarvoCAN& m, uint32_t count, uint32_t period, char* out) {
  const TLineMessage line{false, m.IDE, m.RTR, m.ID, std::min<size_t>(m.DLC, 8), m.Data};
  auto time = [&](char*& p) { PutTickTime(p, m.TimeStamp); };
  char* p = out;
  switch (f.FileType) {
    case TXT_FILE:
      PutTxtMessage(p, f, line, time);
      if (!AnyOptionalColumn(f)) break;
      PutTxtGap(p, f, line);
      if (f.ASCIIDecode) {
        const char* ascii = p;
        PutAscii(p, line);
        PadTo(p, ascii, 8);
        PutSpaces(p, 3);
      }
      if (f.MessageCount) {
        const char* c = p;
        PutDecimal(p, count);
        PadTo(p, c, 10);
        PutSpaces(p, 3);
      }
      if (f.MessagePeriod && period != 0) PutTickTime(p, period);
      break;
    case CSV_FILE:
      PutCsvMessage(p, f, line, time);
      if (!AnyOptionalColumn(f)) break;
      PutCsvGap(p, line);
      if (f.ASCIIDecode) {
        *p++ = ',';
        PutCsvAscii(p, line);
      }
      if (f.MessageCount) {
        *p++ = ',';
        PutDecimal(p, count);
      }
      if (f.MessagePeriod && period != 0) {
        *p++ = ',';
        PutTickTime(p, period);
      }
      break;
    case ASC_FILE:
      PutAscMessage(p, f, line, [&](char*& q) {
        PutTickTime(q, m.TimeStamp);
        Put(q, "00");
      });
      break;
  }
  return Length(p, out);
}

size_t FormatTransmitLine(const TLogLineFormat& f, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                          const uint8_t data[8], uint32_t timeMs, char* out) {
  const TLineMessage line{true, ide, rtr, id, std::min<size_t>(dlc, 8), data};
  auto time = [&](char*& p) { PutMsTime(p, timeMs, false); };
  char* p = out;
  switch (f.FileType) {
    case TXT_FILE:
      PutTxtMessage(p, f, line, time);
      if (!f.ASCIIDecode) break;
      PutTxtGap(p, f, line);
      PutAscii(p, line);
      break;
    case CSV_FILE:
      PutCsvMessage(p, f, line, time);
      if (!f.ASCIIDecode) break;
      PutCsvGap(p, line);
      *p++ = ',';
      PutCsvAscii(p, line);
      break;
    case ASC_FILE:
      PutAscMessage(p, f, line, [&](char*& q) { PutMsTime(q, timeMs, true); });
      break;
  }
  return Length(p, out);
}

size_t FormatMessageLineAt(const TLogLineFormat& f, bool transmit, uint8_t ide, uint32_t id, uint8_t rtr,
                           uint8_t dlc, const uint8_t data[8], std::string_view timeText, char* out) {
  const TLineMessage line{transmit, ide, rtr, id, std::min<size_t>(dlc, 8), data};
  auto time = [&](char*& p) { Put(p, timeText.data(), timeText.size()); };
  char* p = out;
  if (f.FileType == TXT_FILE) PutTxtMessage(p, f, line, time);
  else if (f.FileType == CSV_FILE) PutCsvMessage(p, f, line, time);
  return Length(p, out);
}

size_t FormatBusEventLineAt(const TLogLineFormat& f, int32_t event, std::string_view timeText, char* out) {
  if (event < 1 || event > 4 || f.FileType == ASC_FILE) return 0;
  char* p = out;
  Put(p, LogTypeCodes[event + 3], 2);
  if (f.FileType == CSV_FILE) {
    *p++ = ',';
    Put(p, timeText.data(), timeText.size());
  } else {
    PutSpaces(p, 4);
    const char* start = p;
    Put(p, timeText.data(), timeText.size());
    PadTo(p, start, 11);
  }
  return Length(p, out);
}

size_t FormatBusEventLine(const TLogLineFormat& f, int32_t event, uint32_t ticks, char* out) {
  if (event < 1 || event > 4) return 0;
  char* p = out;
  if (f.FileType == ASC_FILE) {
    PutAscTime(p, [&](char*& q) {
      PutTickTime(q, ticks);
      Put(q, "00");
    });
    Put(p, " 1  ErrorFrame");
    return Length(p, out);
  }
  Put(p, LogTypeCodes[event + 3], 2);
  if (f.FileType == CSV_FILE) {
    *p++ = ',';
    PutTickTime(p, ticks);
  } else {
    PutSpaces(p, 4);
    PutTxtTickTime(p, ticks);
  }
  return Length(p, out);
}

size_t FormatErrorCounterLine(const TLogLineFormat& f, bool transmit, uint8_t counter, uint32_t ticks,
                              char* out) {
  if (f.FileType == ASC_FILE) return 0;
  char* p = out;
  // Counters have no marker: the fourth character is a space in TXT, and
  // CSV has nothing between the "," and the time.
  PutStatusStart(p, f, LogTypeCodes[transmit ? ITEM_TE : ITEM_RE], ' ', ticks);
  PutStatusLabel(p, f, "Count");
  const char* value = p;
  PutDecimal(p, counter);
  PadTo(p, value, 3);
  return Length(p, out);
}

size_t FormatStatusLine(const TLogLineFormat& f, uint8_t code, bool displayDecimal, uint32_t ticks, char* out) {
  if (f.FileType == ASC_FILE) return 0;
  char* p = out;
  PutStatusStart(p, f, "ST", ' ', ticks);
  PutStatusLabel(p, f, "Status");
  if (code == 0) {
    Put(p, "OK");
  } else {
    p = PutHexByte(p, code);
    if (displayDecimal) Put(p, " (Hex.)");
  }
  return Length(p, out);
}

size_t FormatBusLoadLine(const TLogLineFormat& f, uint32_t tenths, uint32_t ticks, char* out) {
  if (f.FileType == ASC_FILE) return 0;
  char* p = out;
  PutStatusStart(p, f, "BL", f.StatusCode, ticks);
  PutStatusLabel(p, f, "Bus Load");
  PutDecimal(p, tenths / 10);
  *p++ = '.';
  *p++ = char('0' + tenths % 10);
  *p++ = '%';
  return Length(p, out);
}

size_t FormatMessageMissingLine(const TLogLineFormat& f, uint32_t ticks, char* out) {
  if (f.FileType == ASC_FILE) return 0;
  char* p = out;
  PutStatusStart(p, f, "MM", '!', ticks);
  return Length(p, out);
}

// ---- Header and footer --------------------------------------------------------

std::string LogRule(const TLogLineFormat& f) {
  size_t n = f.FileType == CSV_FILE ? 95 : 67;
  if (f.ASCIIDecode) n += 11;
  if (f.MessageCount) n += 13;
  if (f.MessagePeriod) n += 13;
  return std::string(n, '~');
}

std::string LogHeader(const TLogLineFormat& f, const std::string& fileName, const TLogHeaderClock& clock) {
  std::string h;
  if (f.FileType == ASC_FILE) {
    h += "date " + clock.AscDate + CRLF;
    h += std::string("base ") + (f.Hexadecimal ? "hex" : "dec") + "  timestamps absolute" + CRLF;
    h += std::string("no internal events logged") + CRLF;
    h += std::string("// Tarvo Application v5.6") + CRLF;
    h += std::string("   0.000000 Start of measurement") + CRLF;
    return h;
  }
  const std::string rule = LogRule(f) + CRLF;
  // The name without its four-character extension.
  const std::string name = fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : std::string();
  h += rule;
  h += name + " - " + clock.LongTime + " " + clock.ShortDate + " - " + (f.Hexadecimal ? "Hexadecimal" : "Decimal") +
       CRLF;
  h += rule;
  h += CRLF;
  if (f.FileType == CSV_FILE) {
    h += "TYPE,TIME,ID,D1,D2,D3,D4,D5,D6,D7,D8";
    if (f.ASCIIDecode) h += ",ASCII";
    if (f.MessageCount) h += ",COUNT";
    if (f.MessagePeriod) h += ",PERIOD";
  } else {
    h += "TYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8";
    if (f.ASCIIDecode) h += "   _ASCII__";
    if (f.MessageCount) h += "   __COUNT___";
    if (f.MessagePeriod) h += "   __PERIOD__";
  }
  h += CRLF;
  return h;
}

namespace {

// "%.2f" of a double, with "." whatever the locale.
std::string FixedTwo(double value) {
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  return std::string(text, r.ptr);
}

uint32_t BitTimeQuanta(const TLogFooterInfo& info) {
  return 1u + info.PROPSEG + info.PHSEG1 + info.PHSEG2;
}

}  // namespace

std::string LogBaudRateText(const TLogFooterInfo& info) {
  const uint32_t divisor = uint32_t(info.BRP) * 2u * BitTimeQuanta(info);
  double rate = divisor == 0 ? 0.0 : 40000.0 / double(divisor);
  if (!info.CANClock40MHzFlag) rate /= 2;
  if (rate < 1000) return "CAN Baud Rate = " + FixedTwo(rate) + "k";
  return "CAN Baud Rate = " + FixedTwo(rate / 1000) + "M";
}

std::string LogSamplePointText(const TLogFooterInfo& info) {
  const uint32_t quanta = BitTimeQuanta(info);
  const uint32_t sample = (1u + info.PROPSEG + info.PHSEG1) * 10000u / quanta;
  return "CAN Bit Sample Point = " + FixedTwo(double(sample) / 100) + "%";
}

std::string LogFooter(const TLogLineFormat& f, const TLogFooterInfo& info) {
  if (f.FileType == ASC_FILE) return {};
  const std::string rule = LogRule(f) + CRLF;
  std::string t = rule + "Key" + CRLF + rule;
  auto line = [&t](const std::string& text) { t += text + CRLF; };
  line("RD = Receive Data");
  line("RR = Receive Request");
  line("TD = Transmit Data");
  line("TR = Transmit Request");
  line("EF = Error Frame");
  if (info.BusLoadSupportedFlag && info.RecordErrorCounters) {
    line("RE = Receive Error Count");
    line("TE = Transmit Error Count");
  }
  line("BA = Bus Active");
  line("BP = Bus Passive");
  line("BO = Bus Off");
  if (info.BusLoadSupportedFlag && info.RecordBusLoad) line("BL = Bus Load");
  line("ST = Tarvo Status");
  line("MM = Message Missing {Corrupt message received}");
  line(" ! = Tarvo Error {Messages may be missing from log}");
  t += rule;
  line(LogBaudRateText(info));
  line(LogSamplePointText(info));
  line(info.TarvoDescription + info.TarvoInternalStatus);
  t += rule;
  return t;
}

}  // namespace tarvo
