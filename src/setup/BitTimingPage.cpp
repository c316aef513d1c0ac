#include "setup/BitTimingPage.h"

#include <algorithm>

namespace tarvo {

namespace {

struct TFieldDescription {
  const char* ComponentName;
  const char* Caption;
  TFieldRange Range;
  int FormValue;
};

// In TBitField order.
constexpr TFieldDescription FieldDescriptions[BitFieldCount] = {
    {"SpinEdit1", "BRP", BRPRange, 2},     {"SpinEdit4", "PROPSEG", PROPSEGRange, 3},
    {"SpinEdit2", "PHSEG1", PHSEG1Range, 8}, {"SpinEdit3", "PHSEG2", PHSEG2Range, 8},
    {"SpinEdit5", "SJW", SJWRange, 1},     {"SpinEdit6", "SAM", SAMRange, 1},
};

bool SameContent(const TSpinField& a, const TSpinField& b) {
  return a.EmptyFlag == b.EmptyFlag && (a.EmptyFlag || a.Value == b.Value);
}

}  // namespace

const char* SpinEditName(TBitField field) { return FieldDescriptions[static_cast<int>(field)].ComponentName; }
const char* BitFieldCaption(TBitField field) { return FieldDescriptions[static_cast<int>(field)].Caption; }

const char* OperatingModeCaption(int number) {
  switch (number) {
    case NormalModeNumber: return "Normal";
    case ListenOnlyModeNumber: return "Listen Only";
    case LoopbackModeNumber: return "Loopback";
    default: return nullptr;
  }
}

TBitTimingPage::TBitTimingPage(UserDialogs& dialogs, bool& configModifiedFlag, const TSetupHooks& hooks)
    : dialogs_(dialogs), configModified_(configModifiedFlag), hooks_(hooks) {
  for (int i = 0; i < BitFieldCount; ++i) {
    const TFieldDescription& d = FieldDescriptions[i];
    fields_[i] = TSpinField{d.FormValue, d.Range.Min, d.Range.Max, false};
    handlerAttached_[i] = true;
  }
}

TBitTimingValues TBitTimingPage::Values() const {
  return TBitTimingValues{Field(TBitField::BRP).Value,    Field(TBitField::PROPSEG).Value,
                          Field(TBitField::PHSEG1).Value, Field(TBitField::PHSEG2).Value,
                          Field(TBitField::SJW).Value,    Field(TBitField::SAM).Value};
}

TSetBitTimingArgs TBitTimingPage::SetBitTimingArguments() const {
  return tarvo::SetBitTimingArguments(Values(), CANClock40MHzFlag);
}

uint8_t TBitTimingPage::OperatingModeValue() const {
  if (modeButton_ == LoopbackModeNumber) return 2;
  if (modeButton_ == ListenOnlyModeNumber) return 1;
  return 0;
}

int TBitTimingPage::StoredBRP() const {
  const int brp = Field(TBitField::BRP).Value;
  return CANClock40MHzFlag ? brp : brp * 2;
}

// ---- field writes and their handlers ----------------------------------------

void TBitTimingPage::WriteField(TBitField field, int value) {
  TSpinField& f = MutableField(field);
  const TSpinField before = f;
  f.Value = std::clamp(value, f.MinValue, f.MaxValue);
  f.EmptyFlag = false;
  if (!SameContent(before, f) && handlerAttached_[Index(field)]) FieldChanged(field, before);
}

void TBitTimingPage::WriteFieldDetached(TBitField field, int value) {
  bool& attached = handlerAttached_[Index(field)];
  const bool wasAttached = attached;
  attached = false;
  WriteField(field, value);
  attached = wasAttached;
}

void TBitTimingPage::FieldChanged(TBitField field, const TSpinField& before) {
  if (field == TBitField::SAM)
    SamplesFieldChanged(before);
  else
    BitTimingFieldChanged();
}

void TBitTimingPage::BitTimingFieldChanged() {
  CheckCustom();
  UpdateCANBitTiming();
  configModified_ = true;
}

// SAM takes one sample or three; the value 2 is only passed through while
// stepping, and the step continues in the direction it came from.
void TBitTimingPage::SamplesFieldChanged(const TSpinField& before) {
  const TSpinField& sam = Field(TBitField::SAM);
  if (sam.EmptyFlag || sam.Value != 2) return;
  // The value before the step tells its direction; the remembered SAM is only
  // the fallback when the field was empty, as presets and loading write SAM
  // without updating it.
  bool stepUp = SAMOldValue == 1;
  if (!before.EmptyFlag && (before.Value == 1 || before.Value == 3)) stepUp = before.Value == 1;
  SAMOldValue = stepUp ? 3 : 1;
  WriteFieldDetached(TBitField::SAM, SAMOldValue);
}

// ---- what the user does -----------------------------------------------------

void TBitTimingPage::ClickPreset(int number) {
  const TBaudRatePreset* preset = FindBaudRatePreset(number);
  // A click on the checked button, or on a disabled one, changes nothing.
  if (preset == nullptr || number == baudSelection_ || !PresetEnabled(number)) return;
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  baudSelection_ = number;
  const TBitTimingValues v = PresetValues(*preset, CANClock40MHzFlag);
  SetCANBitTimingFields(v.BRP, v.PHSEG1, v.PHSEG2, v.PROPSEG, v.SJW, v.SAM);
  UpdateCANBitTiming();
  configModified_ = true;
}

void TBitTimingPage::CheckCustom() {
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  baudSelection_ = CustomBaudRateNumber;
}

void TBitTimingPage::EditField(TBitField field, std::optional<int> value) {
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  if (value) {
    WriteField(field, *value);
    return;
  }
  TSpinField& f = MutableField(field);
  if (f.EmptyFlag) return;
  const TSpinField before = f;
  f.EmptyFlag = true;
  if (handlerAttached_[Index(field)]) FieldChanged(field, before);
}

bool TBitTimingPage::ClickOperatingMode(int number) {
  if (OperatingModeCaption(number) == nullptr) return false;
  if (number == modeButton_) return true;
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  modeButton_ = number;
  configModified_ = true;
  return true;
}

// ---- routines ------------------------------------------------------------------

void TBitTimingPage::SetCANBitTimingFields(int brp, int phseg1, int phseg2, int propseg, int sjw, int sam) {
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  WriteFieldDetached(TBitField::BRP, brp);
  WriteFieldDetached(TBitField::PHSEG1, phseg1);
  WriteFieldDetached(TBitField::PHSEG2, phseg2);
  WriteFieldDetached(TBitField::PROPSEG, propseg);
  WriteFieldDetached(TBitField::SJW, sjw);
  // A file can hold SAM 2, which the adapter reads as one sample; show it so.
  WriteFieldDetached(TBitField::SAM, sam == 2 ? 1 : sam);
}

bool TBitTimingPage::UpdateCANBitTiming() {
  for (TBitField f : {TBitField::BRP, TBitField::PHSEG1, TBitField::PHSEG2, TBitField::PROPSEG})
    if (Field(f).EmptyFlag) return true;  // the user is still typing
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  const TBitTimingValues v = Values();
  bool accepted = true;
  if (const char* message = FirstSegmentRuleMessage(v)) {
    Warn(message);
    accepted = false;
  }
  const double bitRate = BitRateKbps(v, CANClock40MHzFlag);
  if (bitRate > MaximumBitRateKbps) {
    Warn(MaximumBitRateMessage);
    accepted = false;
  }
  if (!accepted) {
    RestoreLastAccepted();
    return false;
  }
  ShowAcceptedSet(v, bitRate);
  return true;
}

void TBitTimingPage::ShowAcceptedSet(const TBitTimingValues& v, double bitRate) {
  if (hooks_.DrawDiagram) hooks_.DrawDiagram(v.BRP, v.PROPSEG, v.PHSEG1, v.PHSEG2);
  statusPanel_ = BitRatePanelText(bitRate, SamplePointPercent(v), DecimalSeparator);
  bitRateCaption_ = BitRateLabelText(bitRate, DecimalSeparator);
  if (hooks_.StatusPanelText) hooks_.StatusPanelText(statusPanel_);
  BRPOldValue = v.BRP;
  PRSEGOldValue = v.PROPSEG;
  PHSEG1OldValue = v.PHSEG1;
  PHSEG2OldValue = v.PHSEG2;
  SJWOldValue = v.SJW;
  CalculateReplayMinimumGap(bitRate);
}

// Handlers stay attached: each field that really changes checks the partly
// restored set again, and a nested acceptance moves the last accepted set,
// which the later writes then read.
void TBitTimingPage::RestoreLastAccepted() {
  WriteField(TBitField::BRP, BRPOldValue);
  WriteField(TBitField::PROPSEG, PRSEGOldValue);
  WriteField(TBitField::PHSEG1, PHSEG1OldValue);
  WriteField(TBitField::PHSEG2, PHSEG2OldValue);
  WriteField(TBitField::SJW, SJWOldValue);
}

// Restoring the last accepted set checks each restored field again, which
// may meet the same rule more than once: within one operation each warning
// is shown once.
void TBitTimingPage::Warn(const char* text) {
  if (changeDepth_ > 0) {
    if (std::find(warnedInChange_.begin(), warnedInChange_.end(), text) != warnedInChange_.end()) return;
    warnedInChange_.push_back(text);
  }
  dialogs_.ShowMessage(text, TDialogType::Warning, TDialogButtons::OK);
}

// Runs on the stored 40 MHz values, before the adapter's clock is applied.
bool TBitTimingPage::CheckCANBaudRatePreset() {
  const TBaudRatePreset* preset = FindBaudRatePreset(baudSelection_);
  if (preset == nullptr) return true;  // "Custom"
  if (MatchesPresetRate(Values(), *preset)) return true;
  CheckCustom();
  return false;
}

bool TBitTimingPage::CheckCANBaudRateSupport() {
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  bool supported = true;
  const int brp = Field(TBitField::BRP).Value;
  if (CANClock40MHzFlag) {
    if (brp > BRPMaxForAdapter) {
      WriteFieldDetached(TBitField::BRP, BRPMaxForAdapter);
      CheckCustom();
      Warn(UnsupportedBitTimingMessage);
      supported = false;
    }
  } else {
    preset800kEnabled_ = false;
    clockCaption_ = "20MHz";
    if (brp % 2 != 0) {
      CheckCustom();
      Warn(UnsupportedBitTimingMessage);
      supported = false;
    }
    // Halving BRP 1 would give 0; the field holds it at its minimum.
    WriteFieldDetached(TBitField::BRP, brp / 2);
    const bool updated = UpdateCANBitTiming();
    if (hooks_.ActivatePage)
      hooks_.ActivatePage(supported && updated ? TSetupPageRequest::CANView : TSetupPageRequest::CANSetup);
  }
  SetBRPMaximum(BRPMaxForAdapter);
  return supported;
}

void TBitTimingPage::CalculateReplayMinimumGap(double bitRateKbps) {
  ReplayMinimumGap =
      ReplayMinimumGapFor(bitRateKbps, IsCurrentAdapter(AdapterHardwareType, AdapterHardwareVersion));
}

bool TBitTimingPage::SelectBaudRateButton(int number) {
  if (FindBaudRatePreset(number) == nullptr && number != CustomBaudRateNumber) return false;
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  baudSelection_ = number;
  return true;
}

void TBitTimingPage::SetBRPMaximum(int maximum) {
  TChangeScope scope(changeDepth_, hooks_, &warnedInChange_);
  TSpinField& brp = MutableField(TBitField::BRP);
  brp.MaxValue = maximum;
  if (brp.Value > maximum) WriteFieldDetached(TBitField::BRP, maximum);
}

}  // namespace tarvo
