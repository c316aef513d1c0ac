#pragma once
#include <cstdint>

namespace tarvo {

// Results of the adapter link: a 16-bit set of bits, 0 = success.
using TResult = uint16_t;

inline constexpr TResult RES_OK = 0x0000;
inline constexpr TResult RES_DRIVER_MISSING = 0x0001;      // library missing, incomplete or too old
inline constexpr TResult RES_DRIVER_TOO_OLD = 0x0002;      // kernel driver too old
inline constexpr TResult RES_DEVICE_LIST_FAILED = 0x0004;
inline constexpr TResult RES_DEVICE_SETUP_FAILED = 0x0008;
inline constexpr TResult RES_NOT_OPEN = 0x0010;
inline constexpr TResult RES_READ_FAILED = 0x0020;
inline constexpr TResult RES_WRITE_FAILED = 0x0040;
inline constexpr TResult RES_WRITE_INCOMPLETE = 0x0080;
inline constexpr TResult RES_RX_OVERRUN = 0x0100;
inline constexpr TResult RES_FRAME_TOO_LONG = 0x0200;
inline constexpr TResult RES_BAD_PACKET_TYPE = 0x0400;
inline constexpr TResult RES_CRC_ERROR = 0x0800;
inline constexpr TResult RES_FRAMING_ERROR = 0x1000;
inline constexpr TResult RES_INVALID_HANDLE = 0x2000;
inline constexpr TResult RES_FAILED = 0x8000;

}  // namespace tarvo
