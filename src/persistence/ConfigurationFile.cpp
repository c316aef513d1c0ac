#include "persistence/ConfigurationFile.h"

#include <algorithm>

#include "common/ReplacingFile.h"
#include "common/TextRoutines.h"
#include "persistence/DatabaseKeys.h"
#include "persistence/IniFile.h"
#include "persistence/SettingsFile.h"

namespace tarvo {
namespace {

constexpr const char* kCANView = "CAN_VIEW";
constexpr const char* kCANTransmit = "CAN_TRANSMIT";
constexpr const char* kEditor = "CAN_TRANSMIT_EDITOR";
constexpr const char* kCANSetup = "CAN_SETUP";
constexpr const char* kExtension = ".cfx";

std::string ItemKey(const char* name, int index) { return std::string(name) + " " + std::to_string(index); }
std::string DataKey(int n) { return "D" + std::to_string(n); }
std::string ItemDataKey(int n, int index) { return DataKey(n) + " " + std::to_string(index); }

// "a.cfx" keeps its name, "setup" and "a.cfx.bak" get ".cfx" appended: the
// first ".cfx" must be the end of the name.
std::string WithExtension(const std::string& path) {
  const size_t at = path.find(kExtension);
  return at != std::string::npos && at + 4 == path.size() ? path : path + kExtension;
}

bool HasConfigurationExtension(const std::string& path) {
  const std::string name = FileNamePart(path);
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && name.substr(dot) == kExtension;
}

// Period text of a file: the ten known texts, any other number 1000 ms,
// empty or not a number no period.
uint32_t PeriodIndexOfText(const std::string& text) {
  if (text.empty() || !IsNumberText(text, false)) return 0;
  for (uint32_t i = 1; i <= PeriodCount; ++i)
    if (PeriodText(i) == text) return i;
  return 7;
}

// The editor's ID and data fields are written in hexadecimal whatever base
// they are typed in; a field that holds no valid number is written empty.
std::string EditorIDForFile(const TCANTransmitEditorForm& f, bool hex) {
  if (CheckIDText(!f.Bit29Flag, f.IDText, hex) != 0) return {};
  return hex ? f.IDText : NumberText(DecTextToInt(f.IDText), true);
}

std::string EditorDataForFile(const std::string& text, bool hex) {
  if (text.empty() || !IsNumberText(text, hex)) return {};
  return hex ? text : NumberText(DecTextToInt(text), true);
}

void WriteTransmitItem(TIniDocument& doc, const TCANTransmitMessage& item, int i) {
  doc.WriteBool(kCANTransmit, ItemKey("Tx", i), item.EnabledFlag);
  doc.WriteString(kCANTransmit, ItemKey("Bit", i), item.IDE == 1 ? "29" : "11");
  doc.WriteString(kCANTransmit, ItemKey("ID", i), NumberText(item.ID, true));
  doc.WriteString(kCANTransmit, ItemKey("Frame", i), item.RTR == 1 ? "Remote" : "Data");
  doc.WriteInteger(kCANTransmit, ItemKey("DLC", i), item.DLC);
  for (int n = 1; n <= 8; ++n) {
    std::string text;
    if (n <= item.DLC) text = item.RTR == 1 ? "?" : ByteText(item.Data[size_t(n - 1)], true);
    doc.WriteString(kCANTransmit, ItemDataKey(n, i), text);
  }
  doc.WriteString(kCANTransmit, ItemKey("On Time (ms)", i), PeriodText(item.PeriodIndex));
  doc.WriteString(kCANTransmit, ItemKey("On Key", i), KeyText(item.Key));
  doc.WriteString(kCANTransmit, ItemKey("Comment", i), item.Comment);
}

void WriteEditor(TIniDocument& doc, const TCANTransmitEditorForm& f, bool hex) {
  doc.WriteBool(kEditor, "IDE", !f.Bit29Flag);
  doc.WriteString(kEditor, "ID", EditorIDForFile(f, hex));
  doc.WriteBool(kEditor, "Frame", !f.RemoteFlag);
  doc.WriteInteger(kEditor, "DLC", f.DLC);
  for (int n = 1; n <= 8; ++n) doc.WriteString(kEditor, DataKey(n), EditorDataForFile(f.DataText[size_t(n - 1)], hex));
  doc.WriteBool(kEditor, "Trigger", !f.OnKeyFlag);
  doc.WriteInteger(kEditor, "OnTime", PeriodEntryIndex(f));
  doc.WriteInteger(kEditor, "OnKey", KeyEntryIndex(f));
  doc.WriteString(kEditor, "Comment", f.Comment);
}

void WriteSetup(TIniDocument& doc, const TCANSetupState& setup) {
  const TBitTimingPage& bt = setup.BitTiming;
  const TBitTimingValues v = bt.Values();
  WriteBitTimingKeys(doc, bt.GetCANBaudRateSelection(),
                     TStoredBitTiming{bt.StoredBRP(), v.PHSEG1, v.PHSEG2, v.PROPSEG, v.SJW, v.SAM});
  if (OperatingModeCaption(bt.OperatingModeButton())) doc.WriteInteger(kCANSetup, "Mode", bt.OperatingModeButton());
  const TReceiveFilterPage& rf = setup.Filters;
  if (FilterTypeCaption(rf.FilterType())) doc.WriteInteger(kCANSetup, "FilterType", rf.FilterType());
  static const char* const kFilterKeys[FILTER_FIELD_COUNT] = {
      "Rx1MaskID", "Rx1Filter1ID", "Rx1Filter2ID", "Rx2MaskID",
      "Rx2Filter1ID", "Rx2Filter2ID", "Rx2Filter3ID", "Rx2Filter4ID"};
  doc.WriteBool(kCANSetup, "Rx1MaskIDE", rf.Buffer29Bit(1));
  for (int i = FIELD_RX1_MASK; i <= FIELD_RX1_FILTER2; ++i) doc.WriteString(kCANSetup, kFilterKeys[i], rf.Edit(i).Text);
  doc.WriteBool(kCANSetup, "Rx2MaskIDE", rf.Buffer29Bit(2));
  for (int i = FIELD_RX2_MASK; i < FILTER_FIELD_COUNT; ++i) doc.WriteString(kCANSetup, kFilterKeys[i], rf.Edit(i).Text);
}

}  // namespace

const char* ModelCaption(int32_t hardwareType) {
  if (hardwareType == HW_TARVO_ISO) return "TarvoISO";
  if (hardwareType == HW_TARVO_AUTO) return "Tarvo AUTO";
  return "Tarvo";
}

// ---- the file's content ----

void WriteConfiguration(TIniDocument& doc, bool fixedMode, bool hex, const TConfigurationParts& parts,
                        const TLogOptionValues& log) {
  doc.WriteBool(kCANView, "Mode", fixedMode);
  // Written anew, so no keys of deleted items remain.
  doc.EraseSection(kCANTransmit);
  doc.WriteInteger(kCANTransmit, "NoOfItems", parts.List.Count);
  for (int i = 0; i < parts.List.Count; ++i) WriteTransmitItem(doc, parts.List.List[size_t(i)], i);
  WriteEditor(doc, parts.Editor.Form, hex);
  WriteSetup(doc, parts.Setup);
  WriteConfigurationLogOptions(doc, log);
}

int32_t ReadTransmitItemCount(const TIniDocument& doc) {
  return std::clamp(doc.ReadInteger(kCANTransmit, "NoOfItems", 0), 0, MaxTransmitItems);
}

namespace {

// Reads the keys of one transmit item and notes each key that is missing or
// whose text cannot be used as it stands, with the value loaded instead.
class TItemReader {
 public:
  TItemReader(const TIniDocument& doc, int index, std::vector<TItemKeyProblem>* problems)
      : doc_(doc), index_(index), problems_(problems) {}

