#include "transmit/TransmitEditor.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/TextRoutines.h"
#include "transmit/TransmitScheduler.h"

namespace tarvo {

namespace {

int EntryIndex(const auto& entries, const std::string& text) {
  const auto it = std::find(entries.begin(), entries.end(), text);
  return it == entries.end() ? -1 : int(it - entries.begin());
}

int IDMaxLength(bool bit29, bool hex) {
  if (bit29) return hex ? 8 : 9;
  return hex ? 3 : 4;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A text typed in one base, rewritten in the other; empty when it is not a
// number of the old base. Data bytes keep two hexadecimal digits.
std::string ConvertedText(const std::string& text, bool toHex, bool dataByte) {
  if (!IsNumberText(text, !toHex)) return {};
  const uint32_t value = toHex ? DecTextToInt(text) : HexTextToInt(text);
  if (!toHex) return NumberText(value, false);
  if (!dataByte) return NumberText(value, true);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.2X", value);
  return digits;
}

}  // namespace

int PeriodEntryIndex(const TCANTransmitEditorForm& form) { return EntryIndex(PeriodEntries(), form.PeriodText); }

int KeyEntryIndex(const TCANTransmitEditorForm& form) { return EntryIndex(KeyEntries(), form.KeyText); }

TTransmitEditor::TTransmitEditor(TCANTransmit& list, TransmitHost& host, UserDialogs& dialogs,
                                     TTransmitScheduler& scheduler)
    : list_(list), host_(host), dialogs_(dialogs), scheduler_(scheduler) {}

void TTransmitEditor::NotifyChanged() {
  if (Changed) Changed();
}

bool TTransmitEditor::Warn(const char* text) {
  dialogs_.ShowMessage(text, TDialogType::Warning, TDialogButtons::OK);
  return false;
}

// ---- Reading the editor ----------------------------------------------------------------

bool TTransmitEditor::CheckEditorID() {
  switch (CheckIDText(!Form.Bit29Flag, Form.IDText, Hex())) {
    case 1: return Warn(Hex() ? TxMsgIDHex : TxMsgIDDec);
    case 2: return Warn(TxMsgIDTooLarge);
    default: return true;
  }
}

bool TTransmitEditor::CheckEditorData() {
  if (Form.RemoteFlag) return true;
  for (int n = 0; n < Form.DLC; ++n)
    if (!CheckDataByteText(Form.DataText[n], Hex())) return Warn(Hex() ? TxMsgDataHex : TxMsgDataDec);
  return true;
}

void TTransmitEditor::ReadEditorFrame(TCANTransmitMessage& item) {
  item.IDE = Form.Bit29Flag ? 1 : 0;
  item.ID = Hex() ? HexTextToInt(Form.IDText) : DecTextToInt(Form.IDText);
  item.RTR = Form.RemoteFlag ? 1 : 0;
  item.DLC = uint8_t(std::clamp(Form.DLC, 0, 8));
  item.Data = {};
  if (Form.RemoteFlag) return;
  for (int n = 0; n < item.DLC; ++n)
    item.Data[n] = uint8_t(Hex() ? HexTextToInt(Form.DataText[n]) : DecTextToInt(Form.DataText[n]));
}

// The key box accepts typing; a text that is none of its entries would
// store an item with no trigger at all, so it is refused.
bool TTransmitEditor::ReadEditorTrigger(TCANTransmitMessage& item) {
  if (!Form.OnKeyFlag) {
    item.PeriodIndex = uint32_t(PeriodEntryIndex(Form) + 1);
    item.Key = 0;
    return true;
  }
  const int key = KeyEntryIndex(Form);
  if (key < 0) return Warn(TxMsgBadKey);
  item.PeriodIndex = 0;
  item.Key = key + 1;
  return true;
}

bool TTransmitEditor::ReadCANTransmitEditor(TCANTransmitMessage& item, bool withTrigger) {
  if (!CheckEditorID() || !CheckEditorData()) return false;
  ReadEditorFrame(item);
  if (!withTrigger) return true;
  if (!ReadEditorTrigger(item)) return false;
  item.Comment = Form.Comment;
  return true;
}

// ---- List commands -----------------------------------------------------------------------

// Items keep their BufferNo and Time: the next start sets them.
static void StoreEditorValues(TCANTransmitMessage& target, const TCANTransmitMessage& values) {
  target.EnabledFlag = true;
  target.IDE = values.IDE;
  target.ID = values.ID;
  target.RTR = values.RTR;
  target.DLC = values.DLC;
  target.Data = values.Data;
  target.PeriodIndex = values.PeriodIndex;
  target.Key = values.Key;
  target.Comment = values.Comment;
}

// The list cannot grow or shrink while running: the schedule relies on the
// rows handed to the adapter staying where they are.
void TTransmitEditor::AddItem() {
  if (host_.Running()) return;
  TCANTransmitMessage values;
  if (!ReadCANTransmitEditor(values, true)) return;
  if (list_.Count >= MaxTransmitItems) {
    Warn(TxMsgListFull);
    return;
  }
  StoreEditorValues(list_.List[list_.Count], values);
  ++list_.Count;
  SelectedRow = -1;
  SelectFreeKey();
  host_.SetConfigModified();
  NotifyChanged();
}

void TTransmitEditor::ModifyItem() {
  if (SelectedRow < 0 || SelectedRow >= list_.Count) {
    Warn(TxMsgNoModifySelection);
    return;
  }
  TCANTransmitMessage values;
  if (!ReadCANTransmitEditor(values, true)) return;
  TCANTransmitMessage& item = list_.List[SelectedRow];
  StoreEditorValues(item, values);
  item.Time = Form.OnKeyFlag ? 0 : PeriodMs(item.PeriodIndex);
  host_.SetConfigModified();
  SelectFreeKey();
  scheduler_.UpdateRepetitionBuffer(SelectedRow);
  NotifyChanged();
}

void TTransmitEditor::DeleteItem() {
  if (host_.Running()) return;
  if (SelectedRow < 0 || SelectedRow >= list_.Count) {
    Warn(TxMsgNoDeleteSelection);
    return;
  }
  std::move(list_.List.begin() + SelectedRow + 1, list_.List.begin() + list_.Count,
            list_.List.begin() + SelectedRow);
  list_.List[--list_.Count] = {};
  if (list_.Count == 0) {
    SelectedRow = -1;
    SelectFreeKey();
  } else {
    // The row below moved up into the selection; past the end nothing is selected.
    if (SelectedRow >= list_.Count) SelectedRow = -1;
    FillEditor();
  }
  host_.SetConfigModified();
  NotifyChanged();
}

void TTransmitEditor::DeleteAllItems() {
  if (host_.Running()) return;
  list_.Count = 0;
  SelectedRow = -1;
  host_.SetConfigModified();
  NotifyChanged();
}

void TTransmitEditor::SetEnabledAll(bool enabled) {
  for (int32_t row = 0; row < list_.Count; ++row) list_.List[row].EnabledFlag = enabled;
}

void TTransmitEditor::EnableAllItems() {
  if (host_.Running()) return;
  TxSelectAllFlag = true;
  if (list_.Count == 0) return;
  SetEnabledAll(true);
  host_.SetConfigModified();
  NotifyChanged();
}

void TTransmitEditor::DisableAllItems() {
  if (host_.Running()) return;
  TxSelectAllFlag = false;
  if (list_.Count == 0) return;
  SetEnabledAll(false);
  host_.SetConfigModified();
  NotifyChanged();
}

void TTransmitEditor::ToggleAllItems(int column) {
  if (column != TX_COLUMN_TX || host_.Running() || list_.Count == 0) return;
  SetEnabledAll(TxSelectAllFlag);
  TxSelectAllFlag = !TxSelectAllFlag;
  NotifyChanged();
}

void TTransmitEditor::ToggleItem(int32_t row) {
  if (row < 0 || row >= list_.Count) return;
  list_.List[row].EnabledFlag = !list_.List[row].EnabledFlag;
  SelectedRow = row;
  scheduler_.UpdateRepetitionBuffer(row);
  NotifyChanged();
}

void TTransmitEditor::LoadSelection() {
  FillEditor();
  NotifyChanged();
}

void TTransmitEditor::SelectRow(int32_t row) { SelectedRow = row >= 0 && row < list_.Count ? row : -1; }

TConversionHint TTransmitEditor::SelectionHint() const {
  const bool valid = SelectedRow >= 0 && SelectedRow < list_.Count;
  return TransmitConversionHint(valid ? &list_.List[SelectedRow] : nullptr, host_.HexMode());
}

// ---- Editor controls ---------------------------------------------------------------------

void TTransmitEditor::ChooseIdWidth(bool bit29) {
  SetIDWidth(bit29);
  NotifyChanged();
}

void TTransmitEditor::SetIDWidth(bool bit29) {
  Form.Bit29Flag = bit29;
  Form.IDMaxLength = IDMaxLength(bit29, Hex());
  Form.IDText.clear();
}

// Releasing the mouse on "Data", even a checked one, shows every data field
// afresh with "FF".
void TTransmitEditor::ChooseFrameKind(bool remote) {
  Form.RemoteFlag = remote;
  if (!remote) Form.CANTransmitEditorDLC = 0;
  RefreshData();
  NotifyChanged();
}

void TTransmitEditor::ChangeDlc(int dlc) {
  Form.DLC = std::clamp(dlc, 0, 8);
  RefreshData();
  NotifyChanged();
}

void TTransmitEditor::ChooseOnTime() {
  SetTrigger(false);
  NotifyChanged();
}

void TTransmitEditor::ChooseOnKey() {
  SetTrigger(true);
  NotifyChanged();
}

void TTransmitEditor::SetTrigger(bool onKey) {
  Form.OnKeyFlag = onKey;
  Form.PeriodBoxEnabled = !onKey;
  Form.KeyBoxEnabled = onKey;
}

void TTransmitEditor::SetIDText(const std::string& text) { Form.IDText = UpperCase(text); }

void TTransmitEditor::SetDataText(int field, const std::string& text) {
  if (field >= 0 && field < 8) Form.DataText[field] = UpperCase(text);
}

// ---- Editor routines ---------------------------------------------------------------------

void TTransmitEditor::RefreshCANTransmitEditorData() {
  RefreshData();
  NotifyChanged();
}

void TTransmitEditor::RefreshData() {
  for (int n = 0; n < 8; ++n) {
    const bool shown = n < Form.DLC && !Form.RemoteFlag;
    if (shown && n >= Form.CANTransmitEditorDLC) Form.DataText[n] = Hex() ? "FF" : "255";
    if (!shown) Form.DataText[n].clear();
    Form.DataEnabled[n] = shown;
  }
  Form.CANTransmitEditorDLC = Form.DLC;
}

void TTransmitEditor::FillEditorTrigger(const TCANTransmitMessage& item) {
  if (item.PeriodIndex >= 1 && item.PeriodIndex <= PeriodCount) {
    SetTrigger(false);
    Form.PeriodText = PeriodText(item.PeriodIndex);
  } else if (item.Key >= 1 && item.Key <= KeyCount) {
    SetTrigger(true);
    Form.KeyText = KeyText(item.Key);
  }
}

void TTransmitEditor::FillCANTransmitEditor() {
  FillEditor();
  NotifyChanged();
}

void TTransmitEditor::FillEditor() {
  if (SelectedRow < 0 || SelectedRow >= list_.Count) return;
  const TCANTransmitMessage& item = list_.List[SelectedRow];
  SetIDWidth(item.IDE == 1);
  Form.IDText = NumberText(item.ID, Hex());
  Form.DLC = WireDLC(item.DLC);
  Form.RemoteFlag = item.RTR == 1;
  Form.CANTransmitEditorDLC = Form.RemoteFlag ? 0 : Form.DLC;
  RefreshData();
  for (int n = 0; n < 8; ++n)
    Form.DataText[n] = Form.RemoteFlag || n >= Form.DLC ? "" : ByteText(item.Data[n], Hex());
  FillEditorTrigger(item);
  Form.Comment = item.Comment;
}

void TTransmitEditor::ConvertCANTransmitEditorNumericBase() {
  const bool hex = Hex();
  Form.IDMaxLength = IDMaxLength(Form.Bit29Flag, hex);
  if (!Form.IDText.empty()) Form.IDText = ConvertedText(Form.IDText, hex, false);
  Form.DataMaxLength = hex ? 2 : 3;
  for (std::string& text : Form.DataText)
    if (!text.empty()) text = ConvertedText(text, hex, true);
  NotifyChanged();
}

void TTransmitEditor::SelectFreeTransmitKey() {
  SelectFreeKey();
  NotifyChanged();
}

void TTransmitEditor::SelectFreeKey() {
  std::array<bool, KeyCount + 1> used{};
  for (int32_t row = 0; row < list_.Count; ++row) {
    const int32_t key = list_.List[row].Key;
    if (key >= 1 && key <= KeyCount) used[key] = true;
  }
  for (int32_t key = 1; key <= KeyCount; ++key) {
    if (used[key]) continue;
    Form.KeyText = KeyText(key);
    return;
  }
}

void TTransmitEditor::ResetCANTransmitEditor() {
  Form = TCANTransmitEditorForm{};
  Form.IDMaxLength = IDMaxLength(false, Hex());
  Form.DataMaxLength = Hex() ? 2 : 3;
  Form.DataText.fill(Hex() ? "FF" : "255");
  NotifyChanged();
}

bool TTransmitEditor::CopyToEditor(int32_t itemType, const TTarvoCAN& message) {
  if (itemType != 0 && itemType != 1) return false;  // only received messages
  ShowFrame(message);
  SetTrigger(false);
  Form.PeriodText = PeriodText(7);
  Form.Comment.clear();
  NotifyChanged();
  return true;
}

void TTransmitEditor::ShowFrame(const TTarvoCAN& message) {
  SetIDWidth(message.IDE == 1);
  Form.IDText = NumberText(message.ID, Hex());
  Form.RemoteFlag = message.RTR == 1;
  Form.DLC = WireDLC(message.DLC);
  RefreshData();
  if (!Form.RemoteFlag)
    for (int n = 0; n < Form.DLC; ++n) Form.DataText[n] = ByteText(message.Data[n], Hex());
}

void TTransmitEditor::SetEditorFrame(const TTarvoCAN& message) {
  ShowFrame(message);
  NotifyChanged();
}

bool TTransmitEditor::PeekEditorFrame(TTarvoCAN& message) {
  if (CheckIDText(!Form.Bit29Flag, Form.IDText, Hex()) != 0) return false;
  message = TTarvoCAN{};
  message.IDE = Form.Bit29Flag ? 1 : 0;
  message.ID = Hex() ? HexTextToInt(Form.IDText) : DecTextToInt(Form.IDText);
  message.RTR = Form.RemoteFlag ? 1 : 0;
  message.DLC = uint8_t(std::clamp(Form.DLC, 0, 8));
  if (message.RTR) return true;
  for (int n = 0; n < message.DLC; ++n) {
    const std::string& text = Form.DataText[size_t(n)];
    if (CheckDataByteText(text, Hex())) message.Data[n] = uint8_t(Hex() ? HexTextToInt(text) : DecTextToInt(text));
  }
  return true;
}

// ---- "Now" -------------------------------------------------------------------------------

void TTransmitEditor::SendNow() {
  if (!host_.Running()) {
    Warn(TxMsgStopped);
    return;
  }
  if (host_.ListenOnly()) {
    Warn(TxMsgListenOnly);
    return;
  }
  TCANTransmitMessage message;
  if (ReadCANTransmitEditor(message, false)) scheduler_.SendNow(message);
}

}  // namespace tarvo
