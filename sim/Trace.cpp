#include "sim/Trace.h"

#include "sim/CanFrame.h"
#include "sim/Controller.h"

namespace tarvo::sim {
namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

template <typename... A>
std::string Format(const char* fmt, A... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

const char* ModeName(uint8_t m) {
  switch (m) {
    case 0: return "normal";
    case 1: return "listen-only";
    case 2: return "loopback";
    default: return "invalid";
  }
}

// Shared by both directions: the flags, identifier, DLC and data of a
// CAN-message packet; `after` is the offset of the byte after the data.
std::string DescribeCanBody(const uint8_t* p, size_t n, size_t& after) {
  const uint8_t dlc = n >= 7 ? p[6] : 0;
  if (n < 7 || dlc > 8 || n < 7u + dlc) return "";
  std::string s = Format("%s%s ID=%X DLC=%u", p[1] & 2 ? "29-bit" : "11-bit", p[1] & 1 ? " RTR" : "",
                         unsigned(Le32(p + 2)), unsigned(dlc));
  if (dlc > 0) s += " DATA=" + HexBytes(p + 7, dlc);
  after = 7u + dlc;
  return s;
}

std::string DescribeHostCan(const uint8_t* p, size_t n) {
  size_t after = 0;
  std::string body = DescribeCanBody(p, n, after);
  if (body.empty() || n != after + 1) return "SendCAN invalid length";
  const unsigned buffer = p[after] & 0x0F, period = p[after] >> 4;
  return "SendCAN " + body + Format(" BUF=%u PERIOD=%u", buffer, period);
}

std::string DescribeTiming(const uint8_t* p, size_t n, bool has40MHz) {
  if (n != 7) return "SetBitTiming invalid length";
  const BitTiming t = BitTiming::Decode(p + 1, has40MHz);
  return Format("SetBitTiming SJW-1=%u BRP=0x%02X PHSEG1-1=%u PHSEG2-1=%u PROPSEG-1=%u SAM=%u -> %.0f bit/s (%u MHz)",
                p[1], p[2], p[3], p[4], p[5], p[6], t.BitRate(), unsigned(t.ClockHz / 1000000));
}

std::string DescribeFilters(const uint8_t* p, size_t n) {
  if (n != 39) return "SetFilters invalid length";
  const AcceptanceFilters f = AcceptanceFilters::Decode(p + 1);
  std::string s = Format("SetFilters M1=%08X M2=%08X", unsigned(f.Mask[0]), unsigned(f.Mask[1]));
  for (int i = 0; i < 6; ++i) s += Format(" F%d=%c%08X", i + 1, f.FilterExtended[i] ? 'X' : 'S', unsigned(f.Filter[i]));
  return s;
}

std::string DescribeSimple(const uint8_t* p, size_t n) {
  switch (p[0]) {
    case 1: return n == 1 ? "RequestStatus" : "RequestStatus invalid length";
    case 3: return n == 2 ? Format("SetOperatingMode MODE=%u (%s)", p[1], ModeName(p[1])) : "SetOperatingMode invalid length";
    case 5: return n == 2 ? Format("SetRunState RUN=%u", p[1]) : "SetRunState invalid length";
    case 7: return n == 1 ? "EndConfiguration" : "EndConfiguration invalid length";
    case 9: return n == 1 ? "RequestBusLoad" : "RequestBusLoad invalid length";
    default: return Format("Unknown TYPE=%u", p[0]);
  }
}

}  // namespace

FileTrace::FileTrace(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {}

FileTrace::~FileTrace() {
  if (file_) std::fclose(file_);
}

void FileTrace::Line(const std::string& line) {
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  dirty_ = true;
}

void FileTrace::Flush() {
  if (file_ && dirty_) std::fflush(file_);
  dirty_ = false;
}

std::string HexBytes(const uint8_t* bytes, size_t n) {
  std::string s;
  s.reserve(n * 3);
  for (size_t i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += Format("%02X", bytes[i]);
  }
  return s;
}

std::string DescribeHostPacket(const uint8_t* p, size_t n, bool has40MHz) {
  if (n == 0) return "Empty";
  switch (p[0]) {
    case 0: return DescribeHostCan(p, n);
    case 2: return DescribeTiming(p, n, has40MHz);
    case 4: return DescribeFilters(p, n);
    default: return DescribeSimple(p, n);
  }
}

std::string DescribeAdapterPacket(const uint8_t* p, size_t n) {
  if (n == 9 && p[0] == 1)
    return Format("Status HW=%u SW=%u CODE=%02X BUS=%02X TS=%u", p[1], p[2], p[3], p[4], unsigned(Le32(p + 5)));
  if (n == 9 && p[0] == 3)
    return Format("BusLoad LOAD=%u.%u%% REC=%u TEC=%u TS=%u", p[1], p[2], p[3], p[4], unsigned(Le32(p + 5)));
  size_t after = 0;
  std::string body = n > 0 && p[0] == 0 ? DescribeCanBody(p, n, after) : "";
  if (body.empty() || n != after + 5) return "Unknown";
  return "CAN " + body + Format(" BS=%02X TS=%u", p[after], unsigned(Le32(p + after + 1)));
}

std::string TraceLine(int64_t timeNs, int device, const char* dir, const std::string& text, const uint8_t* bytes,
                      size_t n) {
  std::string s = Format("%lld.%06lld dev%d %s ", (long long)(timeNs / NsPerSecond),
                         (long long)(timeNs % NsPerSecond / 1000), device, dir);
  s += text;
  if (bytes) s += " [" + HexBytes(bytes, n) + "]";
  return s;
}

}  // namespace tarvo::sim