  // The key's text; nullopt (noted) when the key is missing.
  std::optional<std::string> Text(const std::string& key, const char* loaded) {
    std::optional<std::string> v = doc_.Value(kCANTransmit, key);
    if (!v) Note(key, std::nullopt, loaded);
    return v;
  }
  void Note(const std::string& key, std::optional<std::string> found, std::string loaded) {
    if (problems_) problems_->push_back({index_, key, std::move(found), std::move(loaded)});
  }
  std::string Key(const char* name) const { return ItemKey(name, index_); }

 private:
  const TIniDocument& doc_;
  int index_;
  std::vector<TItemKeyProblem>* problems_;
};

}  // namespace

TCANTransmitMessage ReadTransmitItem(const TIniDocument& doc, int i, std::vector<TItemKeyProblem>* problems) {
  TItemReader r(doc, i, problems);
  TCANTransmitMessage item;
  if (const auto tx = r.Text(r.Key("Tx"), "0")) {
    const std::optional<int32_t> v = ParseIniInteger(*tx);
    if (!v) r.Note(r.Key("Tx"), tx, "0");
    item.EnabledFlag = v.value_or(0) != 0;
  }
  if (const auto bit = r.Text(r.Key("Bit"), "11")) {
    item.IDE = *bit == "29" ? 1 : 0;
    if (*bit != "29" && *bit != "11") r.Note(r.Key("Bit"), bit, "11");
  }
  if (const auto id = r.Text(r.Key("ID"), "0")) {
    const bool valid = CheckIDText(item.IDE == 0, *id, true) == 0;
    item.ID = valid ? HexTextToInt(*id) : 0;
    if (!valid) r.Note(r.Key("ID"), id, "0");
  }
  if (const auto frame = r.Text(r.Key("Frame"), "Data")) {
    item.RTR = *frame == "Remote" ? 1 : 0;
    if (*frame != "Remote" && *frame != "Data") r.Note(r.Key("Frame"), frame, "Data");
  }
  // The byte keeps what the file says within the 4 bits a CAN DLC has;
  // everything that sends or shows data stops at 8 bytes.
  if (const auto dlc = r.Text(r.Key("DLC"), "0")) {
    const int32_t v = ParseIniInteger(*dlc).value_or(0);
    item.DLC = uint8_t(std::clamp(v, 0, 15));
    if (!ParseIniInteger(*dlc) || v != item.DLC) r.Note(r.Key("DLC"), dlc, std::to_string(item.DLC));
  }
  // A remote frame carries no data: its positions hold "?" and are not read.
  for (int n = 1; n <= WireDLC(item.DLC) && item.RTR == 0; ++n) {
    const std::string key = ItemDataKey(n, i);
    const auto text = r.Text(key, "00");
    if (!text) continue;
    const bool valid = CheckDataByteText(*text, true);
    item.Data[size_t(n - 1)] = valid ? uint8_t(HexTextToInt(*text)) : 0;
    if (!valid) r.Note(key, text, "00");
  }
  if (const auto period = r.Text(r.Key("On Time (ms)"), "")) {
    item.PeriodIndex = PeriodIndexOfText(*period);
    const bool known = period->empty() || (item.PeriodIndex != 0 && PeriodText(item.PeriodIndex) == *period);
    if (!known) r.Note(r.Key("On Time (ms)"), period, item.PeriodIndex ? PeriodText(item.PeriodIndex) : "");
  }
  if (const auto key = r.Text(r.Key("On Key"), "")) {
    item.Key = KeyTextToKeyNo(*key);
    if (!key->empty() && item.Key == 0) r.Note(r.Key("On Key"), key, "");
  }
  if (const auto comment = r.Text(r.Key("Comment"), "")) item.Comment = *comment;
  return item;
}

std::vector<std::string> TransmitItemProblemLines(const std::vector<TItemKeyProblem>& problems) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < problems.size();) {
    const int item = problems[at].Item;
    size_t end = at;
    bool allMissing = true;
    while (end < problems.size() && problems[end].Item == item) allMissing &= !problems[end++].Found.has_value();
    const std::string name = "Item " + std::to_string(item + 1) + " (";
    if (allMissing && end - at >= 8) {
      lines.push_back(name + "keys \"... " + std::to_string(item) + "\"): not in the file, loaded empty.");
    } else {
      for (size_t k = at; k < end; ++k) {
        const TItemKeyProblem& p = problems[k];
        lines.push_back(name + "\"" + p.Key + "\"): " +
                        (p.Found ? "\"" + *p.Found + "\" is not usable" : std::string("missing")) +
                        ", loaded as \"" + p.Loaded + "\".");
      }
    }
    at = end;
  }
  return lines;
}

