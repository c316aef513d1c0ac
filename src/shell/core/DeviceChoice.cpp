#include "shell/core/DeviceChoice.h"

#include <algorithm>
#include <cstring>

namespace tarvo {
namespace {

constexpr const char* kPrompt = "Prompt";

std::string SerialOf(const TDeviceInfo& d) { return std::string(d.SerialNo, strnlen(d.SerialNo, sizeof d.SerialNo)); }

void SetSerial(TDeviceInfo& d, const std::string& serial) {
  std::memset(d.SerialNo, 0, sizeof d.SerialNo);
  std::memcpy(d.SerialNo, serial.data(), std::min(serial.size(), sizeof d.SerialNo - 1));
}

// The named model for a saved or open adapter: Tarvo for any other value.
int ModelButton(int32_t hardwareType) {
  if (hardwareType == HW_TARVO_ISO) return 3;
  if (hardwareType == HW_TARVO_AUTO) return 4;
  return 2;
}

void ShowSerialButtons(TDeviceOptionsForm& f, std::initializer_list<std::string> captions) {
  int i = 0;
  for (const std::string& c : captions) {
    f.SerialVisible[size_t(i)] = true;
    f.SerialCaption[size_t(i)] = c;
    ++i;
  }
}

}  // namespace

std::string ChooserLine(const TDeviceInfo& d) {
  const char* model = "Unknown S/N ";
  if (d.HardwareType == HW_TARVO) model = "Tarvo S/N ";
  if (d.HardwareType == HW_TARVO_ISO) model = "TarvoISO S/N ";
  if (d.HardwareType == HW_TARVO_AUTO) model = "Tarvo AUTO S/N ";
  return model + SerialOf(d);
}

std::vector<std::string> BuildChooserList(TDeviceInfo* list, size_t& count, int32_t savedType) {
  std::vector<std::string> lines;
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (savedType != HW_ANY && savedType != list[i].HardwareType) continue;
    lines.push_back(ChooserLine(list[i]));
    list[kept++] = list[i];
  }
  count = kept;
  return lines;
}

TDeviceInfo ChooserSelection(int line, const TDeviceInfo* list, size_t count, const TDeviceInfo& saved) {
  if (line < 0) return TDeviceInfo{};
  if (size_t(line) < count) return list[line];
  return saved;
}

std::string SplashSerialText(const std::string& serialNo) {
  return serialNo.size() == 8 ? serialNo : "   S/N ?";
}

int HardwareTypeButton(int32_t hardwareType) {
  if (hardwareType == HW_TARVO || hardwareType == HW_TARVO_ISO || hardwareType == HW_TARVO_AUTO)
    return int(hardwareType) + 1;
  return 1;
}

int32_t HardwareTypeOfButton(int button) { return button >= 2 && button <= 4 ? button - 1 : HW_ANY; }

TDeviceOptionsForm DeviceOptionsOnShow(const TDeviceInfo& saved, const TDeviceInfo* open) {
  TDeviceOptionsForm f;
  const std::string s = SerialOf(saved);
  if (open) {
    const std::string d = SerialOf(*open);
    if (s.empty()) {
      ShowSerialButtons(f, {d, kPrompt});
      f.SerialButton = 5;
    } else if (s == kPrompt) {
      ShowSerialButtons(f, {d, kPrompt});
      f.SerialButton = 7;
    } else if (s == d) {
      ShowSerialButtons(f, {d, kPrompt});
      f.SerialButton = 6;
    } else {
      ShowSerialButtons(f, {d, s, kPrompt});
      f.SerialButton = 7;
    }
  } else if (s.empty()) {
    ShowSerialButtons(f, {kPrompt});
    f.SerialButton = 5;
  } else if (s == kPrompt) {
    ShowSerialButtons(f, {kPrompt});
    f.SerialButton = 6;
  } else {
    ShowSerialButtons(f, {s, kPrompt});
    f.SerialButton = 6;
  }
  f.HardwareButton = HardwareTypeButton(saved.HardwareType);
  return f;
}

void ChooseSerialButton(TDeviceOptionsForm& f, int button, const TDeviceInfo& saved, const TDeviceInfo* open) {
  if (button < 6 || button > 8) return;
  f.SerialButton = button;
  const std::string& caption = f.SerialCaption[size_t(button - 6)];
  if (open) {
    if (button == 6) f.HardwareButton = ModelButton(open->HardwareType);
    else if (button == 7) f.HardwareButton = caption == kPrompt ? 1 : ModelButton(saved.HardwareType);
    else f.HardwareButton = 1;
  } else if (button == 6) {
    f.HardwareButton = caption == kPrompt ? 1 : ModelButton(saved.HardwareType);
  }
}

TDeviceInfo DeviceOptionsResult(const TDeviceOptionsForm& f) {
  TDeviceInfo s;
  s.HardwareType = HardwareTypeOfButton(f.HardwareButton);
  if (f.SerialButton >= 6 && f.SerialButton <= 8) SetSerial(s, f.SerialCaption[size_t(f.SerialButton - 6)]);
  return s;
}

}  // namespace tarvo
