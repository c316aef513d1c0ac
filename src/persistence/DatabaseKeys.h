#pragma once
// The database's keys, in a section of their own ("DATABASE") in both files:
//
//   Tarvo.ini                          a configuration file (*.cfx)
//   [DATABASE]                         [DATABASE]
//   File=C:\Tarvo\vehicle.dbc          File=C:\Tarvo\vehicle.dbc
//   NameColumn=1
//
// File is the database to load (full path), NameColumn the CAN View's
// optional "Name" column. A file without the section reads as no database
// and no column, and is written without it while there is nothing to keep,
// so such files read and write as they always did.
#include <string>

#include "persistence/IniDocument.h"

namespace tarvo {

inline constexpr const char* DatabaseSection = "DATABASE";

struct TDatabaseKeys {
  std::string File;  // empty: none
  bool NameColumn = false;
};

// Tarvo.ini: both keys.
TDatabaseKeys ReadDatabaseKeys(const TIniDocument& doc);
void WriteDatabaseKeys(TIniDocument& doc, const TDatabaseKeys& keys);

// A configuration file: the database only; written when one is loaded.
std::string ReadConfigurationDatabase(const TIniDocument& doc);
void WriteConfigurationDatabase(TIniDocument& doc, const std::string& file);

}  // namespace tarvo