// ---- the commands ----

TConfigurationFiles::TConfigurationFiles(TConfigurationParts parts, ConfigurationHost& host, UserDialogs& dialogs,
                                         bool& configLoaded, bool& configModified, std::string& configurationDIR)
    : parts_(parts),
      host_(host),
      dialogs_(dialogs),
      configLoaded_(configLoaded),
      configModified_(configModified),
      configurationDIR_(configurationDIR) {}

bool TConfigurationFiles::AskToSave() {
  if (configModified_) {
    switch (dialogs_.ShowMessage(SaveConfigurationQuestion, TDialogType::Confirmation, TDialogButtons::YesNoCancel)) {
      case TDialogResult::Yes: SaveConfiguration(); break;
      case TDialogResult::No: configModified_ = false; break;
      default: break;
    }
  }
  return !configModified_;
}

void TConfigurationFiles::SetCurrentFile(const std::string& path, bool applicationTitle) {
  ConfigFileName = path;
  configurationDIR_ = DirectoryPart(path);
  host_.SetCaption(std::string(ModelCaption(host_.HardwareType())) + " - " + path, applicationTitle);
}

void TConfigurationFiles::NewConfiguration() {
  if (!AskToSave()) return;
  parts_.List.Count = 0;
  parts_.Editor.SelectedRow = -1;
  parts_.Editor.ResetCANTransmitEditor();
  parts_.Setup.BitTiming.ClickOperatingMode(NormalModeNumber);
  parts_.Setup.Filters.ClickFilterType(FilterTypeNone);
  configLoaded_ = false;
  rejectedFileFlag_ = false;
  ConfigFileName.clear();
  host_.SetCaption(ModelCaption(host_.HardwareType()), false);
  host_.ActivateCANSetupPage();
  TLogOptionValues log = host_.LogOptions();
  log.FileName.clear();
  log.FileType = 0;
  host_.SetLogOptions(log);
  // A mode or filter type that New changed back to "Normal" and "None" is a
  // change like any other: closing asks whether to save the new set-up.
}

