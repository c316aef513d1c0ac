#pragma once
// The lowest group of the "CAN Setup" page: which messages the adapter's two
// receive buffers accept. Buffer 1 has a mask and two filters, buffer 2 a
// mask and four; each buffer works on 11-bit or on 29-bit identifiers. As
// with the bit timing, this object holds the state and runs the handlers;
// the widgets forward the user's actions and show the state.
#include <array>
#include <string>

#include "adapter/TarvoAPI.h"
#include "common/TarvoCAN.h"
#include "common/UserDialogs.h"
#include "setup/SetupHooks.h"

namespace tarvo {

// Filter-type radio buttons; the number is stored in configuration files.
inline constexpr int FilterTypeNone = 15;
inline constexpr int FilterType11BitOnly = 16;
inline constexpr int FilterType29BitOnly = 17;
inline constexpr int FilterTypeCustom = 18;
const char* FilterTypeCaption(int number);  // nullptr for other numbers

// The eight text fields, Edit11..Edit18 in this order.
enum TFilterFieldIndex {
  FIELD_RX1_MASK = 0,
  FIELD_RX1_FILTER1,
  FIELD_RX1_FILTER2,
  FIELD_RX2_MASK,
  FIELD_RX2_FILTER1,
  FIELD_RX2_FILTER2,
  FIELD_RX2_FILTER3,
  FIELD_RX2_FILTER4,
  FILTER_FIELD_COUNT
};
const char* FilterEditName(int index);  // "Edit11" .. "Edit18"
int FilterFieldBuffer(int index);       // 1 or 2

// Width radio buttons: RadioButton19/20 ("11 Bit"/"29 Bit") for buffer 1,
// RadioButton21/22 for buffer 2.
int WidthButtonNumber(int buffer, bool extended);

struct TFilterEdit {
  std::string Text = "000";
  int MaxLength = 3;  // limits typing only; a loaded text may be longer
};

inline constexpr const char* FilterOnIDRunningMessage = "Tarvo must be stopped to modify the CAN Receive Filters.";

class TReceiveFilterPage {
 public:
  TReceiveFilterPage(UserDialogs& dialogs, bool& configModifiedFlag, const TSetupHooks& hooks);
  TReceiveFilterPage(const TReceiveFilterPage&) = delete;
  TReceiveFilterPage& operator=(const TReceiveFilterPage&) = delete;

  // ---- what the page shows ----
  int FilterType() const { return filterType_; }
  bool BuffersVisible() const { return buffersVisible_; }
  bool Buffer29Bit(int buffer) const { return extended_[buffer == 2 ? 1 : 0]; }
  const TFilterEdit& Edit(int index) const { return edits_[index]; }

  // ---- what the user does ----
  // A filter-type button; false when no such button.
  bool ClickFilterType(int number);
  // A width button of a buffer checked.
  void ClickWidth(int buffer, bool extended);
  // Typed text: upper-cased; growing beyond the maximum length is refused.
  void TypeFieldText(int index, const std::string& text);

  // ---- routines ----
  // A text put in by the program (a configuration file): taken as it is.
  void SetFieldText(int index, const std::string& text);
  // A buffer's width put in by the program (a configuration file): unlike
  // a click it leaves the filter type and the fields' texts alone.
  void SetBufferWidth(int buffer, bool extended);
  void ShowBuffers(bool visible);
  // Checks the eight fields; the first failure shows its warning.
  bool ValidateCANReceiveFilters();
  // The SetFilters values of the page; meaningful once the fields are valid.
  TFilterSettings FilterSettings() const;
  // For the start of a run: "None" gives the accept-all values; otherwise the
  // fields are checked first, and false means the check failed (its message
  // has been shown) and nothing may be sent.
  bool FilterSettingsForStart(TFilterSettings& settings);
  // "Filter On ID" for the message of the selected CAN View row (nullptr
  // when no row is selected).
  void FilterOnID(bool runningFlag, const TTarvoCAN* selectedMessage);

 private:
  void CheckFilterType(int number);  // click handler runs when the choice changes
  void RunFilterTypeChoice(int number);
  void SelectSingleWidth(int number, bool extended);
  void ResetBufferFields(int buffer);
  void FilterFieldEdited();
  void Warn(const std::string& text);

  UserDialogs& dialogs_;
  bool& configModified_;
  const TSetupHooks& hooks_;
  int changeDepth_ = 0;

  int filterType_ = FilterTypeNone;
  bool buffersVisible_ = false;
  std::array<bool, 2> extended_{};
  std::array<TFilterEdit, FILTER_FIELD_COUNT> edits_{};
};

}  // namespace tarvo
