#include "setup/ReceiveFilters.h"

#include <cstdint>
#include <cstdio>

#include "common/TextRoutines.h"

namespace tarvo {

namespace {

constexpr const char* EditNames[FILTER_FIELD_COUNT] = {"Edit11", "Edit12", "Edit13", "Edit14",
                                                       "Edit15", "Edit16", "Edit17", "Edit18"};

// How the warnings name each field.
constexpr const char* FieldTitles[FILTER_FIELD_COUNT] = {
    "Receive Buffer 1, Mask",     "Receive Buffer 1, Filter 1", "Receive Buffer 1, Filter 2",
    "Receive Buffer 2, Mask",     "Receive Buffer 2, Filter 1", "Receive Buffer 2, Filter 2",
    "Receive Buffer 2, Filter 3", "Receive Buffer 2, Filter 4"};

// Both masks come first, then the filters of buffer 1 and of buffer 2.
constexpr int ValidationOrder[FILTER_FIELD_COUNT] = {
    FIELD_RX1_MASK,    FIELD_RX2_MASK,    FIELD_RX1_FILTER1, FIELD_RX1_FILTER2,
    FIELD_RX2_FILTER1, FIELD_RX2_FILTER2, FIELD_RX2_FILTER3, FIELD_RX2_FILTER4};

constexpr uint32_t Max11BitID = 0x7FF;
constexpr uint32_t Max29BitID = 0x1FFFFFFF;

int FirstField(int buffer) { return buffer == 1 ? FIELD_RX1_MASK : FIELD_RX2_MASK; }
int FieldCount(int buffer) { return buffer == 1 ? 3 : 5; }

enum class TIDTextCheck { Valid, BadCharacters, TooLarge };

// Empty text or any character outside 0-9, A-F is refused as bad characters.
// More than eight digits cannot fit the 32-bit value, so such a text (only
// a configuration file can hold one) counts as too large.
// Unlike CheckIDText, leading zeros do not make a longer text acceptable.
TIDTextCheck CheckHexIDText(const std::string& text, uint32_t limit) {
  if (text.empty() || !IsNumberText(text, true)) return TIDTextCheck::BadCharacters;
  if (text.size() > 8) return TIDTextCheck::TooLarge;
  return HexTextToInt(text) > limit ? TIDTextCheck::TooLarge : TIDTextCheck::Valid;
}

std::string UpperCaseAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Characters, not bytes: a typed non-ASCII letter counts once.
size_t CharacterCount(const std::string& utf8) {
  size_t count = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

std::string HexText(uint32_t value, int minimumDigits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", minimumDigits, value);
  return buffer;
}

}  // namespace

const char* FilterTypeCaption(int number) {
  switch (number) {
    case FilterTypeNone: return "None";
    case FilterType11BitOnly: return "11 Bit Only";
    case FilterType29BitOnly: return "29 Bit Only";
    case FilterTypeCustom: return "Custom";
    default: return nullptr;
  }
}

const char* FilterEditName(int index) { return EditNames[index]; }
int FilterFieldBuffer(int index) { return index < FIELD_RX2_MASK ? 1 : 2; }

int WidthButtonNumber(int buffer, bool extended) { return (buffer == 1 ? 19 : 21) + (extended ? 1 : 0); }

TReceiveFilterPage::TReceiveFilterPage(UserDialogs& dialogs, bool& configModifiedFlag, const TSetupHooks& hooks)
    : dialogs_(dialogs), configModified_(configModifiedFlag), hooks_(hooks) {}

// ---- filter type ----------------------------------------------------------------

bool TReceiveFilterPage::ClickFilterType(int number) {
  if (FilterTypeCaption(number) == nullptr) return false;
  TChangeScope scope(changeDepth_, hooks_);
  CheckFilterType(number);
  return true;
}

// A radio button's click handler runs only when it becomes checked.
void TReceiveFilterPage::CheckFilterType(int number) {
  if (number == filterType_) return;
  filterType_ = number;
  RunFilterTypeChoice(number);
}

void TReceiveFilterPage::RunFilterTypeChoice(int number) {
  switch (number) {
    case FilterTypeNone:
      // Texts and widths stay for when another type is chosen.
      buffersVisible_ = false;
      configModified_ = true;
      break;
    case FilterType11BitOnly:
    case FilterType29BitOnly:
      SelectSingleWidth(number, number == FilterType29BitOnly);
      break;
    case FilterTypeCustom:
      buffersVisible_ = true;
      break;
  }
}

// Both buffers on one width with everything open. The width and field
// handlers on the way check "Custom"; the type is checked again at the end
// without running its click once more.
void TReceiveFilterPage::SelectSingleWidth(int number, bool extended) {
  for (int buffer : {1, 2}) {
    ClickWidth(buffer, extended);
    ResetBufferFields(buffer);
  }
  buffersVisible_ = true;
  filterType_ = number;
  configModified_ = true;
}

// ---- widths and fields ------------------------------------------------------------

void TReceiveFilterPage::ClickWidth(int buffer, bool extended) {
  bool& current = extended_[buffer == 2 ? 1 : 0];
  if (current == extended) return;
  TChangeScope scope(changeDepth_, hooks_);
  current = extended;
  ResetBufferFields(buffer);
  CheckFilterType(FilterTypeCustom);
  configModified_ = true;
}

void TReceiveFilterPage::SetBufferWidth(int buffer, bool extended) {
  TChangeScope scope(changeDepth_, hooks_);
  extended_[buffer == 2 ? 1 : 0] = extended;
  for (int i = FirstField(buffer); i < FirstField(buffer) + FieldCount(buffer); ++i)
    edits_[i].MaxLength = extended ? 8 : 3;
}

void TReceiveFilterPage::ResetBufferFields(int buffer) {
  const bool extended = Buffer29Bit(buffer);
  for (int i = FirstField(buffer); i < FirstField(buffer) + FieldCount(buffer); ++i) {
    edits_[i].MaxLength = extended ? 8 : 3;
    SetFieldText(i, extended ? "00000000" : "000");
  }
}

void TReceiveFilterPage::TypeFieldText(int index, const std::string& text) {
  const std::string typed = UpperCaseAscii(text);
  const size_t length = CharacterCount(typed);
  const TFilterEdit& edit = edits_[index];
  if (length > static_cast<size_t>(edit.MaxLength) && length > CharacterCount(edit.Text)) return;
  SetFieldText(index, typed);
}

void TReceiveFilterPage::SetFieldText(int index, const std::string& text) {
  if (edits_[index].Text == text) return;
  TChangeScope scope(changeDepth_, hooks_);
  edits_[index].Text = text;
  FilterFieldEdited();
}

void TReceiveFilterPage::FilterFieldEdited() {
  CheckFilterType(FilterTypeCustom);
  configModified_ = true;
}

void TReceiveFilterPage::ShowBuffers(bool visible) {
  TChangeScope scope(changeDepth_, hooks_);
  buffersVisible_ = visible;
}

// ---- validation and the values sent ----------------------------------------------

bool TReceiveFilterPage::ValidateCANReceiveFilters() {
  for (int index : ValidationOrder) {
    const uint32_t limit = Buffer29Bit(FilterFieldBuffer(index)) ? Max29BitID : Max11BitID;
    const TIDTextCheck check = CheckHexIDText(edits_[index].Text, limit);
    if (check == TIDTextCheck::Valid) continue;
    const std::string title = FieldTitles[index];
    Warn(check == TIDTextCheck::BadCharacters
             ? title + " must contain only valid hexadecimal numbers 0..9, A..F."
             : title + " too large.");
    return false;
  }
  return true;
}

TFilterSettings TReceiveFilterPage::FilterSettings() const {
  if (filterType_ == FilterTypeNone) return AcceptAllFilters();
  TFilterSettings f;
  const uint8_t flag1 = Buffer29Bit(1) ? 1 : 0;
  const uint8_t flag2 = Buffer29Bit(2) ? 1 : 0;
  f.Mask1 = HexTextToInt(edits_[FIELD_RX1_MASK].Text);
  f.Mask2 = HexTextToInt(edits_[FIELD_RX2_MASK].Text);
  for (int i = 0; i < 6; ++i) {
    const int field = i < 2 ? FIELD_RX1_FILTER1 + i : FIELD_RX2_FILTER1 + (i - 2);
    f.Flag[i] = i < 2 ? flag1 : flag2;
    f.Filter[i] = HexTextToInt(edits_[field].Text);
  }
  return f;
}

bool TReceiveFilterPage::FilterSettingsForStart(TFilterSettings& settings) {
  if (filterType_ != FilterTypeNone && !ValidateCANReceiveFilters()) return false;
  settings = FilterSettings();
  return true;
}

void TReceiveFilterPage::FilterOnID(bool runningFlag, const TTarvoCAN* selectedMessage) {
  if (runningFlag) {
    Warn(FilterOnIDRunningMessage);
    return;
  }
  if (selectedMessage == nullptr) return;
  TChangeScope scope(changeDepth_, hooks_);
  const bool extended = (selectedMessage->IDE & 1) != 0;
  ClickWidth(1, extended);
  ClickWidth(2, extended);
  const std::string mask = extended ? "1FFFFFFF" : "7FF";
  const std::string filter = HexText(selectedMessage->ID, extended ? 8 : 3);
  for (int i = 0; i < FILTER_FIELD_COUNT; ++i)
    SetFieldText(i, i == FIELD_RX1_MASK || i == FIELD_RX2_MASK ? mask : filter);
  CheckFilterType(FilterTypeCustom);
  if (hooks_.ActivatePage) hooks_.ActivatePage(TSetupPageRequest::CANSetup);
}

void TReceiveFilterPage::Warn(const std::string& text) {
  dialogs_.ShowMessage(text, TDialogType::Warning, TDialogButtons::OK);
}

}  // namespace tarvo