void TConfigurationFiles::ResetConfiguration() {
  parts_.List.Count = 0;
  parts_.List.DisplayCount = 0;
  parts_.Editor.SelectedRow = -1;
  parts_.Editor.Form.DLC = 8;
  parts_.Editor.RefreshCANTransmitEditorData();
  if (!host_.HexMode()) parts_.Editor.ConvertCANTransmitEditorNumericBase();
  parts_.Editor.SelectFreeTransmitKey();
  ConfigFileName.clear();
  rejectedFileFlag_ = false;
  configModified_ = false;
}

void TConfigurationFiles::OpenConfiguration() {
  if (!AskToSave()) return;
  TFileDialogRequest request;
  request.Title = "Load Configuration";
  request.Filter = ConfigurationFilter;
  request.InitialDir = configurationDIR_;
  const std::optional<std::string> path = dialogs_.OpenFileDialog(request);
  if (!path) return;
  LoadConfiguration(*path);
  host_.SetCANViewBufferSize();
}

// The command line names a file the user meant to use: one that cannot be
// used is said so, where the Load command's silence would hide a typing
// error.
bool TConfigurationFiles::LoadStartupConfiguration(const std::string& path) {
  const std::string problem = ConfigurationFileProblem(path);
  if (!problem.empty()) {
    dialogs_.ShowMessage("'" + path + "', named on the command line, " + problem +
                             ". The program starts without a configuration.",
                         TDialogType::Warning, TDialogButtons::OK);
    return false;
  }
  return LoadConfiguration(path);
}

