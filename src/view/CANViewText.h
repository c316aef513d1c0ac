#pragma once
// Texts of the "CAN View" list: columns, cell texts of every entry kind in
// hexadecimal and decimal, the conversion balloon and the caption of the
// conversion command. Plain C++; the table model calls these from data().
//
// Row texts, columns Type | Time | ID | D1..D8 | ASCII | Count | Period,
// in hexadecimal (decimal shows the identifier and the bytes as plain
// decimal numbers, 7FF -> 2047, 05 -> 5):
//
//   RD 11-bit 0x7FF, data 41 20 7F 42    11 | 1.0000 | 7FF | 41 20 7F 42 | "A  B" | 2 | 0.0100
//   RR 29-bit 0x1ABCDEF0, DLC 3          29 | 1.0000 | 1ABCDEF0 | ? ? ? | (empty) | 2 | 0.0100
//   TD / TR                              as RD / RR, but never a Count or Period
//   EF / BA / BP / BO                    Error / Active / Passive / Off | 1.0000
//   RE / TE, counter 5                   Error | 1.0000 | Count | 05
//
// Count and Period are empty while 0 (first message of an identity, or a
// cyclic identity beyond the 20 that are counted).
// Times are tick values (25.6 us) shown in seconds with four decimals and the
// user's decimal separator: 39063 ticks -> "1.0000", 1 tick -> "0.0000".
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/DisplaySettings.h"
#include "view/CANViewStore.h"

namespace tarvo {

enum TCANViewColumn : uint8_t {
  COLUMN_TYPE,
  COLUMN_TIME,
  COLUMN_ID,
  COLUMN_D1,
  COLUMN_D8 = COLUMN_D1 + 7,
  COLUMN_ASCII,
  COLUMN_COUNT,
  COLUMN_PERIOD,
  // The message name from a loaded database, last, while the option is on;
  // its text comes from the database, not from here (no text).
  COLUMN_NAME,
};
// The columns whose texts are formatted here.
inline constexpr size_t CANViewColumnKinds = COLUMN_PERIOD + 1;
inline constexpr size_t CANViewColumnSlots = COLUMN_NAME + 1;

const char* CANViewColumnTitle(TCANViewColumn column);

// The columns present: Type, Time, ID, D1..D8, then ASCII, Count, Period
// and Name while the matching option is on, in that order.
struct TCANViewColumns {
  std::array<TCANViewColumn, CANViewColumnSlots> Column{};
  int32_t Count = 0;
};
TCANViewColumns ConfigureCANViewColumns(const TDisplaySettings& settings);

struct TCANViewTextFormat {
  bool Hexadecimal = true;
  std::string_view DecimalSeparator = ".";  // UTF-8, from the user's locale; not owned
};

// Longest cell: a 2^32 - 1 tick time with a four-byte separator.
inline constexpr size_t CANViewCellCapacity = 32;

// Writes the UTF-8 text of one cell (not terminated) and returns its length;
// 0 means the cell has no text. out holds CANViewCellCapacity bytes.
size_t FormatCANViewCell(const TCANViewMessage& entry, TCANViewColumn column, const TCANViewTextFormat& format,
                         char* out);
std::string CANViewCellText(const TCANViewMessage& entry, TCANViewColumn column, const TCANViewTextFormat& format);

// A tick value in seconds: (ticks x 0.256 rounded, halves to even) / 10000
// with four decimals. Returns the length written (at most CANViewCellCapacity).
size_t FormatTickTime(uint32_t ticks, std::string_view decimalSeparator, char* out);

// ---- Conversion balloon and command ---------------------------------------------------

inline constexpr int32_t ConversionBalloonTimeoutMs = 20000;
inline constexpr int32_t NoSelectionBalloonTimeoutMs = 2000;

struct TConversionBalloon {
  bool Show = false;
  std::string Title;
  std::string Text;
  int32_t TimeoutMs = 0;
};

// The selected row (-1: none) in the base the list does not show. Status
// rows, and rows the list shows beyond the store's Count, show nothing.
TConversionBalloon BuildConversionBalloon(const TCANView& view, int32_t selectedRow, int32_t numericBase,
                                          std::string_view decimalSeparator);

// The left edge of the balloon is kept at least this far from the screen's left.
inline constexpr int BalloonMinimumX = 200;

struct TConversionCommand {
  const char* Caption;
  int32_t ImageIndex;  // in the command image list
};
TConversionCommand ConversionCommandCaption(int32_t numericBase);

}  // namespace tarvo
