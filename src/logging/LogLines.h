#pragma once
// The lines of the three log formats, byte for byte, as pure functions: each
// writes one line (without its line end) into out, which must hold
// TLogBuffer::MaxLineLength characters, and returns its length; 0 means the
// format has no such line. Numbers use "." whatever the locale and are
// formatted by hand: a recording formats every frame on the GUI thread.
//
// Worked lines, received data frame 0x123, data 01 41 FF, 1.25 s, count 5,
// period 0.1 s (the bars are not part of the lines):
//   TXT dec          |RD11  1.2500       291        1    65   255  |
//   TXT hex          |RD11  1.2500       123        01   41   FF  |
//   CSV dec, ASCII, count, period  |RD11,1.2500,291,1,65,255,,,,,, A ,5,0.1000|
//   CSV hex, marker !              |RD11,!1.2500,123,1,41,FF|
//   ASC dec          |   1.250000 1  291             Rx   d 3   1  65 255|
//   ASC hex, 29-bit remote 0x12345, DLC 8   |   1.250000 1  12345x          Rx   r 8|
// Status lines at 2.5 s, TXT then CSV:
//   |EF    2.5000     |  |EF,2.5000|
//   |RE    2.5000       Count      5  |  |RE,2.5000,Count,5  |
//   |ST    2.5000       Status     12 (Hex.)|  |BL    2.5000       Bus Load   12.5%|
//   |MM   !2.5000     |  |MM,!2.5000|  ASC error frame |   2.500000 1  ErrorFrame|
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/TarvoCAN.h"
#include "logging/LogTypes.h"

namespace tarvo {

// What a message line depends on besides the message.
struct TLogLineFormat {
  TLogFileType FileType = TXT_FILE;
  bool Hexadecimal = true;     // the recording's NumericBase is 1
  bool ASCIIDecode = false;    // the optional columns, as the display options
  bool MessageCount = false;   // are when the line is written
  bool MessagePeriod = false;
  char StatusCode = ' ';       // ' ' or '!'
};

// A received message with its count and period (ticks) from the CAN View store.
size_t FormatReceiveLine(const TLogLineFormat& f, const TTarvoCAN& m, uint32_t count, uint32_t period, char* out);

// A transmitted message; timeMs is the adapter time in ms at which it went out.
size_t FormatTransmitLine(const TLogLineFormat& f, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                          const uint8_t data[8], uint32_t timeMs, char* out);

// A message line of TXT or CSV whose time is given as text, without the
// optional columns: the log tool writes each time as the log it reads has
// it (to the format's four decimals), not as adapter ticks.
size_t FormatMessageLineAt(const TLogLineFormat& f, bool transmit, uint8_t ide, uint32_t id, uint8_t rtr,
                           uint8_t dlc, const uint8_t data[8], std::string_view timeText, char* out);
// A bus-event line of TXT or CSV whose time is given as text.
size_t FormatBusEventLineAt(const TLogLineFormat& f, int32_t event, std::string_view timeText, char* out);

// event: 1 error frame, 2 bus active, 3 bus passive, 4 bus off; others give no line.
size_t FormatBusEventLine(const TLogLineFormat& f, int32_t event, uint32_t ticks, char* out);

// "RE" (transmit false) or "TE" (transmit true) with the counter value.
size_t FormatErrorCounterLine(const TLogLineFormat& f, bool transmit, uint8_t counter, uint32_t ticks,
                              char* out);

// The adapter status code; displayDecimal: the display options' base is
// decimal now, which adds " (Hex.)" to a non-zero code.
size_t FormatStatusLine(const TLogLineFormat& f, uint8_t code, bool displayDecimal, uint32_t ticks, char* out);

// Bus load in tenths of a percent (already limited to 1000). The marker in
// f is the one the bus-load record sets.
size_t FormatBusLoadLine(const TLogLineFormat& f, uint32_t tenths, uint32_t ticks, char* out);

size_t FormatMessageMissingLine(const TLogLineFormat& f, uint32_t ticks, char* out);

// ---- Header and footer --------------------------------------------------------

// The clock texts of the header, formatted by the caller in the user's
// regional settings.
struct TLogHeaderClock {
  std::string LongTime;   // regional long-time format
  std::string ShortDate;  // regional short-date format
  std::string AscDate;    // "ddd mmm dd h:n:s yyyy" with regional day and month names
};

// The "~" line of TXT and CSV files for the optional columns in f.
std::string LogRule(const TLogLineFormat& f);

// The header, every line ended by CR LF.
std::string LogHeader(const TLogLineFormat& f, const std::string& fileName, const TLogHeaderClock& clock);

// What the footer reports about the adapter and its bit timing.
struct TLogFooterInfo {
  uint8_t BRP = 4, PROPSEG = 5, PHSEG1 = 8, PHSEG2 = 6;
  bool CANClock40MHzFlag = true;
  bool BusLoadSupportedFlag = true;
  bool RecordErrorCounters = false;  // RecordMessageTypes[3]
  bool RecordBusLoad = false;        // RecordMessageTypes[4]
  std::string TarvoDescription;      // of TLog
  std::string TarvoInternalStatus;   // the adapter's status text
};

// The footer of TXT and CSV files (empty for ASC), every line ended by CR LF.
std::string LogFooter(const TLogLineFormat& f, const TLogFooterInfo& info);

// "CAN Baud Rate = 250.00k" and "CAN Bit Sample Point = 70.00%".
std::string LogBaudRateText(const TLogFooterInfo& info);
std::string LogSamplePointText(const TLogFooterInfo& info);

}  // namespace tarvo
