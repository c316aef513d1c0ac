#pragma once
// The settings file Tarvo.ini: what survives a restart apart from any
// configuration file. Read once while the main window is created, written
// once when it closes. TSettings holds every value the file keeps; the
// program fills one with its defaults (some depend on the screen and the
// prepared directories), ReadSettings replaces what the file holds, and
// WriteSettings puts the program's current values back.
//
// A further key is one field here, one line in ReadSettings and one in
// WriteSettings, at its place in the read and write order.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "adapter/TarvoAPI.h"
#include "common/DisplaySettings.h"
#include "common/UserDialogs.h"
#include "persistence/DatabaseKeys.h"
#include "persistence/IniDocument.h"
#include "persistence/LogOptionKeys.h"
#include "persistence/PlotKeys.h"

namespace tarvo {

inline constexpr const char* SettingsFileName = "Tarvo.ini";

inline constexpr const char* SettingsReadErrorMessage =
    "Error reading settings from file 'Tarvo.ini', defaults loaded.";
inline constexpr const char* SettingsReadOnlyMessage = "Unable to save settings, 'Tarvo.ini' is a read-only file.";
inline constexpr const char* SettingsWriteErrorMessage = "Access to file 'Tarvo.ini' denied, cannot save settings.";

// Bit timing as the files keep it: BRP in its 40 MHz form.
struct TStoredBitTiming {
  int BRP = 4;
  int PHSEG1 = 8;
  int PHSEG2 = 6;
  int PROPSEG = 5;
  int SJW = 1;
  int SAM = 1;
};

struct TSettings {
  // WINDOW: position and size as saved, font size of both lists
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;   // default: the smallest window width
  int32_t Height = 0;  // default: the smallest window height
  int32_t Font = 8;
  // DIR
  std::string ConfigurationDIR;
  std::string SnapshotDIR;
  std::string LogDIR;
  // CAN_VIEW
  bool FixedMode = true;
  // CAN_TRANSMIT: height of the transmit list on the CAN View page
  int32_t CANTransmitHeight = 0;
  // CAN_SETUP: the baud-rate button to check (none when the file names
  // none), and the six values
  std::optional<int> BaudRateButton = 108;
  TStoredBitTiming BitTiming;
  // OPTIONS
  TDisplaySettings Display;
  // LOG_OPTIONS
  TLogOptionValues Log;
  // DEVICE_OPTIONS
  TDeviceInfo SavedDeviceSelection;
  // DATABASE (DatabaseKeys.h), after the described keys
  TDatabaseKeys Database;
  // PLOT (PlotKeys.h): none when the file has no such section
  std::optional<TPlotKeys> Plot;
};

// The baud-rate button an older file's "Baud" code names; nothing for codes
// outside 1..10.
std::optional<int> LegacyBaudToPreset(int32_t baud);

// The CAN_SETUP bit-timing keys, which configuration files share: the
// Enhanced keys, or in an older file the older ones.
void ReadBitTimingKeys(const TIniDocument& doc, std::optional<int>& baudRateButton, TStoredBitTiming& timing);
// Writes the Enhanced keys of the CAN_SETUP section.
void WriteBitTimingKeys(TIniDocument& doc, int baudRateButton, const TStoredBitTiming& timing);

// Replaces the values of defaults by those the document holds, in the file's
// read order; missing and invalid values keep their default or are brought
// into range.
TSettings ReadSettings(const TIniDocument& doc, TSettings defaults);

// Writes every key in the file's write order; other keys stay as they are.
void WriteSettings(TIniDocument& doc, const TSettings& settings);

// What a settings file that cannot be read leaves: the defaults, except a
// window at 0, 0 and an update interval of 1000 ms.
TSettings UnreadableSettingsDefaults(TSettings defaults);

// ---- The file ---------------------------------------------------------------------

// Reads tarvoDIR + "Tarvo.ini". A missing file gives the defaults silently;
// one that cannot be read gives UnreadableSettingsDefaults and the message.
TSettings LoadSettingsFile(const std::string& tarvoDIR, const TSettings& defaults, UserDialogs& dialogs);

// Writes tarvoDIR + "Tarvo.ini", keeping the keys of the old file that the
// program does not know. false after showing the described message.
bool SaveSettingsFile(const std::string& tarvoDIR, const TSettings& settings, UserDialogs& dialogs);

// ---- Window placement --------------------------------------------------------------

struct TScreenRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

struct TWindowPlacement {
  TScreenRect Bounds;
  bool Maximized = false;
};

// Where the saved window opens on the monitors now attached: a window that
// would be off its nearest monitor goes to 0, 0; one larger than it gets the
// smallest size; one that covered it opens maximised. scaling is the
// screen's pixels per inch / 96.
TWindowPlacement PlaceWindow(const TScreenRect& saved, double scaling, int minWidth, int minHeight,
                             const std::vector<TScreenRect>& monitors);

}  // namespace tarvo
