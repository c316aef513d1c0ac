#include <algorithm>
#include <cctype>
#include <cstring>

#include "adapter/DriverAccess.h"
#include "adapter/Framing.h"
#include "adapter/TarvoAPI.h"
#include "common/Clock.h"

namespace tarvo {
namespace {

using detail::DriverStatusOf;
using detail::DriverStatusResult;
using detail::Functions;

constexpr uint32_t AdapterBaudRate = 460800;
constexpr uint16_t LineControl8N1 = 0x0800;
constexpr uint32_t PipeTimeoutMs = 100;
constexpr uint32_t CloseSettleMs = 20;
constexpr int SI_FAILED = -1;  // stands in for the result of a function the table lacks

// Reads one of the device's strings into a 256-byte buffer; the driver's
// text is cut at the buffer end so a missing terminator cannot run past it.
int ReadProductString(const TDeviceConnection& c, uint32_t index, char* buffer, uint32_t selector) {
  const auto getString = Functions(c).GetProductString;
  if (getString == nullptr) return SI_FAILED;
  const int result = getString(index, buffer, selector);
  buffer[SI_MAX_DEVICE_STRLEN - 1] = '\0';
  return result;
}

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

int GetNumDevices(const TDeviceConnection& c, uint32_t& count) {
  const auto getNum = Functions(c).GetNumDevices;
  count = 0;
  return getNum != nullptr ? getNum(&count) : SI_FAILED;
}

// A handle that cannot be used any more is given back to the driver; its
// result changes nothing for the caller.
void ReleaseHandle(TDeviceConnection& c) {
  const auto close = Functions(c).Close;
  if (close != nullptr && c.Handle != INVALID_DEVICE_HANDLE) close(c.Handle);
  c.Handle = INVALID_DEVICE_HANDLE;
}

}  // namespace

int32_t GetHardwareType(const TDeviceConnection& c, uint32_t deviceIndex) {
  if (DriverStatusOf(c) != DRIVER_OK) return HW_OTHER;
  char pid[SI_MAX_DEVICE_STRLEN] = {};
  if (ReadProductString(c, deviceIndex, pid, SI_RETURN_PID) != SI_SUCCESS) return HW_OTHER;
  if (StartsWith(pid, ProductIdTarvo)) return HW_TARVO;
  if (StartsWith(pid, ProductIdTarvoISO)) return HW_TARVO_ISO;
  // Only the AUTO model's ID is compared without regard to case.
  for (char& ch : pid) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  if (StartsWith(pid, ProductIdTarvoAUTO)) return HW_TARVO_AUTO;
  return HW_OTHER;
}

TResult ListDevices(const TDeviceConnection& c, TDeviceInfo* list, size_t capacity, size_t& count) {
  count = 0;
  if (const int32_t status = DriverStatusOf(c); status != DRIVER_OK) return DriverStatusResult(status);
  uint32_t reported = 0;
  if (GetNumDevices(c, reported) != SI_SUCCESS) return RES_DEVICE_LIST_FAILED;
  const size_t examined = std::min<size_t>(reported, capacity);
  for (size_t index = 0; index < examined; ++index) {
    const int32_t type = GetHardwareType(c, uint32_t(index));
    if (type == HW_OTHER) continue;
    TDeviceInfo& entry = list[count];
    if (ReadProductString(c, uint32_t(index), entry.SerialNo, SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS) continue;
    entry.HardwareType = type;
    ++count;
  }
  for (size_t i = count; i < capacity; ++i) list[i] = TDeviceInfo{HW_OTHER, {}};
  return RES_OK;
}

namespace {

// Tries the device at c.DeviceIndex against the selection; on success it is
// open with the adapter's baud rate and its type is returned, else HW_OTHER.
int32_t TryOpen(TDeviceConnection& c, const TDeviceInfo& selection) {
  const uint32_t index = uint32_t(c.DeviceIndex);
  const int32_t type = GetHardwareType(c, index);
  if (type == HW_OTHER) return HW_OTHER;
  if (selection.HardwareType != HW_ANY && selection.HardwareType != type) return HW_OTHER;
  if (ReadProductString(c, index, c.SerialNo, SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS) return HW_OTHER;
  // The selection may give only the leading part of a serial number.
  const size_t wanted = strnlen(selection.SerialNo, sizeof selection.SerialNo);
  if (std::strncmp(c.SerialNo, selection.SerialNo, wanted) != 0) return HW_OTHER;
  const TDriverFunctions& fn = Functions(c);
  if (fn.Open == nullptr || fn.Open(index, &c.Handle) != SI_SUCCESS) {
    c.Handle = INVALID_DEVICE_HANDLE;
    return HW_OTHER;
  }
  if (fn.SetBaudRate == nullptr || fn.SetBaudRate(c.Handle, AdapterBaudRate) != SI_SUCCESS) {
    ReleaseHandle(c);  // not ours to keep: another search may want this device
    return HW_OTHER;
  }
  return type;
}

// Configures the byte pipe of the adapter just opened; the adapter stays open
// whatever this returns.
TResult SetUpPipe(TDeviceConnection& c) {
  const TDriverFunctions& fn = Functions(c);
  if (ReadProductString(c, uint32_t(c.DeviceIndex), c.Description, SI_RETURN_DESCRIPTION) != SI_SUCCESS)
    return RES_DEVICE_SETUP_FAILED;
  if (fn.SetLineControl == nullptr || fn.SetLineControl(c.Handle, LineControl8N1) != SI_SUCCESS)
    return RES_DEVICE_SETUP_FAILED;
  if (fn.SetTimeouts == nullptr || fn.SetTimeouts(PipeTimeoutMs, PipeTimeoutMs) != SI_SUCCESS)
    return RES_DEVICE_SETUP_FAILED;
  return FlushDevice(c);
}

}  // namespace

TResult OpenDevice(TDeviceConnection& c, TDeviceInfo& selection) {
  if (const int32_t status = DriverStatusOf(c); status != DRIVER_OK) return DriverStatusResult(status);
  uint32_t reported = 0;
  if (GetNumDevices(c, reported) != SI_SUCCESS) return RES_DEVICE_LIST_FAILED;
  c.DeviceCount = int32_t(std::min<uint32_t>(reported, INT32_MAX));
  // An adapter left open by an earlier call whose set-up failed is closed
  // first, so the search can open it again.
  if (c.OpenFlag) ReleaseHandle(c);
  c.DeviceIndex = 0;
  c.OpenFlag = false;
  c.Handle = INVALID_DEVICE_HANDLE;
  for (; c.DeviceIndex < c.DeviceCount; ++c.DeviceIndex) {
    const int32_t type = TryOpen(c, selection);
    if (type == HW_OTHER) continue;
    selection.HardwareType = type;
    std::memcpy(selection.SerialNo, c.SerialNo, sizeof selection.SerialNo);
    c.OpenFlag = true;
    break;
  }
  if (!c.OpenFlag) return RES_NOT_OPEN;
  return SetUpPipe(c);
}

TResult CloseDevice(TDeviceConnection& c) {
  if (!c.OpenFlag) return RES_NOT_OPEN;
  // Lets the adapter take the last command (the stop) before the pipe goes.
  if (c.Waits != nullptr) c.Waits->Sleep(CloseSettleMs);
  const auto close = Functions(c).Close;
  const int result = close != nullptr ? close(c.Handle) : SI_FAILED;
  c.OpenFlag = false;
  c.Handle = INVALID_DEVICE_HANDLE;
  if (result == SI_SUCCESS) return RES_OK;
  return result == SI_INVALID_HANDLE ? RES_INVALID_HANDLE : RES_FAILED;
}

TResult FlushDevice(TDeviceConnection& c) {
  TResult result = RES_NOT_OPEN;
  if (c.OpenFlag) {
    const auto flush = Functions(c).FlushBuffers;
    result = flush != nullptr && flush(c.Handle, 1, 1) == SI_SUCCESS ? RES_OK : RES_DEVICE_SETUP_FAILED;
  }
  c.Rx.Reset();
  return result;
}

TResult SendPacket(const TDeviceConnection& c, const uint8_t* packet, size_t length) {
  if (length > MaxHostPacketBytes) return RES_FAILED;
  if (!c.OpenFlag) return RES_NOT_OPEN;
  // Assembled whole so that one write carries it: frames sent from the
  // replay thread and the GUI thread never interleave.
  uint8_t frame[MaxFrameBytes];
  return WriteFrames(c, frame, BuildFrame(packet, length, frame));
}

TResult WriteFrames(const TDeviceConnection& c, const uint8_t* frames, size_t length) {
  if (!c.OpenFlag) return RES_NOT_OPEN;
  const auto write = Functions(c).Write;
  uint32_t written = 0;
  if (write == nullptr || write(c.Handle, const_cast<uint8_t*>(frames), uint32_t(length), &written, nullptr) != SI_SUCCESS)
    return RES_WRITE_FAILED;
  return written == length ? RES_OK : RES_WRITE_INCOMPLETE;
}

}  // namespace tarvo
