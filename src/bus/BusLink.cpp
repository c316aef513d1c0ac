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
  m_ticks += int32_t(ticks - m_lastTicks);
  m_lastTicks = ticks;
  return m_startUs + TicksToUs(m_ticks);
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
  m_driver.Loader = &loader;
  m_connection.Driver = &m_driver;
  m_connection.Waits = &m_clock;
}

TBusLink::~TBusLink() { Close(); }

bool TBusLink::Open(const std::string& serialNo, std::string& error) {
  InitDriver(m_driver);
  m_driverBound = true;
  if (m_driver.DriverStatus == DRIVER_LIBRARY_MISSING) {
    error = "the adapter driver library (TarvoUSB) is missing or too old";
    return false;
  }
  if (m_driver.DriverStatus != DRIVER_OK) {
    error = "the adapter's kernel driver is too old";
    return false;
  }
  TDeviceInfo selection;
  if (!serialNo.empty()) {
    // The driver's selection takes a serial number's leading part; here
    // the user names one adapter, so the whole number must match.
    TDeviceInfo list[DeviceChooserCapacity];
    size_t count = 0;
    ListDevices(m_connection, list, DeviceChooserCapacity, count);
    bool listed = false;
    for (size_t i = 0; i < count; ++i) listed = listed || serialNo == list[i].SerialNo;
    if (!listed || serialNo.size() >= sizeof selection.SerialNo) {
      error = "no adapter with serial number " + serialNo;
      return false;
    }
    std::memcpy(selection.SerialNo, serialNo.c_str(), serialNo.size() + 1);
  }
  const TResult opened = OpenDevice(m_connection, selection);
  if (opened != RES_OK || !m_connection.OpenFlag) {
    error = m_connection.OpenFlag ? "the adapter could not be set up" : "no Tarvo adapter found";
    return false;
  }
  m_setup.SerialNo = m_connection.SerialNo;
  return Identify(error);
}

// One status request, as the program identifies an adapter, answered
// within a bounded wait.
bool TBusLink::Identify(std::string& error) {
  TDeviceStatus status;
  if (RequestStatus(m_connection) != RES_OK) {
    error = "the adapter does not take commands";
    return false;
  }
  const auto deadline = SteadyTime::now() + std::chrono::milliseconds(500);
  while (status.StatusType != 1 && SteadyTime::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ParseRxRing(m_connection, m_ring, status);
  }
  if (status.StatusType != 1) {
    error = "the adapter does not answer";
    return false;
  }
  int32_t model = GetHardwareType(m_connection, uint32_t(m_connection.DeviceIndex));
  m_clock40MHz = HasCANClock40MHz(model, status.Param[0], status.Param[1]);
  // A Tarvo AUTO may come up already running on its bus.
  if (model == HW_TARVO_AUTO) SetRunState(m_connection, 0);
  m_ring.Discard();
  return true;
}

bool TBusLink::Start(const TBusSetup& setup, std::string& error) {
  TBitTimingValues values;
  if (setup.Timing) {
    values = *setup.Timing;
    const char* broken = FirstSegmentRuleMessage(values);
    if (broken == nullptr && BitRateKbps(values, m_clock40MHz) > MaximumBitRateKbps) broken = MaximumBitRateMessage;
    if (broken != nullptr) {
      error = broken;
      return false;
    }
  } else {
    const TBaudRatePreset* preset = FindBaudRatePreset(setup.PresetNumber);
    if (preset == nullptr || !PresetTimingFor(*preset, m_clock40MHz, values, error)) {
      if (preset == nullptr) error = "no such bit rate";
      return false;
    }
  }
  m_setup = setup;
  m_bitRate = uint32_t(std::lround(BitRateKbps(values, m_clock40MHz) * 1000.0));
  const TSetBitTimingArgs t = SetBitTimingArguments(values, m_clock40MHz);
  // The waits between the commands are those of the program's start.
  bool ok = SetBitTiming(m_connection, t.SJWMinus1, t.BRPByte, t.PHSEG1Minus1, t.PHSEG2Minus1, t.PROPSEGMinus1,
                         t.TripleSample) == RES_OK;
  if (ok) m_clock.Sleep(100);
  ok = ok && SetOperatingMode(m_connection, OperatingModeByte(setup.Mode)) == RES_OK;
  if (ok) m_clock.Sleep(10);
  ok = ok && SetFilters(m_connection, setup.Filters) == RES_OK;
  if (ok) m_clock.Sleep(10);
  m_ring = TCANMessageRing{};
  ok = ok && FlushDevice(m_connection) == RES_OK && EndConfiguration(m_connection) == RES_OK;
  if (!ok) {
    error = "the adapter did not take its set-up";
    return false;
  }
  // The adapter counts its time stamps from the run command.
  m_runClock.Start(SystemMicroseconds());
  if (SetRunState(m_connection, 1) != RES_OK) {
    error = "the adapter did not start";
    return false;
  }
  m_running = true;
  m_lastBusState = 0;
  m_nextStatusRequest = SteadyTime::now() + StatusRequestPeriod;
  m_lastGoodRead = SteadyTime::now();
  return true;
}

