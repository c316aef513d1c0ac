#pragma once
// The " CAN Transmit Editor " below the transmit list, and the commands of
// the list: the editor composes one message; "Add" appends it, "Modify"
// overwrites the selected item, "Delete" removes that item; a click on an
// item loads it into the editor. Identifiers and data bytes are typed in the
// numeric base of the display options.
//
// The controls are plain fields here; the page's widgets mirror them and
// forward every user action to the handler of the same name.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "common/TarvoCAN.h"
#include "common/UserDialogs.h"
#include "transmit/TransmitList.h"
#include "transmit/TransmitSeams.h"

namespace tarvo {

class TTransmitScheduler;

// What the editor's controls hold, by component name.
struct TCANTransmitEditorForm {
  bool Bit29Flag = false;           // RadioButton31 "29 Bit" checked; else RadioButton30 "11 Bit"
  std::string IDText;               // FilePath, upper-case
  int IDMaxLength = 3;
  bool RemoteFlag = false;          // RadioButton33 "Remote" checked; else RadioButton32 "Data"
  int DLC = 8;                      // SpinEdit7, 0..8
  std::array<std::string, 8> DataText{"FF", "FF", "FF", "FF", "FF", "FF", "FF", "FF"};  // Edit2..Edit9
  std::array<bool, 8> DataEnabled{true, true, true, true, true, true, true, true};
  int DataMaxLength = 2;
  bool OnKeyFlag = false;           // RadioButton35 "On Key" checked; else RadioButton34 "On Time (ms) "
  std::string PeriodText = "1000";  // ComboBox1; the box accepts typing
  bool PeriodBoxEnabled = true;
  std::string KeyText = "F1";       // ComboBox2; the box accepts typing
  bool KeyBoxEnabled = false;
  std::string Comment;              // Edit10, at most 30 characters
  // The DLC at the last refresh of the data fields: fields from here up to
  // the DLC are newly shown and get "FF".
  int CANTransmitEditorDLC = 8;
};

// Entry position of the box's text, -1 when the text is none of them.
int PeriodEntryIndex(const TCANTransmitEditorForm& form);
int KeyEntryIndex(const TCANTransmitEditorForm& form);

// Message texts.
inline constexpr const char* TxMsgIDHex = "ID must contain only valid hexadecimal numbers 0..9, A..F.";
inline constexpr const char* TxMsgIDDec = "ID must contain only valid decimal numbers 0..9.";
inline constexpr const char* TxMsgIDTooLarge = "ID too large.";
inline constexpr const char* TxMsgDataHex = "Data must contain only valid hexadecimal numbers 0..9, A..F.";
inline constexpr const char* TxMsgDataDec = "Data must contain only valid decimal numbers 0..9.";
inline constexpr const char* TxMsgListFull = "50 transmit items max.";
inline constexpr const char* TxMsgNoModifySelection = "No message selected to modify.";
inline constexpr const char* TxMsgNoDeleteSelection = "No message selected to delete.";
inline constexpr const char* TxMsgBadKey = "On Key must be one of F1..F9 or Ctrl+1..Ctrl+9.";
inline constexpr const char* TxMsgStopped = "Tarvo stopped.";
inline constexpr const char* TxMsgListenOnly = "'Listen Only' mode selected.";

class TTransmitEditor {
 public:
  TTransmitEditor(TCANTransmit& list, TransmitHost& host, UserDialogs& dialogs, TTransmitScheduler& scheduler);

  TCANTransmitEditorForm Form;
  bool TxSelectAllFlag = false;  // what the next click on the "Tx" header gives every item
  int32_t SelectedRow = -1;      // the list's selection, -1 = none

  // Called after every change of the list, the selection or the form, so the
  // page can show it.
  std::function<void()> Changed;
  void NotifyChanged();

  // ---- List commands ----
  void AddItem();
  void ModifyItem();
  void DeleteItem();
  void DeleteAllItems();
  void EnableAllItems();
  void DisableAllItems();
  void ToggleAllItems(int column);
  // A click on a row's check box: toggles the item and selects the row.
  void ToggleItem(int32_t row);
  // Every click in the list, after a check-box click: loads the selection.
  void LoadSelection();
  void SelectRow(int32_t row);
  TConversionHint SelectionHint() const;

  // ---- Editor controls ----
  void ChooseIdWidth(bool bit29);      // ID width chosen
  void ChooseFrameKind(bool remote);   // mouse released on "Data" or "Remote"
  void ChangeDlc(int dlc);
  void ChooseOnTime();                // "On Time (ms) "
  void ChooseOnKey();                // "On Key"
  void SetIDText(const std::string& text);  // typed texts, upper-cased like the fields
  void SetDataText(int field, const std::string& text);

  // ---- Editor routines ----
  void FillCANTransmitEditor();
  void RefreshCANTransmitEditorData();
  // After the numeric base changed: texts typed in the other base are converted.
  void ConvertCANTransmitEditorNumericBase();
  void SelectFreeTransmitKey();
  // The form as after "New": every field at its start value in the present base.
  void ResetCANTransmitEditor();
  // "Copy To Tx" with the selected CAN View entry; true when it was a
  // received message and is now in the editor (the window then shows the
  // page that holds the editor).
  bool CopyToEditor(int32_t itemType, const TTarvoCAN& message);

  // ---- The frame in the fields (composing a message by its signals) ----
  // The frame the fields hold, read without a message: false when the
  // identifier does not pass its check. A data field that does not pass its
  // check reads as 0.
  bool PeekEditorFrame(TTarvoCAN& message);
  // Puts a message's width, identifier, frame kind, DLC and data bytes into
  // the fields, in the present base; the trigger and the comment stay.
  void SetEditorFrame(const TTarvoCAN& message);

  // ---- "Now" ----
  void SendNow();

  // Reads the editor as "Add" does; false after showing the first failed
  // check. withTrigger: also the trigger and the comment.
  bool ReadCANTransmitEditor(TCANTransmitMessage& item, bool withTrigger);

 private:
  bool Hex() { return host_.HexMode(); }
  bool Warn(const char* text);
  bool CheckEditorID();
  bool CheckEditorData();
  void ReadEditorFrame(TCANTransmitMessage& item);
  bool ReadEditorTrigger(TCANTransmitMessage& item);
  void FillEditorTrigger(const TCANTransmitMessage& item);
  // The routines without the change notice, for use inside a command.
  void SetIDWidth(bool bit29);
  void SetTrigger(bool onKey);
  void RefreshData();
  void FillEditor();
  void SelectFreeKey();
  void SetEnabledAll(bool enabled);
  void ShowFrame(const TTarvoCAN& message);

  TCANTransmit& list_;
  TransmitHost& host_;
  UserDialogs& dialogs_;
  TTransmitScheduler& scheduler_;
};

}  // namespace tarvo
