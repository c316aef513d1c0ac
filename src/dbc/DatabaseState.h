#pragma once
// The database the program decodes with, and the "Database" command that
// loads it. A database that cannot be read is refused with a message naming
// the line and column; the one loaded before stays in use.
//
// What the CAN View's signals panel and tooltip show for a frame, and how the
// transmit editor composes a frame from signal values, are here as well, so
// the widgets only show texts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/TarvoCAN.h"
#include "common/UserDialogs.h"
#include "dbc/DbcDatabase.h"
#include "dbc/DbcReader.h"

namespace tarvo {

struct TDatabaseState {
  bool LoadedFlag = false;
  std::string FileName;  // full path of the loaded file
  TDbcDatabase Database;
  bool UnloadedFlag = false;  // the user unloaded it: the settings forget the file
};

inline constexpr const char* DatabaseDialogTitle = "Load Database";
inline constexpr const char* DatabaseDialogFilter = "DBC Database (*.dbc)|*.dbc";

// "Database file 'engine.dbc' cannot be used: line 3, column 7: expected ':', found '8'."
std::string DatabaseErrorText(const std::string& path, const std::string& reason);

// Reads the file into the state; on failure shows the error (OK button) and
// leaves the state as it was. True when loaded.
// A file read with faults is loaded for what is sound, and a warning lists
// each skipped statement and each identifier read as 29 bits.
bool LoadDatabase(TDatabaseState& state, UserDialogs& dialogs, const std::string& path);
inline constexpr size_t MaxDatabaseFaultLines = 40;
std::string DatabaseFaultsText(const std::string& path, const TDbcReadResult& result);

// The "Database" command: the open dialog, starting in the folder of the
// loaded database or else in defaultDir, then LoadDatabase. True when a
// database was loaded; a cancelled dialog changes nothing.
bool ChooseDatabaseFile(TDatabaseState& state, UserDialogs& dialogs, const std::string& defaultDir);

// ---- What a frame shows ---------------------------------------------------------------

struct TSignalRow {
  std::string Name;
  std::string Value;    // physical value with unit, or the value text; "not in frame" when too short
  std::string Raw;      // in the numeric base; empty when not in the frame
  std::string Comment;  // the signal's comment
};

struct TFrameDescription {
  const TDbcMessage* Message = nullptr;  // null: not in the database (or no frame)
  std::string Caption;                   // "EngineStatus (ID A0)", "ID 7FF: not in the database", or empty
  std::vector<TSignalRow> Rows;
};

// itemType is the CAN View entry kind: only data and remote frames (0..3)
// are described; anything else gives an empty description.
TFrameDescription DescribeFrame(const TDbcDatabase& db, int32_t itemType, const TTarvoCAN& frame, bool hex,
                                std::string_view decimalSeparator);

// The tooltip of a CAN View row; empty when the row is no data frame of the database.
std::string FrameToolTip(const TDbcDatabase& db, int32_t itemType, const TTarvoCAN& frame, bool hex,
                         std::string_view decimalSeparator);

// ---- Composing a frame by signal values ---------------------------------------------------

// The frame of a chosen message: its identifier and format, a data frame of
// the message's length (at most 8). The data bytes of current are kept when
// it already is that message, else they start at zero.
TTarvoCAN ComposeMessage(const TDbcMessage& message, const TTarvoCAN& current);

// The signals the frame shows for editing (multiplexed ones as its
// multiplexer selects), as indexes into message.Signals.
std::vector<size_t> EditableSignals(const TDbcMessage& message, const TTarvoCAN& frame);

// Sets one signal from a typed value. False (frame unchanged) when the text
// is neither a number nor one of the signal's value texts, or the signal
// lies beyond the frame's DLC.
bool SetSignalText(const TDbcMessage& message, size_t signal, std::string_view text,
                   std::string_view decimalSeparator, TTarvoCAN& frame);

// "'abc' is not a value of signal EngineSpeed."
std::string SignalValueErrorText(const TDbcSignal& signal, std::string_view text);

}  // namespace tarvo
