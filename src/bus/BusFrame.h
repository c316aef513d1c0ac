#pragma once
// One frame as tarvo-bus hands it on: the identifier with the flags of a
// Linux SocketCAN frame (so candump lines and socketcand messages are
// written from it directly), and its time in microseconds since 1970.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/TarvoCAN.h"

namespace tarvo::bus {

inline constexpr uint32_t CanEffFlag = 0x80000000u;  // 29-bit identifier
inline constexpr uint32_t CanRtrFlag = 0x40000000u;  // remote frame
inline constexpr uint32_t CanErrFlag = 0x20000000u;  // error frame: the rest is the error class
inline constexpr uint32_t CanSffMask = 0x000007FFu;
inline constexpr uint32_t CanEffMask = 0x1FFFFFFFu;

// Error classes and controller details of a SocketCAN error frame (8 data
// bytes), as candump and socketcand readers know them.
inline constexpr uint32_t CanErrCrtl = 0x00000004u;      // controller problem, data[1]
inline constexpr uint32_t CanErrProt = 0x00000008u;      // protocol violation (an error frame on the bus)
inline constexpr uint32_t CanErrBusOff = 0x00000040u;
inline constexpr uint32_t CanErrBusError = 0x00000080u;
inline constexpr uint8_t CanErrCrtlTxOverflow = 0x02;
inline constexpr uint8_t CanErrCrtlRxWarning = 0x04;
inline constexpr uint8_t CanErrCrtlTxWarning = 0x08;
inline constexpr uint8_t CanErrCrtlRxPassive = 0x10;
inline constexpr uint8_t CanErrCrtlTxPassive = 0x20;
inline constexpr uint8_t CanErrCrtlActive = 0x40;
inline constexpr uint8_t CanErrDlc = 8;

struct TBusFrame {
  uint32_t CanId = 0;  // identifier | CanEffFlag | CanRtrFlag | CanErrFlag
  uint8_t Len = 0;     // data length; for a remote frame the DLC it asks for
  uint8_t Data[8] = {};
  int64_t TimeUs = 0;  // microseconds since 1970
  bool operator==(const TBusFrame&) const = default;
};

// A received adapter message as a frame at the given time.
TBusFrame FrameOfMessage(const TTarvoCAN& m, int64_t timeUs);
// The adapter message that sends a (data or remote) frame; error frames
// have none.
TTarvoCAN MessageOfFrame(const TBusFrame& f);

// ---- cansend's frame text ----------------------------------------------------------
//
//   123#1122334455667788   11-bit identifier (3 hex digits), up to 8 data bytes
//   12345678#DEADBEEF      29-bit identifier (8 hex digits)
//   123#11.22.33           dots may separate the bytes
//   123#                   no data
//   12345678#R  123#R3     remote frame, with the DLC it asks for (0..8)
//
// CAN FD (ID##...), error flags in the identifier and the DLC suffix
// (_N) are refused: the adapter sends classic CAN frames only.
// On failure error names what is wrong and the frame is untouched.
bool ParseCansendFrame(std::string_view text, TBusFrame& frame, std::string& error);

// ---- candump -L lines ----------------------------------------------------------------
//
//   (1702288800.123456) can0 123#1122
//   (1702288800.123481) can0 18FEF100#FFFF01
//   (1702288800.123500) can0 7DF#R8
//   (1702288800.123520) can0 20000080#0000000000000000   (error frame)
//
// Longest line: 2 + 20 + 7 + 7 + 8 + 1 + 16 + 1 for the line end.
inline constexpr size_t MaxCandumpLineLength = 64;
std::string CandumpLine(const TBusFrame& frame, std::string_view channel = "can0");

// "SECONDS.MICROSECONDS" with six decimals.
std::string SecondsText(int64_t timeUs);

}  // namespace tarvo::bus
