#pragma once
// One message of a log as the file has it: the time as written (integer
// nanoseconds from the log's zero, never adapter ticks), the channel, the
// direction, 11 or 29 bits, remote and error frames, and CAN FD frames of
// up to 64 bytes with their BRS and ESI bits. Every offline reader hands
// out these and every writer takes them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

enum TLogMessageFlag : uint16_t {
  LOG_EXTENDED = 0x01,     // 29-bit identifier
  LOG_REMOTE = 0x02,       // remote frame: DLC without data
  LOG_ERROR_FRAME = 0x04,  // an error frame on the bus (ID and data as the file gives them)
  LOG_FD = 0x08,           // CAN FD frame
  LOG_BRS = 0x10,          // CAN FD: bit rate switched
  LOG_ESI = 0x20,          // CAN FD: error state indicator
  LOG_TX = 0x40,           // sent by the logging node
};

// Besides frames, Tarvo's own TXT and CSV logs record changes of the bus
// state; they travel as messages of their own so that a conversion can keep
// them where the target has a line for them.
enum TLogEvent : uint8_t {
  LOG_FRAME = 0,
  LOG_BUS_ACTIVE = 2,
  LOG_BUS_PASSIVE = 3,
  LOG_BUS_OFF = 4,
};

inline constexpr int MaxLogDataBytes = 64;

struct TLogMessage {
  int64_t Time = 0;      // nanoseconds from the log's zero (TLogInfo)
  uint32_t ID = 0;
  uint16_t Flags = 0;    // TLogMessageFlag
  uint16_t Channel = 1;  // 1 for the first channel
  uint8_t DLC = 0;       // as written; for CAN FD the DLC code 0..15
  uint8_t Length = 0;    // data bytes held, 0..64
  uint8_t Event = LOG_FRAME;
  uint8_t Data[MaxLogDataBytes] = {};

  // Back to an empty frame of channel 1; the data bytes beyond Length carry
  // no meaning and are left as they are (a reader sets Length bytes).
  void Reset() {
    Time = 0;
    ID = 0;
    Flags = 0;
    Channel = 1;
    DLC = 0;
    Length = 0;
    Event = LOG_FRAME;
  }

  bool Extended() const { return Flags & LOG_EXTENDED; }
  bool Remote() const { return Flags & LOG_REMOTE; }
  bool ErrorFrame() const { return Flags & LOG_ERROR_FRAME; }
  bool Fd() const { return Flags & LOG_FD; }
  bool Tx() const { return Flags & LOG_TX; }
};

// The CAN FD data length code of a length, and the length of a code.
inline uint8_t FdLengthOfDlc(uint8_t dlc) {
  static constexpr uint8_t lengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
  return lengths[dlc & 15];
}
inline uint8_t FdDlcOfLength(uint8_t length) {
  if (length <= 8) return length;
  if (length <= 12) return 9;
  if (length <= 16) return 10;
  if (length <= 20) return 11;
  if (length <= 24) return 12;
  if (length <= 32) return 13;
  if (length <= 48) return 14;
  return 15;
}

// Every format the log library reads and writes.
enum TLogFormat : uint8_t {
  LOG_FORMAT_UNKNOWN = 0,
  LOG_FORMAT_TXT,      // Tarvo TXT
  LOG_FORMAT_CSV,      // Tarvo CSV
  LOG_FORMAT_ASC,      // ASC: Tarvo's and other tools'
  LOG_FORMAT_CANDUMP,  // can-utils candump -l / -L
  LOG_FORMAT_BLF,      // binary logging format
  LOG_FORMAT_TRC,      // PCAN-View trace, versions 1.0, 1.1, 2.0, 2.1
};

// What a reader knows of the whole log; complete once the first message
// was read (or the end reached).
struct TLogInfo {
  TLogFormat Format = LOG_FORMAT_UNKNOWN;
  // Times count from 1970-01-01 UTC (candump); the log's zero is then the
  // epoch itself.
  bool EpochTimes = false;
  // The moment of time 0 as nanoseconds since 1970 (UTC), when the file says
  // it: an ASC date line, a BLF header, a TRC start time, a Tarvo header.
  std::optional<int64_t> StartEpochNs;
  // The header's date as written, for messages ("date Tue Dec 08 9:4:5 2026").
  std::string DateText;
  // Identifiers and data in hexadecimal (Tarvo logs and ASC have a base).
  bool Hexadecimal = true;
  // Names of the channels where the file names them (candump's "can0");
  // index = Channel - 1.
  std::vector<std::string> ChannelNames;
  // Tarvo TXT/CSV only: the time and date texts of the header line, as written.
  std::string HeaderTime, HeaderDate;
};

}  // namespace tarvo
