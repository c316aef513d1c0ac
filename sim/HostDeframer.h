#pragma once
// The adapter's side of the framing: cuts the host's byte stream into
// packets. Same rules as the application's receive parser (DLE STX opens a
// frame, also inside an open one; DLE DLE is a data 0x10; DLE ETX closes;
// any other byte after DLE is a framing error), but frames may hold a host
// packet of up to 4095 bytes, and the state survives from one write to the
// next, because USB may split a frame.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvo::sim {

inline constexpr size_t MaxHostPacket = 4095;

struct DeframeEvent {
  enum Kind { Packet, CrcError, FramingError, TooLong, TooShort } Type = Packet;
  const uint8_t* Bytes = nullptr;  // Packet and CrcError: the packet without its CRC
  size_t Length = 0;
  uint16_t ReceivedCrc = 0;        // CrcError
  uint16_t ComputedCrc = 0;
};

class HostDeframer {
 public:
  class Sink {
   public:
    virtual void OnDeframed(const DeframeEvent& e) = 0;

   protected:
    ~Sink() = default;
  };

  void Feed(const uint8_t* bytes, size_t n, Sink& sink);
  void Reset() { escape_ = inFrame_ = false; count_ = 0; }

 private:
  void Append(uint8_t b, Sink& sink);
  void Finish(Sink& sink);
  void Report(DeframeEvent::Kind kind, Sink& sink);

  bool escape_ = false;
  bool inFrame_ = false;
  size_t count_ = 0;
  std::array<uint8_t, MaxHostPacket + 2> buffer_{};  // packet and CRC, unescaped
};

}  // namespace tarvo::sim
