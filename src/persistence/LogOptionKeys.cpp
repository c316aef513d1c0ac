#include "persistence/LogOptionKeys.h"

#include "persistence/IniFile.h"

namespace tarvo {
namespace {

constexpr const char* kSection = "LOG_OPTIONS";
constexpr std::array<const char*, 5> kSettingsRecordKeys{"RecordRx", "RecordTx", "RecordError",
                                                         "RecordErrorCounters", "RecordBusLoad"};
constexpr std::array<const char*, 5> kConfigurationRecordKeys{"RxMessages", "TxMessages", "ErrorMessages",
                                                              "ErrorCountMessages", "BusLoadMessages"};

// The three file types; another number would name no writer.
int32_t FileTypeOf(int32_t value, int32_t fallback) { return value >= 0 && value <= 2 ? value : fallback; }

}  // namespace

void ReadSettingsLogOptions(const TIniDocument& doc, TLogOptionValues& log) {
  log.FileType = FileTypeOf(doc.ReadInteger(kSection, "FileType", 0), 0);
  log.FileOverwrite = doc.ReadInteger(kSection, "FileOverwrite", 0);
  for (size_t i = 0; i < kSettingsRecordKeys.size(); ++i)
    log.RecordMessageTypes[i] = doc.ReadBool(kSection, kSettingsRecordKeys[i], true);
  log.ReplayTypeFlag = doc.ReadBool(kSection, "ReplayType", false);
  log.ReplayMessageTypes[0] = doc.ReadBool(kSection, "ReplayRx", true);
  log.ReplayMessageTypes[1] = doc.ReadBool(kSection, "ReplayTx", false);
}

void WriteSettingsLogOptions(TIniDocument& doc, const TLogOptionValues& log) {
  doc.WriteInteger(kSection, "FileType", log.FileType);
  doc.WriteInteger(kSection, "FileOverwrite", log.FileOverwrite);
  for (size_t i = 0; i < kSettingsRecordKeys.size(); ++i)
    doc.WriteBool(kSection, kSettingsRecordKeys[i], log.RecordMessageTypes[i]);
  doc.WriteBool(kSection, "ReplayType", log.ReplayTypeFlag);
  doc.WriteBool(kSection, "ReplayRx", log.ReplayMessageTypes[0]);
  doc.WriteBool(kSection, "ReplayTx", log.ReplayMessageTypes[1]);
}

void ReadConfigurationLogOptions(const TIniDocument& doc, TLogOptionValues& log) {
  const std::string path = doc.ReadString(kSection, "FileName", "");
  // A name without a folder keeps the log folder in force rather than the
  // root folder.
  if (!DirectoryPart(path).empty()) log.DIR = DirectoryPart(path);
  log.FileName = FileNamePart(path);
  log.FileType = FileTypeOf(doc.ReadInteger(kSection, "FileType", 0), 0);
  for (size_t i = 0; i < kConfigurationRecordKeys.size(); ++i)
    log.RecordMessageTypes[i] = doc.ReadBool(kSection, kConfigurationRecordKeys[i], true);
  log.ReplayTypeFlag = doc.ReadBool(kSection, "ReplayType", false);
  log.ReplayMessageTypes[0] = doc.ReadBool(kSection, "ReplayRxMessages", true);
  log.ReplayMessageTypes[1] = doc.ReadBool(kSection, "ReplayTxMessages", false);
}

void WriteConfigurationLogOptions(TIniDocument& doc, const TLogOptionValues& log) {
  doc.WriteString(kSection, "FileName", log.DIR + log.FileName);
  doc.WriteInteger(kSection, "FileType", log.FileType);
  for (size_t i = 0; i < kConfigurationRecordKeys.size(); ++i)
    doc.WriteBool(kSection, kConfigurationRecordKeys[i], log.RecordMessageTypes[i]);
  doc.WriteBool(kSection, "ReplayType", log.ReplayTypeFlag);
  doc.WriteBool(kSection, "ReplayRxMessages", log.ReplayMessageTypes[0]);
  doc.WriteBool(kSection, "ReplayTxMessages", log.ReplayMessageTypes[1]);
}

}  // namespace tarvo
