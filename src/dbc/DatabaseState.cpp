#include "dbc/DatabaseState.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalText.h"

namespace tarvo {

namespace {

std::string FileNameOnly(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string IdText(uint32_t id, bool hex) {
  char text[16];
  std::snprintf(text, sizeof text, hex ? "%X" : "%u", id);
  return text;
}

}  // namespace

std::string DatabaseErrorText(const std::string& path, const std::string& reason) {
  return "Database file '" + FileNameOnly(path) + "' cannot be used: " + reason + ".";
}

bool LoadDatabase(TDatabaseState& state, UserDialogs& dialogs, const std::string& path) {
  TDbcReadResult r = ReadDbcFile(path);
  if (!r.Ok) {
    dialogs.ShowMessage(DatabaseErrorText(path, DbcErrorText(r.Error)), TDialogType::Error, TDialogButtons::OK);
    return false;
  }
  state.Database = std::move(r.Database);
  state.FileName = path;
  state.LoadedFlag = true;
  if (!r.Skipped.empty() || !r.Notes.empty())
    dialogs.ShowMessage(DatabaseFaultsText(path, r), TDialogType::Warning, TDialogButtons::OK);
  return true;
}

std::string DatabaseFaultsText(const std::string& path, const TDbcReadResult& r) {
  std::string text = "Database file '" + FileNameOnly(path) + "' is loaded without what could not be read:";
  size_t shown = 0;
  const auto add = [&](const std::vector<TDbcError>& list, const char* kind) {
    for (const TDbcError& e : list) {
      if (++shown > MaxDatabaseFaultLines) continue;
      text += "\n" + std::string(kind) + DbcErrorText(e);
    }
  };
  add(r.Skipped, "skipped, ");
  add(r.Notes, "");
  if (shown > MaxDatabaseFaultLines) text += "\nand " + std::to_string(shown - MaxDatabaseFaultLines) + " more.";
  return text;
}

bool ChooseDatabaseFile(TDatabaseState& state, UserDialogs& dialogs, const std::string& defaultDir) {
  TFileDialogRequest request;
  request.Title = DatabaseDialogTitle;
  request.Filter = DatabaseDialogFilter;
  std::error_code error;
  const std::string loadedDir =
      state.LoadedFlag ? std::filesystem::path(state.FileName).parent_path().string() : std::string();
  request.InitialDir = !loadedDir.empty() && std::filesystem::is_directory(loadedDir, error) ? loadedDir : defaultDir;
  const std::optional<std::string> path = dialogs.OpenFileDialog(request);
  if (!path || path->empty()) return false;
  return LoadDatabase(state, dialogs, *path);
}

TFrameDescription DescribeFrame(const TDbcDatabase& db, int32_t itemType, const TTarvoCAN& frame, bool hex,
                                std::string_view decimalSeparator) {
  TFrameDescription d;
  if (itemType < 0 || itemType > 3) return d;
  d.Message = db.Find(frame.IDE, frame.ID);
  const std::string id = "ID " + IdText(frame.ID, hex);
  if (d.Message == nullptr) {
    d.Caption = id + ": not in the database";
    return d;
  }
  d.Caption = d.Message->Name + " (" + id + ")";
  if (frame.RTR != 0) {
    d.Caption += ": remote frame";
    return d;
  }
  std::vector<TDecodedSignal> decoded(d.Message->Signals.size());
  const size_t n = DecodeMessage(*d.Message, frame.Data, std::min<size_t>(frame.DLC, 8), decoded.data());
  for (size_t i = 0; i < n; ++i) {
    const TDecodedSignal& s = decoded[i];
    TSignalRow row;
    row.Name = s.Signal->Name;
    row.Comment = s.Signal->Comment;
    if (s.Present) {
      row.Value = SignalValueText(*s.Signal, s.Raw, s.Physical, decimalSeparator);
      row.Raw = RawValueText(*s.Signal, s.Raw, hex);
    } else {
      row.Value = "not in frame";
    }
    d.Rows.push_back(std::move(row));
  }
  return d;
}

std::string FrameToolTip(const TDbcDatabase& db, int32_t itemType, const TTarvoCAN& frame, bool hex,
                         std::string_view decimalSeparator) {
  if (itemType < 0 || itemType > 3 || frame.RTR != 0) return {};
  const TDbcMessage* m = db.Find(frame.IDE, frame.ID);
  if (m == nullptr) return {};
  return MessageTooltipText(*m, frame.Data, frame.DLC, hex, decimalSeparator);
}

TTarvoCAN ComposeMessage(const TDbcMessage& message, const TTarvoCAN& current) {
  TTarvoCAN frame;
  frame.IDE = message.IDE;
  frame.ID = message.ID;
  frame.RTR = 0;
  frame.DLC = uint8_t(message.Size < 8 ? message.Size : 8);
  const bool same = current.IDE == message.IDE && current.ID == message.ID && current.RTR == 0;
  if (same)
    for (int i = 0; i < frame.DLC; ++i) frame.Data[i] = current.Data[i];
  return frame;
}

std::vector<size_t> EditableSignals(const TDbcMessage& message, const TTarvoCAN& frame) {
  std::vector<size_t> shown;
  if (frame.RTR != 0) return shown;
  const TFrameWords words = FrameWords(frame.Data, frame.DLC);
  for (size_t i = 0; i < message.Signals.size(); ++i)
    if (SignalSelected(message, message.Signals[i], words)) shown.push_back(i);
  return shown;
}

bool SetSignalText(const TDbcMessage& message, size_t signal, std::string_view text,
                   std::string_view decimalSeparator, TTarvoCAN& frame) {
  if (signal >= message.Signals.size() || frame.RTR != 0) return false;
  const TDbcSignal& s = message.Signals[signal];
  if (s.BytesUsed > frame.DLC || s.BytesUsed > 8) return false;
  uint64_t raw = 0;
  if (!ParseSignalText(s, text, decimalSeparator, raw)) return false;
  InsertRaw(s, raw, frame.Data);
  return true;
}

std::string SignalValueErrorText(const TDbcSignal& signal, std::string_view text) {
  std::string shown(text.substr(0, 40));
  if (text.size() > 40) shown += "...";
  return "'" + shown + "' is not a value of signal " + signal.Name + ".";
}

}  // namespace tarvo
