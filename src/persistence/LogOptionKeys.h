#pragma once
// The log options as the settings file and the configuration files keep
// them. The program copies them from and to its log record; the two files
// use different key names for the same values.
#include <array>
#include <cstdint>
#include <string>

#include "persistence/IniDocument.h"

namespace tarvo {

struct TLogOptionValues {
  std::string DIR;               // log folder, with its separator (configuration files: with FileName)
  std::string FileName;          // without folder; configuration files only
  int32_t FileType = 0;          // 0 TXT, 1 CSV, 2 ASC
  int32_t FileOverwrite = 0;     // settings file only
  // Rx, Tx, error frames and bus states, error counters, bus load
  std::array<bool, 5> RecordMessageTypes{true, true, true, true, true};
  bool ReplayTypeFlag = false;
  std::array<bool, 2> ReplayMessageTypes{true, false};  // Rx, Tx
};

// Settings file, section LOG_OPTIONS: FileType, FileOverwrite, RecordRx ..
// RecordBusLoad, ReplayType, ReplayRx, ReplayTx.
void ReadSettingsLogOptions(const TIniDocument& doc, TLogOptionValues& log);
void WriteSettingsLogOptions(TIniDocument& doc, const TLogOptionValues& log);

// Configuration file, section LOG_OPTIONS: FileName (folder and name),
// FileType, RxMessages .. BusLoadMessages, ReplayType, ReplayRxMessages,
// ReplayTxMessages.
void ReadConfigurationLogOptions(const TIniDocument& doc, TLogOptionValues& log);
void WriteConfigurationLogOptions(TIniDocument& doc, const TLogOptionValues& log);

}  // namespace tarvo