bool TConfigurationFiles::LoadConfiguration(const std::string& path) {
  if (!FileExists(path) || !HasConfigurationExtension(path)) return false;
  // The TarvoISO and Tarvo AUTO models also name themselves in the application title.
  SetCurrentFile(path, host_.HardwareType() == HW_TARVO_ISO || host_.HardwareType() == HW_TARVO_AUTO);
  const std::string name = FileNamePart(path);
  TIniDocument doc;
  if (ReadIniFile(path, doc) != TIniReadResult::Read) {
    dialogs_.ShowMessage("Error reading configuration from file, '" + name + "'.", TDialogType::Error,
                         TDialogButtons::OK);
    return false;
  }
  if (!IsConfigurationDocument(doc)) {
    rejectedFileFlag_ = true;
    dialogs_.ShowMessage("Configuration file '" + name + "' format is invalid.", TDialogType::Warning,
                         TDialogButtons::OK);
    return false;
  }
  rejectedFileFlag_ = false;
  // A load that fails part way leaves the flags as they were; what the
  // applied part's checks changed back is no change of the user's.
  const bool wasModified = configModified_;
  if (!ApplyConfiguration(doc)) {
    configModified_ = wasModified;
    dialogs_.ShowMessage("Error reading configuration from file, '" + name + "'.", TDialogType::Error,
                         TDialogButtons::OK);
    return false;
  }
  configModified_ = false;
  configLoaded_ = true;
  ShowItemProblems(name);
  return true;
}

void TConfigurationFiles::ShowItemProblems(const std::string& fileName) {
  if (itemProblems_.empty()) return;
  const std::vector<std::string> lines = TransmitItemProblemLines(itemProblems_);
  std::string text = "Configuration file '" + fileName +
                     "': these transmit items could not be read as they stand. They were loaded with Tx off, "
                     "so that nothing is sent until you have checked them.\n";
  const size_t shown = std::min(lines.size(), MaxItemProblemLines);
  for (size_t i = 0; i < shown; ++i) text += "\n" + lines[i];
  if (lines.size() > shown) text += "\nand " + std::to_string(lines.size() - shown) + " more.";
  dialogs_.ShowMessage(text, TDialogType::Warning, TDialogButtons::OK);
}

bool TConfigurationFiles::ApplyConfiguration(const TIniDocument& doc) {
  host_.SetFixedViewMode(doc.ReadBool(kCANView, "Mode", true));
  ApplyTransmitList(doc);
  ApplyTransmitEditor(doc);
  if (!ApplyConfigurationSetup(doc, parts_.Setup)) return false;
  TLogOptionValues log = host_.LogOptions();
  ReadConfigurationLogOptions(doc, log);
  host_.SetLogOptions(log);
  // A file without a database leaves the loaded one in use.
  const std::string database = ReadConfigurationDatabase(doc);
  if (!database.empty()) host_.LoadDatabaseFile(database);
  // A file without the plot's section leaves the plot as it is.
  if (const std::optional<TPlotKeys> plot = ReadPlotKeys(doc)) host_.SetPlotLayout(*plot);
  return true;
}

