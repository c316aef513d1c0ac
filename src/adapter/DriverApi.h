#pragma once
#include <cstdint>

// The sixteen functions of the TarvoUSB driver library (the USBXpress byte
// pipe), with C linkage. Results: 0 = success.
extern "C" {
typedef int (*SI_GetNumDevices_t)(uint32_t* numDevices);
typedef int (*SI_GetProductString_t)(uint32_t deviceIndex, void* buffer, uint32_t options);
typedef int (*SI_Open_t)(uint32_t deviceIndex, void** handle);
typedef int (*SI_Close_t)(void* handle);
typedef int (*SI_Read_t)(void* handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead, void* overlapped);
typedef int (*SI_Write_t)(void* handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten, void* overlapped);
typedef int (*SI_FlushBuffers_t)(void* handle, uint8_t flushTransmit, uint8_t flushReceive);
typedef int (*SI_CheckRXQueue_t)(void* handle, uint32_t* bytesInQueue, uint32_t* queueStatus);
typedef int (*SI_SetTimeouts_t)(uint32_t readTimeoutMs, uint32_t writeTimeoutMs);
typedef int (*SI_GetTimeouts_t)(uint32_t* readTimeoutMs, uint32_t* writeTimeoutMs);
typedef int (*SI_SetBaudRate_t)(void* handle, uint32_t baudRate);
typedef int (*SI_SetLineControl_t)(void* handle, uint16_t lineControl);
typedef int (*SI_SetFlowControl_t)(void* handle, uint8_t cts, uint8_t rts, uint8_t dtr, uint8_t dsr, uint8_t dcd, int xonXoff);
typedef int (*SI_GetModemStatus_t)(void* handle, uint8_t* modemStatus);
typedef int (*SI_GetDLLVersion_t)(uint32_t* high, uint32_t* low);
typedef int (*SI_GetDriverVersion_t)(uint32_t* high, uint32_t* low);
}

namespace tarvo {

// Result codes and selectors of the driver interface that the link relies on.
inline constexpr int SI_SUCCESS = 0;
inline constexpr int SI_INVALID_HANDLE = 1;
inline constexpr int SI_RX_QUEUE_NOT_READY = 0x0D;  // read time-out, partial data delivered
inline constexpr uint32_t SI_RX_OVERRUN = 1;        // queue status of SI_CheckRXQueue
inline constexpr uint32_t SI_RETURN_SERIAL_NUMBER = 0;
inline constexpr uint32_t SI_RETURN_DESCRIPTION = 1;
inline constexpr uint32_t SI_RETURN_PID = 4;
inline constexpr uint32_t SI_MAX_DEVICE_STRLEN = 256;

// One pointer per imported function, in lookup order; all null when unbound.
struct TDriverFunctions {
  SI_GetNumDevices_t GetNumDevices = nullptr;
  SI_GetProductString_t GetProductString = nullptr;
  SI_Open_t Open = nullptr;
  SI_Close_t Close = nullptr;
  SI_Read_t Read = nullptr;
  SI_Write_t Write = nullptr;
  SI_FlushBuffers_t FlushBuffers = nullptr;
  SI_CheckRXQueue_t CheckRXQueue = nullptr;
  SI_SetTimeouts_t SetTimeouts = nullptr;
  SI_GetTimeouts_t GetTimeouts = nullptr;
  SI_SetBaudRate_t SetBaudRate = nullptr;
  SI_SetLineControl_t SetLineControl = nullptr;
  SI_SetFlowControl_t SetFlowControl = nullptr;
  SI_GetModemStatus_t GetModemStatus = nullptr;
  SI_GetDLLVersion_t GetDLLVersion = nullptr;
  SI_GetDriverVersion_t GetDriverVersion = nullptr;
};

}  // namespace tarvo
