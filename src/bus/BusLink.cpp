#include "bus/BusLink.h"

#include <cmath>
#include <cstring>
#include <thread>

namespace tarvo::bus {

namespace {

using SteadyTime = std::chrono::steady_clock;

int64_t SystemMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TBusFrame ErrorFrame(uint32_t errorClass, int64_t timeUs) {
  TBusFrame f;
  f.CanId = CanErrFlag | errorClass;
  f.Len = CanErrDlc;
  f.TimeUs = timeUs;
  return f;
}

// Controller detail bits for the warning and passive bits of the adapter's
// bus-state byte (0x02 receive warning, 0x04 transmit warning, 0x08
// receive passive, 0x10 transmit passive).
uint8_t ControllerDetail(uint8_t busState) {
  uint8_t detail = 0;
  if (busState & 0x02) detail |= CanErrCrtlRxWarning;
  if (busState & 0x04) detail |= CanErrCrtlTxWarning;
  if (busState & 0x08) detail |= CanErrCrtlRxPassive;
  if (busState & 0x10) detail |= CanErrCrtlTxPassive;
  return detail;
}

constexpr uint32_t StopSettleMs = 20;
constexpr auto StatusRequestPeriod = std::chrono::seconds(1);
constexpr auto UnreadableLimit = std::chrono::seconds(1);
constexpr uint8_t StatusCanRxInvalid = 0x20;
constexpr uint8_t StatusCanTxOverrun = 0x40;
constexpr uint8_t StatusCanBusError = 0x80;
constexpr uint8_t BusStateBusOff = 0x20;

}  // namespace

int64_t TRunClock::TimeOf(uint32_t ticks) {
  ticks_ += int32_t(ticks - lastTicks_);
  lastTicks_ = ticks;
  return startUs_ + TicksToUs(ticks_);
}

size_t StatusErrorFrames(uint8_t statusCode, uint8_t busState, uint8_t& lastBusState, int64_t timeUs,
                         TBusFrame (&out)[2]) {
  size_t n = 0;
  if (busState != lastBusState) {
    TBusFrame f;
    if (busState & BusStateBusOff) {
      f = ErrorFrame(CanErrBusOff, timeUs);
    } else {
      f = ErrorFrame(CanErrCrtl, timeUs);
      const uint8_t detail = ControllerDetail(busState);
      f.Data[1] = detail != 0 ? detail : CanErrCrtlActive;
    }
    lastBusState = busState;
    out[n++] = f;
  }
  uint32_t latched = 0;
  if (statusCode & StatusCanRxInvalid) latched |= CanErrProt;
  if (statusCode & StatusCanBusError) latched |= CanErrBusError;
  if (statusCode & StatusCanTxOverrun) latched |= CanErrCrtl;
  if (latched != 0) {
    TBusFrame f = ErrorFrame(latched, timeUs);
    if (statusCode & StatusCanTxOverrun) f.Data[1] = CanErrCrtlTxOverflow;
    out[n++] = f;
  }
  return n;
}

TBusLink::TBusLink(LibraryLoader& loader) {
  driver_.Loader = &loader;
  connection_.Driver = &driver_;
  connection_.Waits = &clock_;
}

TBusLink::~TBusLink() { Close(); }

bool TBusLink::Open(const std::string& serialNo, std::string& error) {
  InitDriver(driver_);
  driverBound_ = true;
  if (driver_.DriverStatus == DRIVER_LIBRARY_MISSING) {
    error = "the adapter driver library (TarvoUSB) is missing or too old";
    return false;
  }
  if (driver_.DriverStatus != DRIVER_OK) {
    error = "the adapter's kernel driver is too old";
    return false;
  }
  TDeviceInfo selection;
  if (!serialNo.empty()) {
    // The driver's selection takes a serial number's leading part; here
    // the user names one adapter, so the whole number must match.
    TDeviceInfo list[DeviceChooserCapacity];
    size_t count = 0;
    ListDevices(connection_, list, DeviceChooserCapacity, count);
    bool listed = false;
    for (size_t i = 0; i < count; ++i) listed = listed || serialNo == list[i].SerialNo;
    if (!listed || serialNo.size() >= sizeof selection.SerialNo) {
      error = "no adapter with serial number " + serialNo;
      return false;
    }
    std::memcpy(selection.SerialNo, serialNo.c_str(), serialNo.size() + 1);
  }
  const TResult opened = OpenDevice(connection_, selection);
  if (opened != RES_OK || !connection_.OpenFlag) {
    error = connection_.OpenFlag ? "the adapter could not be set up" : "no Tarvo adapter found";
    return false;
  }
  setup_.SerialNo = connection_.SerialNo;
  return Identify(error);
}

// One status request, as the program identifies an adapter, answered
// within a bounded wait.
bool TBusLink::Identify(std::string& error) {
  TDeviceStatus status;
  if (RequestStatus(connection_) != RES_OK) {
    error = "the adapter does not take commands";
    return false;
  }
  const auto deadline = SteadyTime::now() + std::chrono::milliseconds(500);
  while (status.StatusType != 1 && SteadyTime::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ParseRxRing(connection_, ring_, status);
  }
  if (status.StatusType != 1) {
    error = "the adapter does not answer";
    return false;
  }
  int32_t model = GetHardwareType(connection_, uint32_t(connection_.DeviceIndex));
  clock40MHz_ = HasCANClock40MHz(model, status.Param[0], status.Param[1]);
  // A Tarvo AUTO may come up already running on its bus.
  if (model == HW_TARVO_AUTO) SetRunState(connection_, 0);
  ring_.Discard();
  return true;
}

bool TBusLink::Start(const TBusSetup& setup, std::string& error) {
  TBitTimingValues values;
  if (setup.Timing) {
    values = *setup.Timing;
    const char* broken = FirstSegmentRuleMessage(values);
    if (broken == nullptr && BitRateKbps(values, clock40MHz_) > MaximumBitRateKbps) broken = MaximumBitRateMessage;
    if (broken != nullptr) {
      error = broken;
      return false;
    }
  } else {
    const TBaudRatePreset* preset = FindBaudRatePreset(setup.PresetNumber);
    if (preset == nullptr || !PresetTimingFor(*preset, clock40MHz_, values, error)) {
      if (preset == nullptr) error = "no such bit rate";
      return false;
    }
  }
  setup_ = setup;
  bitRate_ = uint32_t(std::lround(BitRateKbps(values, clock40MHz_) * 1000.0));
  const TSetBitTimingArgs t = SetBitTimingArguments(values, clock40MHz_);
  // The waits between the commands are those of the program's start.
  bool ok = SetBitTiming(connection_, t.SJWMinus1, t.BRPByte, t.PHSEG1Minus1, t.PHSEG2Minus1, t.PROPSEGMinus1,
                         t.TripleSample) == RES_OK;
  if (ok) clock_.Sleep(100);
  ok = ok && SetOperatingMode(connection_, OperatingModeByte(setup.Mode)) == RES_OK;
  if (ok) clock_.Sleep(10);
  ok = ok && SetFilters(connection_, setup.Filters) == RES_OK;
  if (ok) clock_.Sleep(10);
  ring_ = TCANMessageRing{};
  ok = ok && FlushDevice(connection_) == RES_OK && EndConfiguration(connection_) == RES_OK;
  if (!ok) {
    error = "the adapter did not take its set-up";
    return false;
  }
  // The adapter counts its time stamps from the run command.
  runClock_.Start(SystemMicroseconds());
  if (SetRunState(connection_, 1) != RES_OK) {
    error = "the adapter did not start";
    return false;
  }
  running_ = true;
  lastBusState_ = 0;
  nextStatusRequest_ = SteadyTime::now() + StatusRequestPeriod;
  lastGoodRead_ = SteadyTime::now();
  return true;
}

void TBusLink::RequestStatusWhenDue() {
  const auto now = SteadyTime::now();
  if (now < nextStatusRequest_) return;
  RequestStatus(connection_);
  nextStatusRequest_ += StatusRequestPeriod;
  if (nextStatusRequest_ < now) nextStatusRequest_ = now + StatusRequestPeriod;
}

bool TBusLink::Poll(std::vector<TBusFrame>& frames) {
  if (!running_) return false;
  RequestStatusWhenDue();
  // Each round empties the message ring before the next fill, so the ring
  // never has to refuse a message the driver handed over.
  for (int round = 0; round < 64; ++round) {
    const TResult r = ParseRxRing(connection_, ring_, status_);
    if ((r & (RES_READ_FAILED | RES_NOT_OPEN | RES_INVALID_HANDLE)) == 0) lastGoodRead_ = SteadyTime::now();
    const bool more = ring_.FullFlag || ring_.FreeSlots() < CANMessageRingSize / 2;
    TTarvoCAN m;
    while (ring_.Pop(m))
      if (IsValidCANMessage(m)) frames.push_back(FrameOfMessage(m, runClock_.TimeOf(m.TimeStamp)));
    if (status_.StatusType == 1) {
      TBusFrame errors[2];
      const int64_t t = runClock_.TimeOf(status_.TimeStamp);
      const size_t n = StatusErrorFrames(status_.Param[2], status_.Param[3], lastBusState_, t, errors);
      frames.insert(frames.end(), errors, errors + n);
    }
    status_.StatusType = 0;
    if (!more) break;
  }
  return SteadyTime::now() - lastGoodRead_ < UnreadableLimit;
}

bool TBusLink::Send(std::span<const TBusFrame> frames) {
  TTarvoCAN batch[MaxMessagesPerWrite];
  size_t n = 0;
  bool ok = true;
  for (const TBusFrame& f : frames) {
    if ((f.CanId & CanErrFlag) != 0) continue;
    batch[n++] = MessageOfFrame(f);
    if (n == MaxMessagesPerWrite) {
      ok = SendCANMessages(connection_, std::span(batch, n)) == RES_OK && ok;
      n = 0;
    }
  }
  if (n > 0) ok = SendCANMessages(connection_, std::span(batch, n)) == RES_OK && ok;
  return ok;
}

bool TBusLink::SetRepetition(const TBusFrame& f, uint8_t buffer, uint8_t periodCode) {
  if (buffer < 1 || buffer > 15 || periodCode > 10 || (f.CanId & CanErrFlag) != 0) return false;
  periodCodes_[buffer] = periodCode;
  const TTarvoCAN m = MessageOfFrame(f);
  return SendCANMessage(connection_, m.IDE, m.ID, m.RTR, m.DLC, m.Data, buffer, periodCode) == RES_OK;
}

bool TBusLink::UpdateRepetition(const TBusFrame& f, uint8_t buffer) {
  if (buffer < 1 || buffer > 15 || periodCodes_[buffer] == 0) return false;
  return SetRepetition(f, buffer, periodCodes_[buffer]);
}

// The frames still in the driver's queue when the stop goes out are part
// of the run: they are read before the adapter is closed.
void TBusLink::Stop(std::vector<TBusFrame>& frames) {
  if (!running_) return;
  SetRunState(connection_, 0);
  clock_.Sleep(StopSettleMs);
  Poll(frames);
  running_ = false;
}

void TBusLink::Close() {
  if (connection_.OpenFlag) {
    // Also when the run has stopped: a Tarvo AUTO may have come up running.
    // The stop may fail (adapter gone): closing goes on regardless.
    SetRunState(connection_, 0);
    CloseDevice(connection_);
  }
  running_ = false;
  if (driverBound_) DoneDriver(driver_);
  driverBound_ = false;
}

}  // namespace tarvo::bus
