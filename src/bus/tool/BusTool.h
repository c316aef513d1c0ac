#pragma once
// tarvo-bus: the commands over the adapter without a window, and what they
// share: the bus options, the stop request of Ctrl+C and SIGTERM, and the
// usage error.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "bus/BusConfiguration.h"
#include "bus/BusLink.h"

namespace tarvo::bus {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

struct TToolOptions {
  TBusSetup Setup;
  std::string ListenAddress = "127.0.0.1";
  uint16_t Port = 29536;
  std::vector<std::string> Operands;
  std::string ConfigPath;  // --config
  // The file's set-up, read before the adapter is opened.
  std::shared_ptr<TBusConfiguration> Configuration;
};

// Set by SIGINT and SIGTERM; every loop of a command watches it.
std::atomic<bool>& StopRequest();
void InstallStopSignals();

// Writes "tarvo-bus: <command>: <reason>" on standard error; returns the
// exit status given.
int Fail(const char* command, const std::string& reason, int status);

// Reads --config into the options; a file that cannot be used is a usage
// error. The page's warnings go to standard error.
int LoadConfiguration(const char* command, TToolOptions& options);

// Opens the adapter and starts the run the options describe.
int OpenAndStart(const char* command, const TToolOptions& options, TBusLink& link);

int DumpCommand(const TToolOptions& options);
int SendCommand(const TToolOptions& options);
int ServeCommand(const TToolOptions& options);

}  // namespace tarvo::bus
