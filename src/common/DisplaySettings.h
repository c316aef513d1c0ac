#pragma once
// The display settings of the CAN View and the transmit list, one record
// owned by the application object. The field names are the keys of the
// settings file; the defaults are the settings file's defaults. Kept in
// common because the CAN View, the log writers (which columns a line holds)
// and the settings file all read it.
#include <cstdint>

namespace tarvo {

inline constexpr int32_t NUMERIC_DECIMAL = 0;
inline constexpr int32_t NUMERIC_HEXADECIMAL = 1;

// The three ring sizes the Display Options dialog offers; a loaded value is
// clamped into [smallest, largest].
inline constexpr int32_t CyclicBufferSizeSmall = 1000;
inline constexpr int32_t CyclicBufferSizeMedium = 50000;
inline constexpr int32_t CyclicBufferSizeLarge = 1000000;

struct TDisplaySettings {
  int32_t NumericBase = NUMERIC_HEXADECIMAL;
  bool CANTxOnCANViewPage = false;
  bool ASCIIDecode = true;
  bool MessageCount = true;   // "Count" column; also switches cyclic counting on
  bool MessagePeriod = true;  // "Period" column; also switches cyclic counting on
  bool CANErrorCounters = false;
  uint32_t UpdateInterval = 100;  // ms between CAN View refreshes; 0 = every tick
  int32_t CyclicBufferSize = CyclicBufferSizeSmall;
  // "Name" column with the message names of a loaded database; kept in the
  // settings file's own DATABASE section (persistence/DatabaseKeys.h).
  bool MessageName = false;
};

}  // namespace tarvo
