#include "persistence/LogOptionKeys.h"

#include "persistence/IniFile.h"

namespace tarvo {
namespace {

constexpr const char* kSection = "LOG_OPTIONS";
// The key names of the values both files keep.
struct TLogOptionKeyNames {
  std::array<const char*, 5> Record;
  const char* ReplayRx;
  const char* ReplayTx;
};
constexpr TLogOptionKeyNames kSettingsKeys{
    {"RecordRx", "RecordTx", "RecordError", "RecordErrorCounters", "RecordBusLoad"}, "ReplayRx", "ReplayTx"};
constexpr TLogOptionKeyNames kConfigurationKeys{
    {"RxMessages", "TxMessages", "ErrorMessages", "ErrorCountMessages", "BusLoadMessages"},
    "ReplayRxMessages",
    "ReplayTxMessages"};

// File type and overwrite policy have three choices each; another number
// names none and gives the first.
int32_t ChoiceOf(int32_t value) { return value >= 0 && value <= 2 ? value : 0; }

void ReadShared(const TIniDocument& doc, const TLogOptionKeyNames& keys, TLogOptionValues& log) {
  for (size_t i = 0; i < keys.Record.size(); ++i) log.RecordMessageTypes[i] = doc.ReadBool(kSection, keys.Record[i], true);
  log.ReplayTypeFlag = doc.ReadBool(kSection, "ReplayType", false);
  log.ReplayMessageTypes[0] = doc.ReadBool(kSection, keys.ReplayRx, true);
  log.ReplayMessageTypes[1] = doc.ReadBool(kSection, keys.ReplayTx, false);
}

void WriteShared(TIniDocument& doc, const TLogOptionKeyNames& keys, const TLogOptionValues& log) {
  for (size_t i = 0; i < keys.Record.size(); ++i) doc.WriteBool(kSection, keys.Record[i], log.RecordMessageTypes[i]);
  doc.WriteBool(kSection, "ReplayType", log.ReplayTypeFlag);
  doc.WriteBool(kSection, keys.ReplayRx, log.ReplayMessageTypes[0]);
  doc.WriteBool(kSection, keys.ReplayTx, log.ReplayMessageTypes[1]);
}

}  // namespace

void ReadSettingsLogOptions(const TIniDocument& doc, TLogOptionValues& log) {
  log.FileType = ChoiceOf(doc.ReadInteger(kSection, "FileType", 0));
  log.FileOverwrite = ChoiceOf(doc.ReadInteger(kSection, "FileOverwrite", 0));
  ReadShared(doc, kSettingsKeys, log);
}

void WriteSettingsLogOptions(TIniDocument& doc, const TLogOptionValues& log) {
  doc.WriteInteger(kSection, "FileType", log.FileType);
  doc.WriteInteger(kSection, "FileOverwrite", log.FileOverwrite);
  WriteShared(doc, kSettingsKeys, log);
}

void ReadConfigurationLogOptions(const TIniDocument& doc, TLogOptionValues& log) {
  const std::string path = doc.ReadString(kSection, "FileName", "");
  // A name without a folder keeps the log folder in force rather than the
  // root folder.
  if (!DirectoryPart(path).empty()) log.DIR = DirectoryPart(path);
  log.FileName = FileNamePart(path);
  log.FileType = ChoiceOf(doc.ReadInteger(kSection, "FileType", 0));
  ReadShared(doc, kConfigurationKeys, log);
}

void WriteConfigurationLogOptions(TIniDocument& doc, const TLogOptionValues& log) {
  doc.WriteString(kSection, "FileName", log.DIR + log.FileName);
  doc.WriteInteger(kSection, "FileType", log.FileType);
  WriteShared(doc, kConfigurationKeys, log);
}

}  // namespace tarvo