void TBusLink::RequestStatusWhenDue() {
  const auto now = SteadyTime::now();
  if (now < m_nextStatusRequest) return;
  RequestStatus(m_connection);
  m_nextStatusRequest += StatusRequestPeriod;
  if (m_nextStatusRequest < now) m_nextStatusRequest = now + StatusRequestPeriod;
}

bool TBusLink::Poll(std::vector<TBusFrame>& frames) {
  if (!m_running) return false;
  RequestStatusWhenDue();
  // Each round empties the message ring before the next fill, so the ring
  // never has to refuse a message the driver handed over.
  for (int round = 0; round < 64; ++round) {
    const TResult r = ParseRxRing(m_connection, m_ring, m_status);
    if ((r & (RES_READ_FAILED | RES_NOT_OPEN | RES_INVALID_HANDLE)) == 0) m_lastGoodRead = SteadyTime::now();
    const bool more = m_ring.FullFlag || m_ring.FreeSlots() < CANMessageRingSize / 2;
    TTarvoCAN m;
    while (m_ring.Pop(m))
      if (IsValidCANMessage(m)) frames.push_back(FrameOfMessage(m, m_runClock.TimeOf(m.TimeStamp)));
    if (m_status.StatusType == 1) {
      TBusFrame errors[2];
      const int64_t t = m_runClock.TimeOf(m_status.TimeStamp);
      const size_t n = StatusErrorFrames(m_status.Param[2], m_status.Param[3], m_lastBusState, t, errors);
      frames.insert(frames.end(), errors, errors + n);
    }
    m_status.StatusType = 0;
    if (!more) break;
  }
  return SteadyTime::now() - m_lastGoodRead < UnreadableLimit;
}

bool TBusLink::Send(std::span<const TBusFrame> frames) {
  TTarvoCAN batch[MaxMessagesPerWrite];
  size_t n = 0;
  bool ok = true;
  for (const TBusFrame& f : frames) {
    if ((f.CanId & CanErrFlag) != 0) continue;
    batch[n++] = MessageOfFrame(f);
    if (n == MaxMessagesPerWrite) {
      ok = SendCANMessages(m_connection, std::span(batch, n)) == RES_OK && ok;
      n = 0;
    }
  }
  if (n > 0) ok = SendCANMessages(m_connection, std::span(batch, n)) == RES_OK && ok;
  return ok;
}

bool TBusLink::SetRepetition(const TBusFrame& f, uint8_t buffer, uint8_t periodCode) {
  if (buffer < 1 || buffer > 15 || periodCode > 10 || (f.CanId & CanErrFlag) != 0) return false;
  m_periodCodes[buffer] = periodCode;
  const TTarvoCAN m = MessageOfFrame(f);
  return SendCANMessage(m_connection, m.IDE, m.ID, m.RTR, m.DLC, m.Data, buffer, periodCode) == RES_OK;
}

bool TBusLink::UpdateRepetition(const TBusFrame& f, uint8_t buffer) {
  if (buffer < 1 || buffer > 15 || m_periodCodes[buffer] == 0) return false;
  return SetRepetition(f, buffer, m_periodCodes[buffer]);
}

// The frames still in the driver's queue when the stop goes out are part
// of the run: they are read before the adapter is closed.
void TBusLink::Stop(std::vector<TBusFrame>& frames) {
  if (!m_running) return;
  SetRunState(m_connection, 0);
  m_clock.Sleep(StopSettleMs);
  Poll(frames);
  m_running = false;
}

void TBusLink::Close() {
  if (m_connection.OpenFlag) {
    // Also when the run has stopped: a Tarvo AUTO may have come up running.
    // The stop may fail (adapter gone): closing goes on regardless.
    SetRunState(m_connection, 0);
    CloseDevice(m_connection);
  }
  m_running = false;
  if (m_driverBound) DoneDriver(m_driver);
  m_driverBound = false;
}

}  // namespace tarvo::bus