// An item whose keys were missing or not usable loads with Tx off, so that
// a damaged or hand-edited file sends nothing the user has not looked at.
void TConfigurationFiles::ApplyTransmitList(const TIniDocument& doc) {
  TCANTransmit& list = parts_.List;
  const int32_t count = ReadTransmitItemCount(doc);
  itemProblems_.clear();
  for (int32_t i = 0; i < count; ++i) {
    TCANTransmitMessage& item = list.List[size_t(i)];
    const int32_t bufferNo = item.BufferNo;
    const uint32_t time = item.Time;
    const size_t before = itemProblems_.size();
    item = ReadTransmitItem(doc, i, &itemProblems_);
    if (itemProblems_.size() != before) item.EnabledFlag = false;
    item.BufferNo = bufferNo;
    item.Time = time;
  }
  list.Count = count;
  parts_.Editor.SelectedRow = -1;
}

void TConfigurationFiles::ApplyTransmitEditor(const TIniDocument& doc) {
  TTransmitEditor& editor = parts_.Editor;
  TCANTransmitEditorForm& f = editor.Form;
  f.Bit29Flag = !doc.ReadBool(kEditor, "IDE", true);
  f.IDText = doc.ReadString(kEditor, "ID", "");
  f.RemoteFlag = !doc.ReadBool(kEditor, "Frame", true);
  f.DLC = std::clamp(doc.ReadInteger(kEditor, "DLC", 8), 0, 8);
  for (int n = 1; n <= 8; ++n) f.DataText[size_t(n - 1)] = doc.ReadString(kEditor, DataKey(n), "00");
  // The texts are hexadecimal; the fields show the base in force.
  f.IDMaxLength = f.Bit29Flag ? 8 : 3;
  f.DataMaxLength = 2;
  if (!host_.HexMode()) editor.ConvertCANTransmitEditorNumericBase();
  // The loaded data texts stay; only the fields beyond the DLC are emptied.
  f.CANTransmitEditorDLC = f.DLC;
  editor.RefreshCANTransmitEditorData();
  f.OnKeyFlag = !doc.ReadBool(kEditor, "Trigger", true);
  f.PeriodBoxEnabled = !f.OnKeyFlag;
  f.KeyBoxEnabled = f.OnKeyFlag;
  const int32_t onTime = doc.ReadInteger(kEditor, "OnTime", 6);
  f.PeriodText = onTime >= 0 && onTime < int32_t(PeriodCount) ? PeriodEntries()[size_t(onTime)] : "";
  const int32_t onKey = doc.ReadInteger(kEditor, "OnKey", 0);
  f.KeyText = onKey >= 0 && onKey < KeyCount ? KeyEntries()[size_t(onKey)] : "";
  f.Comment = doc.ReadString(kEditor, "Comment", "").substr(0, CommentMaxLength);
  editor.SelectFreeTransmitKey();
}

// ---- the CAN Setup page's part ----

namespace {

void ApplyConfigurationBitTiming(const TIniDocument& doc, TBitTimingPage& bt) {
  const TChangeScope operation = bt.Operation();
  bt.SetBRPMaximum(128);
  std::optional<int> button;
  TStoredBitTiming t;
  ReadBitTimingKeys(doc, button, t);  // the settings file's CAN_SETUP keys
  if (button) bt.SelectBaudRateButton(*button);
  bt.SetCANBitTimingFields(t.BRP, t.PHSEG1, t.PHSEG2, t.PROPSEG, t.SJW, t.SAM);
  bt.CheckCANBaudRatePreset();
  bt.CheckCANBaudRateSupport();
  bt.UpdateCANBitTiming();
}

bool ApplyConfigurationModesAndFilters(const TIniDocument& doc, TCANSetupState& setup) {
  if (!setup.BitTiming.ClickOperatingMode(doc.ReadInteger(kCANSetup, "Mode", NormalModeNumber))) return false;
  const int32_t filterType = doc.ReadInteger(kCANSetup, "FilterType", FilterTypeNone);
  if (!setup.Filters.ClickFilterType(filterType)) return false;
  TReceiveFilterPage& rf = setup.Filters;
  if (filterType == FilterTypeNone) {
    rf.ShowBuffers(false);
    return true;
  }
  static const char* const kFilterKeys[FILTER_FIELD_COUNT] = {
      "Rx1MaskID", "Rx1Filter1ID", "Rx1Filter2ID", "Rx2MaskID",
      "Rx2Filter1ID", "Rx2Filter2ID", "Rx2Filter3ID", "Rx2Filter4ID"};
  rf.SetBufferWidth(1, doc.ReadBool(kCANSetup, "Rx1MaskIDE", true));
  rf.SetBufferWidth(2, doc.ReadBool(kCANSetup, "Rx2MaskIDE", true));
  for (int i = 0; i < FILTER_FIELD_COUNT; ++i) rf.SetFieldText(i, doc.ReadString(kCANSetup, kFilterKeys[i], "00000000"));
  rf.ShowBuffers(true);
  return true;
}

}  // namespace

