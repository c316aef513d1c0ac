#pragma once
// The upper half of the "CAN Setup" page: the baud-rate choice, the six
// bit-timing fields and the operating mode, as state plus the handlers the
// page's widgets run. The widgets only forward what the user does and show
// what this object holds, so every rule runs here without a window.
//
// The object models how the page's change handlers fire: a field write that
// really changes a value runs the field's handler unless that handler is
// detached at the moment. That is what makes a rejected set roll back field
// by field, each partly restored set being checked again.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/UserDialogs.h"
#include "setup/BitTiming.h"
#include "setup/SetupHooks.h"

namespace tarvo {

enum class TBitField { BRP, PROPSEG, PHSEG1, PHSEG2, SJW, SAM };
inline constexpr int BitFieldCount = 6;
inline constexpr std::array<TBitField, BitFieldCount> AllBitFields{
    TBitField::BRP, TBitField::PROPSEG, TBitField::PHSEG1, TBitField::PHSEG2, TBitField::SJW, TBitField::SAM};

// Component names: SpinEdit1 BRP, SpinEdit4 PROPSEG, SpinEdit2 PHSEG1,
// SpinEdit3 PHSEG2, SpinEdit5 SJW, SpinEdit6 SAM.
const char* SpinEditName(TBitField field);
const char* BitFieldCaption(TBitField field);  // "BRP", "PROPSEG", ...

struct TSpinField {
  int Value = 0;
  int MinValue = 0;
  int MaxValue = 0;
  bool EmptyFlag = false;  // the user cleared the text while typing; Value keeps the last number
};

// Operating-mode radio buttons; the number is stored in configuration files.
inline constexpr int NormalModeNumber = 12;
inline constexpr int ListenOnlyModeNumber = 13;
inline constexpr int LoopbackModeNumber = 14;
const char* OperatingModeCaption(int number);  // nullptr for other numbers

class TBitTimingPage {
 public:
  TBitTimingPage(UserDialogs& dialogs, bool& configModifiedFlag, const TSetupHooks& hooks);
  TBitTimingPage(const TBitTimingPage&) = delete;
  TBitTimingPage& operator=(const TBitTimingPage&) = delete;

  // ---- adapter facts, set by identification before CheckCANBaudRateSupport ----
  bool CANClock40MHzFlag = true;
  int32_t AdapterHardwareType = 0;  // of the adapter opened; 0 = none identified
  int AdapterHardwareVersion = 0;   // in tenths, as read at identification

  // The user's decimal separator for the bit-rate texts.
  std::string DecimalSeparator = ".";

  // ---- the last accepted set; a rejected set returns to it ----
  int BRPOldValue = 4;
  int PRSEGOldValue = 5;
  int PHSEG1OldValue = 8;
  int PHSEG2OldValue = 6;
  int SJWOldValue = 1;
  int SAMOldValue = 1;  // SAM before the last step; the settings file restores it

  // Smallest time-stamp step between replayed messages, in adapter ticks.
  uint32_t ReplayMinimumGap = 78;

  // ---- what the page shows ----
  const TSpinField& Field(TBitField field) const { return fields_[Index(field)]; }
  TBitTimingValues Values() const;  // the six fields as shown
  int GetCANBaudRateSelection() const { return baudSelection_; }
  bool PresetEnabled(int number) const { return number != Preset800kNumber || preset800kEnabled_; }
  const std::string& ClockCaption() const { return clockCaption_; }
  const std::string& BitRateCaption() const { return bitRateCaption_; }
  const std::string& StatusPanelText() const { return statusPanel_; }
  int OperatingModeButton() const { return modeButton_; }

  // ---- for the run control, snapshot, log footer and settings ----
  double BitRate() const { return BitRateKbps(Values(), CANClock40MHzFlag); }
  double SamplePoint() const { return SamplePointPercent(Values()); }
  TSetBitTimingArgs SetBitTimingArguments() const;
  uint8_t OperatingModeValue() const;  // 0 normal, 1 listen only, 2 loopback
  int StoredBRP() const;               // BRP in its 40 MHz form, as the files hold it

  // ---- what the user does ----
  void ClickPreset(int number);  // one handler for all thirteen presets
  void CheckCustom();            // checking "Custom" by hand changes no value
  // The user typed or stepped a field; nullopt while its text is empty.
  void EditField(TBitField field, std::optional<int> value);
  // An operating-mode button; false when the number names no mode button.
  bool ClickOperatingMode(int number);

  // ---- routines of start-up, identification and loading ----
  void SetCANBitTimingFields(int brp, int phseg1, int phseg2, int propseg, int sjw, int sam);
  bool UpdateCANBitTiming();
  bool CheckCANBaudRatePreset();
  bool CheckCANBaudRateSupport();
  void CalculateReplayMinimumGap(double bitRateKbps);
  // Checks a baud-rate button without running its click handler, as loading
  // does; false (and nothing changes) for a number outside 100..112 and 120.
  // Several steps taken as one operation (loading a configuration): the
  // change is reported once at its end, and each warning is shown once.
  [[nodiscard]] TChangeScope Operation() { return TChangeScope(changeDepth_, hooks_, &warnedInChange_); }
  bool SelectBaudRateButton(int number);
  // Upper bound of the BRP field: 128 while 40 MHz values are loaded, 64 after.
  void SetBRPMaximum(int maximum);

 private:
  static constexpr int Index(TBitField f) { return static_cast<int>(f); }
  TSpinField& MutableField(TBitField f) { return fields_[Index(f)]; }

  void WriteField(TBitField field, int value);          // handler runs on a real change
  void WriteFieldDetached(TBitField field, int value);  // handler detached for this write
  void FieldChanged(TBitField field, const TSpinField& before);
  void BitTimingFieldChanged();
  void SamplesFieldChanged(const TSpinField& before);
  void ShowAcceptedSet(const TBitTimingValues& v, double bitRate);
  void RestoreLastAccepted();
  void Warn(const char* text);

  UserDialogs& dialogs_;
  bool& configModified_;
  const TSetupHooks& hooks_;
  int changeDepth_ = 0;
  std::vector<std::string> warnedInChange_;  // in the current operation

  std::array<TSpinField, BitFieldCount> fields_{};
  std::array<bool, BitFieldCount> handlerAttached_{};
  int baudSelection_ = DefaultPresetNumber;
  bool preset800kEnabled_ = true;
  std::string clockCaption_ = "40MHz";
  std::string bitRateCaption_;
  std::string statusPanel_;
  int modeButton_ = NormalModeNumber;
};

}  // namespace tarvo
