#pragma once
// The protocol trace: one line per packet in each direction,
//
//   <seconds> dev<n> H>A|A>H <name> <decoded fields> [<packet bytes in hex>]
//
// e.g.
//   1.250000 dev0 H>A SetBitTiming SJW-1=0 BRP=0x43 PHSEG1-1=7 PHSEG2-1=5 PROPSEG-1=4 SAM=0 [02 00 43 07 05 04 00]
//   1.502118 dev0 A>H CAN 29-bit ID=18FF1234 DLC=8 DATA=01 02 03 04 05 06 07 08 BS=00 TS=1234 [...]
//
// The bracketed bytes are the packet as sent (type byte first), before
// framing and without its CRC. Host frames that fail deframing get a line
// of their own (CrcError, FramingError, TooLong, TooShort), and driver
// events (open, close, flush, overrun) are lines with the direction "---".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tarvo::sim {

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void Line(const std::string& line) = 0;
};

// Appends lines to a file; flushed by the driver after each call that wrote.
class FileTrace : public TraceSink {
 public:
  explicit FileTrace(const std::string& path);
  ~FileTrace() override;
  bool IsOpen() const { return file_ != nullptr; }
  void Line(const std::string& line) override;
  void Flush();

 private:
  std::FILE* file_ = nullptr;
  bool dirty_ = false;
};

std::string HexBytes(const uint8_t* bytes, size_t n);
// The decoded part of a line, without time, device, direction and bytes.
std::string DescribeHostPacket(const uint8_t* p, size_t n, bool has40MHz);
std::string DescribeAdapterPacket(const uint8_t* p, size_t n);
// "<seconds> dev<n> <dir> <text> [<hex>]"
std::string TraceLine(int64_t timeNs, int device, const char* dir, const std::string& text,
                      const uint8_t* bytes = nullptr, size_t n = 0);

}  // namespace tarvo::sim
