#pragma once
// Configuration files (*.cfx): one working set-up each — the CAN View mode,
// the transmit list with its editor, the CAN Setup page and the log options
// — and the File commands New, Load, Save and Save As that manage them, with
// the window caption naming the current file and the "Save configuration?"
// question before a modified set-up would be lost.
//
// A further key is a line in WriteConfiguration and one in the matching
// Apply step, each at its place in the section's order.
#include <optional>
#include <string>
#include <vector>

#include "common/UserDialogs.h"
#include "persistence/IniDocument.h"
#include "persistence/LogOptionKeys.h"
#include "persistence/PlotKeys.h"
#include "setup/CANSetupState.h"
#include "transmit/TransmitEditor.h"
#include "transmit/TransmitList.h"

namespace tarvo {

inline constexpr const char* ConfigurationFilter = "Configuration File (*.cfx)|*.cfx";
inline constexpr const char* SaveConfigurationQuestion = "Save configuration?";

// What the configuration files need from the rest of the program.
class ConfigurationHost {
 public:
  virtual ~ConfigurationHost() = default;
  virtual bool HexMode() = 0;  // numbers shown and typed in hexadecimal
  virtual bool FixedViewMode() = 0;
  // Switches the CAN View mode and the Fixed/Cyclic commands with it.
  virtual void SetFixedViewMode(bool fixed) = 0;
  // Model of the adapter opened at start-up (1, 2, 3, or another value).
  virtual int32_t HardwareType() = 0;
  // The window caption, and with applicationTitle the application's title too.
  virtual void SetCaption(const std::string& caption, bool applicationTitle) = 0;
  virtual void ActivateCANSetupPage() = 0;
  virtual TLogOptionValues LogOptions() = 0;
  // Also marks the log file as not yet parsed, so a replay reads it again.
  virtual void SetLogOptions(const TLogOptionValues& options) = 0;
  // Empties the CAN View and sizes it for the current mode.
  virtual void SetCANViewBufferSize() = 0;
  // The loaded database's file (empty: none), and loading the one a file
  // names (a failure shows its own message). Without a database: none.
  virtual std::string DatabaseFile() { return {}; }
  virtual void LoadDatabaseFile(const std::string& path) { (void)path; }
  // The signal plot's layout, and applying one a file holds (after its
  // database is loaded). Without a plot: nothing plotted.
  virtual TPlotKeys PlotLayout() { return {}; }
  virtual void SetPlotLayout(const TPlotKeys& keys) { (void)keys; }
};

// The pieces of the set-up a configuration holds.
struct TConfigurationParts {
  TCANTransmit& List;
  TTransmitEditor& Editor;
  TCANSetupState& Setup;
};

// ---- The file's content --------------------------------------------------------------

// The whole set-up into doc: CAN_VIEW, a new CAN_TRANSMIT, CAN_TRANSMIT_EDITOR,
// CAN_SETUP and LOG_OPTIONS; other sections of doc stay.
void WriteConfiguration(TIniDocument& doc, bool fixedMode, bool hex, const TConfigurationParts& parts,
                        const TLogOptionValues& log);

// A key of a transmit item that was missing from the file, or whose text
// could not be used as it stands, and the value loaded in its place.
struct TItemKeyProblem {
  int Item;                          // index of the item in the file
  std::string Key;                   // as in the file: "ID 2"
  std::optional<std::string> Found;  // the text found; none: missing
  std::string Loaded;
};

// One transmit item from CAN_TRANSMIT; every value falls back as the file
// format says, and each fall-back is noted in problems when given.
TCANTransmitMessage ReadTransmitItem(const TIniDocument& doc, int index,
                                     std::vector<TItemKeyProblem>* problems = nullptr);
// One line per problem, for the user; an item none of whose keys is in the
// file gets one line.
std::vector<std::string> TransmitItemProblemLines(const std::vector<TItemKeyProblem>& problems);
inline constexpr size_t MaxItemProblemLines = 20;
// The CAN_TRANSMIT item count, 0..50.
int32_t ReadTransmitItemCount(const TIniDocument& doc);

// Caption text of the model: "TarvoISO", "Tarvo AUTO" or "Tarvo".
const char* ModelCaption(int32_t hardwareType);

// What keeps a named file from being loaded as a configuration ("is not a
// file", "was not found", "is not a configuration file (*.cfx)"); empty when
// nothing does.
std::string ConfigurationFileProblem(const std::string& path);
// A read file is a configuration when it has the CAN_VIEW section.
bool IsConfigurationDocument(const TIniDocument& doc);
// The CAN Setup page's part of a configuration: bit timing, operating mode
// and receive filters, applied as loading the file applies them, with the
// page's own checks and warnings. false when the mode or filter type names
// no button of the page.
bool ApplyConfigurationSetup(const TIniDocument& doc, TCANSetupState& setup);

// ---- The commands ----------------------------------------------------------------------

class TConfigurationFiles {
 public:
  // configLoaded, configModified and configurationDIR are the program's
  // ConfigLoadedFlag, ConfigModifiedFlag and ConfigurationDIR.
  TConfigurationFiles(TConfigurationParts parts, ConfigurationHost& host, UserDialogs& dialogs,
                      bool& configLoaded, bool& configModified, std::string& configurationDIR);

  std::string ConfigFileName;  // full path of the current file; empty after New

  // Asks "Save configuration?" when the set-up is modified; true when the
  // operation that asked may go on (nothing left unsaved).
  bool AskToSave();

  void NewConfiguration();
  void OpenConfiguration();
  // Reads a file into the set-up; true when it was applied completely.
  bool LoadConfiguration(const std::string& path);
  // The file named on the command line: as LoadConfiguration, but a name
  // that cannot be loaded (missing, not a file, not ".cfx") gets a warning.
  bool LoadStartupConfiguration(const std::string& path);
  void SaveConfiguration();
  void SaveConfigurationAs();

  // No configuration at start: empty transmit list, editor defaults, no file name.
  void ResetConfiguration();

 private:
  void SetCurrentFile(const std::string& path, bool applicationTitle);
  std::optional<std::string> AskSavePath(const std::string& offeredName);
  bool ApplyConfiguration(const TIniDocument& doc);
  void ApplyTransmitList(const TIniDocument& doc);
  void ApplyTransmitEditor(const TIniDocument& doc);
  void WriteFile();
  void ShowItemProblems(const std::string& fileName);

  TConfigurationParts parts_;
  ConfigurationHost& host_;
  UserDialogs& dialogs_;
  bool& configLoaded_;
  bool& configModified_;
  std::string& configurationDIR_;
  // The file named by ConfigFileName was refused on loading: it is somebody
  // else's, and Save asks for a name instead of writing over it.
  bool rejectedFileFlag_ = false;
  std::vector<TItemKeyProblem> itemProblems_;  // of the last load
};

}  // namespace tarvo
