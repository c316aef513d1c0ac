#pragma once
// The pieces of the adapter's CAN controller (an MCP2515-style part) that the
// firmware configures: bit timing, acceptance masks and filters, and the
// error counters with the state bits derived from them.
#include <cstdint>

#include "sim/CanFrame.h"

namespace tarvo::sim {

struct AdapterSpec;

// Whether the adapter's controller can run from 40 MHz: older Tarvo
// hardware (below 7.0) and older TarvoISO firmware (below 3.0) run from
// 20 MHz only.
bool Has40MHzClock(const AdapterSpec& a);

// The six bytes of a bit-timing command, decoded as the controller's
// register fields take them: BRP from the low 6 bits, each segment from the
// low 3 bits, SJW from the low 2 bits. Bit 6 of the BRP byte selects the
// 40 MHz clock on an adapter that has it; otherwise the clock is 20 MHz.
// One time quantum is 2 * BRP / clock, a bit is 1 + PROPSEG + PHSEG1 +
// PHSEG2 quanta.
struct BitTiming {
  int Sjw = 1;
  int Brp = 2;
  int PhSeg1 = 8;
  int PhSeg2 = 6;
  int PropSeg = 5;
  bool TripleSample = false;
  uint32_t ClockHz = 20'000'000;

  static BitTiming Decode(const uint8_t bytes[6], bool has40MHz);
  double BitRate() const;
};

// Two receive buffers: buffer 1 with mask 1 and filters 1-2, buffer 2 with
// mask 2 and filters 3-6. A mask bit 1 makes that identifier bit count; a
// filter matches only frames of its own format (its IDE flag).
struct AcceptanceFilters {
  uint32_t Mask[2] = {};
  bool FilterExtended[6] = {true, false, true, false, true, false};
  uint32_t Filter[6] = {};

  // The 38 bytes after the command type of a filter command.
  static AcceptanceFilters Decode(const uint8_t bytes[38]);
  bool Accepts(const CanFrame& f) const;
};

// Receive and transmit error counters. The state byte is the image of the
// controller's error flags: 0x01 either counter at 96 or more, 0x02 receive
// warning (REC >= 96), 0x04 transmit warning (TEC >= 96), 0x08 receive
// passive (REC >= 128), 0x10 transmit passive (TEC >= 128), 0x20 bus off.
struct ErrorCounters {
  int Rec = 0;
  int Tec = 0;
  bool BusOff = false;

  uint8_t ReportedRec() const { return uint8_t(Rec > 255 ? 255 : Rec); }
  uint8_t ReportedTec() const { return uint8_t(BusOff || Tec > 255 ? 255 : Tec); }
  uint8_t StateBits() const;
};

}  // namespace tarvo::sim
