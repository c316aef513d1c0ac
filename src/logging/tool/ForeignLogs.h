#pragma once
// Readers for CAN logs written by other tools, so the log tool can bring
// them into Tarvo's formats for a replay. The program's own reader stays as
// strict as it is; these accept what the other writers produce.
//
// candump log (can-utils "candump -l"), one frame a line:
//   (1436509052.249713) vcan0 044#2A366C2BBA      11-bit data frame, 5 bytes
//   (1436509052.650004) vcan0 12345678#R          29-bit remote frame, DLC 0
//   (1436509052.850131) vcan0 123#R3              remote frame, DLC 3
//   (1436509053.250225) vcan0 20000080#00...      error frame (error flag in the identifier)
//   (1436509053.450225) vcan0 123##311223344      CAN FD frame
// Three hexadecimal digits are an 11-bit, eight a 29-bit identifier; data
// bytes are pairs of hexadecimal digits, optionally separated by ".". A
// trailing "T" marks a frame the logging node sent (newer can-utils).
//
// ASC of other writers (python-can's ASCWriter, can-utils' log2asc, Vector
// tools): a header of "date", "base hex|dec  timestamps absolute|relative",
// "[no ]internal events logged", comments "//", "Begin Triggerblock", then
//      0.200134 1  F6              Rx   d 5 7A DF E0 7B D2
//      0.250000 1  12345x          Tx   r 8
//      1.000512 1  ErrorFrame
//      1.200512 CANFD   1 Rx        123 ...
// Fields after the data bytes (Vector's "Length = ...") are ignored.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/TarvoCAN.h"

namespace tarvo {

enum TForeignLine : uint8_t {
  FOREIGN_MESSAGE = 0,      // a classic CAN data or remote frame
  FOREIGN_NO_MESSAGE,       // header, comment, marker or empty line
  FOREIGN_ERROR_FRAME,      // not imported
  FOREIGN_FD_FRAME,         // CAN FD: not imported, the adapters speak classic CAN
  FOREIGN_INVALID,          // not understood: not imported
};

struct TForeignMessage {
  TTarvoCAN Message;          // TimeStamp unused here
  uint8_t Direction = 0;      // 0 received, 1 sent by the logging node
  int64_t Microseconds = 0;   // time as written in the log
};

// One line of a candump log.
TForeignLine ReadCandumpLine(std::string_view line, TForeignMessage& out);

// The lines of a foreign ASC file in order (the header sets the base and
// whether times are relative to the previous line).
class TForeignAscReader {
 public:
  TForeignLine Line(std::string_view line, TForeignMessage& out);
  bool Hexadecimal() const { return m_hex; }
  // The header's "date ..." line as written, empty before it.
  const std::string& DateLine() const { return m_dateLine; }

 private:
  std::string m_dateLine;
  bool m_hex = true;
  bool m_relative = false;
  int64_t m_lastMicroseconds = 0;
};

// "1436509052.249713" or "0.2001" to microseconds (digits beyond the sixth
// decimal are cut); false for anything else.
bool SecondsTextToMicroseconds(std::string_view text, int64_t& microseconds);

}  // namespace tarvo
