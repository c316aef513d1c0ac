#pragma once
// Which adapter the program works with: the chooser the splash window turns
// into when the saved choice is "Prompt", and the Device Options dialog that
// edits the saved start-up choice. Plain rules here; the windows in
// shell/qt show them.
#include <array>
#include <string>
#include <vector>

#include "adapter/TarvoAPI.h"

namespace tarvo {

// ---- Chooser ----------------------------------------------------------------------

// "Tarvo S/N 1234" and the like for one listed adapter.
std::string ChooserLine(const TDeviceInfo& device);

// The adapters the chooser lists: those of the saved model (any model for a
// saved type 0), in driver order. list[0 .. count) is what ListDevices
// found; it is compacted in place to the listed entries, and count becomes
// their number.
std::vector<std::string> BuildChooserList(TDeviceInfo* list, size_t& count, int32_t savedHardwareType);

// OK in the chooser: the adapter to open. No line chosen (-1): any adapter.
TDeviceInfo ChooserSelection(int selectedLine, const TDeviceInfo* list, size_t count, const TDeviceInfo& saved);

// ---- Splash -----------------------------------------------------------------------

// "S/N 1234" as shown when it is exactly that long, else "   S/N ?".
std::string SplashSerialText(const std::string& serialNo);

// ---- Device Options ------------------------------------------------------------------

// Hardware type buttons: RadioButton1 "Any", 2 "Tarvo", 3 "TarvoISO", 4 "Tarvo AUTO".
int HardwareTypeButton(int32_t hardwareType);  // 1..4
int32_t HardwareTypeOfButton(int button);      // 0..3

struct TDeviceOptionsForm {
  int HardwareButton = 1;  // 1..4
  // Serial-number buttons RadioButton6..8: shown or hidden, with captions.
  std::array<bool, 3> SerialVisible{};
  std::array<std::string, 3> SerialCaption{};
  int SerialButton = 5;  // 5 ("Any") .. 8
};

// The form as the dialog opens: saved = S, open = D when an adapter is open (else null).
TDeviceOptionsForm DeviceOptionsOnShow(const TDeviceInfo& saved, const TDeviceInfo* open);

// A click on serial-number button 6, 7 or 8: the hardware type follows.
void ChooseSerialButton(TDeviceOptionsForm& form, int button, const TDeviceInfo& saved, const TDeviceInfo* open);

// OK: the saved choice from the form.
TDeviceInfo DeviceOptionsResult(const TDeviceOptionsForm& form);

}  // namespace tarvo
