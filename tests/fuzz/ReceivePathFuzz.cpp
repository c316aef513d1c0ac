// The receive path over a driver that delivers the adapter's bytes in
// arbitrary pieces: the first input byte seeds how the stream is cut into
// arrivals and how much each read delivers, the rest is the stream.
//
// Checks: nothing reads outside a buffer (sanitizers); every stored message
// is one CAN allows; the message ring never drops a message when the tick
// empties it after every call; and the messages do not depend on how the
// stream was cut (the same stream parsed in one piece gives the same ones).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "adapter/TarvoAPI.h"

namespace {

using namespace tarvo;

struct Driver {
  std::deque<uint8_t> queue;
  uint32_t seed = 1;
  uint32_t Next() {  // a small LCG: the cuts are a pure function of the input
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  }
};
Driver* g_driver = nullptr;

int CheckRXQueue(void*, uint32_t* bytes, uint32_t* status) {
  *bytes = uint32_t(g_driver->queue.size());
  *status = 0;
  return SI_SUCCESS;
}

int Read(void*, void* buffer, uint32_t want, uint32_t* got, void*) {
  uint32_t n = std::min<uint32_t>(want, uint32_t(g_driver->queue.size()));
  if (n > 1 && g_driver->Next() % 4 == 0) n = 1 + g_driver->Next() % n;  // a short read
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < n; ++i) {
    out[i] = g_driver->queue.front();
    g_driver->queue.pop_front();
  }
  *got = n;
  return n < want ? SI_RX_QUEUE_NOT_READY : SI_SUCCESS;
}

int Flush(void*, uint8_t, uint8_t) { return SI_SUCCESS; }

void Check(bool condition) {
  if (!condition) std::abort();
}

void Drain(TCANMessageRing& ring, std::vector<TTarvoCAN>& out) {
  for (TTarvoCAN m; ring.Pop(m);) {
    Check(IsValidCANMessage(m));
    for (int j = m.DLC; j < 8; ++j) Check(m.Data[j] == 0);
    out.push_back(m);
  }
}

bool Same(const TTarvoCAN& a, const TTarvoCAN& b) {
  return a.IDE == b.IDE && a.RTR == b.RTR && a.ID == b.ID && a.DLC == b.DLC &&
         std::memcmp(a.Data, b.Data, 8) == 0 && a.BusState == b.BusState && a.TimeStamp == b.TimeStamp;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 60000) return 0;
  const uint8_t* stream = data + 1;
  const size_t length = size - 1;

  Driver driver;
  driver.seed = data[0] + 1;
  g_driver = &driver;
  TDriver bound;
  bound.DriverStatus = DRIVER_OK;
  bound.Fn.CheckRXQueue = CheckRXQueue;
  bound.Fn.Read = Read;
  bound.Fn.FlushBuffers = Flush;
  auto link = std::make_unique<TDeviceConnection>();
  link->Driver = &bound;
  link->OpenFlag = true;
  link->Handle = nullptr;
  // Start near the ring end, so frames wrap across it.
  link->Rx.ReadIndex = link->Rx.WriteIndex = RxRingSize - 1 - driver.Next() % 64;
  auto ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;

  std::vector<TTarvoCAN> chunked;
  for (size_t at = 0; at < length;) {
    const size_t piece = std::min<size_t>(length - at, 1 + driver.Next() % (data[0] < 128 ? 40 : 4000));
    driver.queue.insert(driver.queue.end(), stream + at, stream + at + piece);
    at += piece;
    ParseRxRing(*link, *ring, status);
    Drain(*ring, chunked);
  }
  for (int i = 0; i < 1000 && !driver.queue.empty(); ++i) {
    ParseRxRing(*link, *ring, status);
    Drain(*ring, chunked);
  }
  Check(driver.queue.empty());
  Check(ring->LostCount == 0);

  // The same stream in one piece, when it fits the byte ring at once.
  if (length < RxReadChunk) {
    auto rx = std::make_unique<TRxRing>();
    std::memcpy(rx->Bytes.data(), stream, length);
    rx->WriteIndex = uint32_t(length);
    auto whole = std::make_unique<TCANMessageRing>();
    TDeviceStatus wholeStatus;
    ParseRxBytes(*rx, *whole, wholeStatus);
    std::vector<TTarvoCAN> once;
    Drain(*whole, once);
    if (whole->LostCount == 0) {
      Check(once.size() == chunked.size());
      for (size_t i = 0; i < once.size(); ++i) Check(Same(once[i], chunked[i]));
    }
  }
  g_driver = nullptr;
  return 0;
}
