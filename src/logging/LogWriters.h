#pragma once
// The seven line writers: each formats one line of the recording's format
// and appends it to the buffer the GUI thread fills (Buffer[BufferNo]). The
// callers test RecordRunningFlag and the matching RecordMessageTypes entry
// first; without a buffer (no recording) a writer does nothing.
#include <cstdint>

#include "adapter/TarvoAPI.h"
#include "common/DisplaySettings.h"
#include "common/TarvoCAN.h"
#include "logging/LogLines.h"
#include "logging/LogTypes.h"

namespace tarvo {

// The line format of the recording: its file type and base, the status
// marker, and the optional columns as the display options are now.
TLogLineFormat LogLineFormat(const TLog& log, const TDisplaySettings& display);

void LogReceiveMessage(TLog& log, const TDisplaySettings& display, const TTarvoCAN& m, uint32_t count,
                       uint32_t period);

// Nothing is written while txDisplayEnabled is clear (the CAN View does not
// show transmitted messages then either).
void LogTransmitMessage(TLog& log, const TDisplaySettings& display, bool txDisplayEnabled, uint8_t ide,
                        uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8], uint32_t timeMs);

// event: 1 error frame, 2 bus active, 3 bus passive, 4 bus off.
void LogBusEvent(TLog& log, const TDisplaySettings& display, int32_t event, uint32_t timeStamp);

// A bus-load record: receive error counter Param[2], transmit Param[3].
void LogErrorCounters(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status);

// A status record: code Param[2]. Sets the status marker; the caller keeps
// the code as the last one logged.
void LogStatus(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status);

// A bus-load record: whole percent Param[0], tenths Param[1]. busLoadValid
// sets the status marker.
void LogBusLoad(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status, bool busLoadValid);

// A receive-path error at the status record's time.
void LogMessageMissing(TLog& log, const TDisplaySettings& display, const TDeviceStatus& status);

}  // namespace tarvo
