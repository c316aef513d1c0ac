#include "sim/HostDeframer.h"

#include "adapter/Crc.h"
#include "adapter/Framing.h"

namespace tarvo::sim {

void HostDeframer::Feed(const uint8_t* bytes, size_t n, Sink& sink) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = bytes[i];
    if (!escape_) {
      if (b == DLE) escape_ = true;
      else if (inFrame_) Append(b, sink);
      continue;
    }
    escape_ = false;
    if (b == STX) {
      inFrame_ = true;
      count_ = 0;
    } else if (b == DLE && inFrame_) {
      Append(DLE, sink);
    } else if (b == ETX && inFrame_) {
      inFrame_ = false;
      Finish(sink);
    } else {
      inFrame_ = false;
      Report(DeframeEvent::FramingError, sink);
    }
  }
}

void HostDeframer::Append(uint8_t b, Sink& sink) {
  if (count_ == buffer_.size()) {
    inFrame_ = escape_ = false;
    Report(DeframeEvent::TooLong, sink);
    return;
  }
  buffer_[count_++] = b;
}

void HostDeframer::Finish(Sink& sink) {
  if (count_ < 2) {
    Report(DeframeEvent::TooShort, sink);
    return;
  }
  const size_t length = count_ - 2;
  uint16_t crc = 0;
  CRC16Update(buffer_.data(), uint16_t(length), crc);
  DeframeEvent e;
  e.Bytes = buffer_.data();
  e.Length = length;
  e.ReceivedCrc = uint16_t(buffer_[length] | (buffer_[length + 1] << 8));
  e.ComputedCrc = crc;
  e.Type = crc == e.ReceivedCrc ? DeframeEvent::Packet : DeframeEvent::CrcError;
  sink.OnDeframed(e);
}

void HostDeframer::Report(DeframeEvent::Kind kind, Sink& sink) {
  DeframeEvent e;
  e.Type = kind;
  sink.OnDeframed(e);
}

}  // namespace tarvo::sim