bool ApplyConfigurationSetup(const TIniDocument& doc, TCANSetupState& setup) {
  ApplyConfigurationBitTiming(doc, setup.BitTiming);
  return ApplyConfigurationModesAndFilters(doc, setup);
}

bool IsConfigurationDocument(const TIniDocument& doc) { return doc.SectionExists(kCANView); }

std::string ConfigurationFileProblem(const std::string& path) {
  if (ExistsButIsNotARegularFile(path)) return "is not a file";
  if (!FileExists(path)) return "was not found";
  if (!HasConfigurationExtension(path)) return "is not a configuration file (*.cfx)";
  return {};
}

// ---- saving ----

std::optional<std::string> TConfigurationFiles::AskSavePath(const std::string& offeredName) {
  TFileDialogRequest request;
  request.Title = "Save Configuration";
  request.Filter = ConfigurationFilter;
  request.InitialDir = configurationDIR_;
  request.FileName = offeredName;
  const std::optional<std::string> chosen = dialogs_.SaveFileDialog(request);
  if (!chosen) return std::nullopt;
  const std::string path = WithExtension(*chosen);
  SetCurrentFile(path, false);
  configLoaded_ = true;
  rejectedFileFlag_ = false;
  return path;
}

void TConfigurationFiles::SaveConfiguration() {
  if (!configLoaded_ || ConfigFileName.empty() || rejectedFileFlag_) {
    if (!AskSavePath("")) return;
  }
  WriteFile();
}

void TConfigurationFiles::SaveConfigurationAs() {
  if (!AskSavePath(configLoaded_ ? ConfigFileName : "")) return;
  WriteFile();
}

void TConfigurationFiles::WriteFile() {
  const std::string name = FileNamePart(ConfigFileName);
  if (IsReadOnlyFile(ConfigFileName)) {
    dialogs_.ShowMessage("Unable to save configuration, '" + name + "' is a read-only file.", TDialogType::Error,
                         TDialogButtons::OK);
    return;
  }
  TIniDocument doc;
  std::string cause;
  bool ok = ReadIniFile(ConfigFileName, doc) != TIniReadResult::Failed;
  if (ok) {
    WriteConfiguration(doc, host_.FixedViewMode(), host_.HexMode(), parts_, host_.LogOptions());
    WriteConfigurationDatabase(doc, host_.DatabaseFile());
    WritePlotKeys(doc, host_.PlotLayout());
    ok = WriteIniFile(ConfigFileName, doc, &cause);
  } else {
    cause = UnreadableFileCause;
  }
  if (!ok) {
    dialogs_.ShowMessage(WithCause("Access to file '" + name + "' denied, cannot save configuration.", cause),
                         TDialogType::Error, TDialogButtons::OK);
    return;
  }
  configModified_ = false;
}

}  // namespace tarvo
