#include "persistence/DatabaseKeys.h"

namespace tarvo {

TDatabaseKeys ReadDatabaseKeys(const TIniDocument& doc) {
  TDatabaseKeys keys;
  keys.File = doc.ReadString(DatabaseSection, "File", "");
  keys.NameColumn = doc.ReadBool(DatabaseSection, "NameColumn", false);
  return keys;
}

void WriteDatabaseKeys(TIniDocument& doc, const TDatabaseKeys& keys) {
  if (keys.File.empty() && !keys.NameColumn && !doc.SectionExists(DatabaseSection)) return;
  doc.WriteString(DatabaseSection, "File", keys.File);
  doc.WriteBool(DatabaseSection, "NameColumn", keys.NameColumn);
}

std::string ReadConfigurationDatabase(const TIniDocument& doc) { return doc.ReadString(DatabaseSection, "File", ""); }

void WriteConfigurationDatabase(TIniDocument& doc, const std::string& file) {
  if (!file.empty()) doc.WriteString(DatabaseSection, "File", file);
}

}  // namespace tarvo
