#include "persistence/SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "persistence/IniFile.h"

namespace tarvo {
namespace {

constexpr const char* kWindow = "WINDOW";
constexpr const char* kDir = "DIR";
constexpr const char* kCANView = "CAN_VIEW";
constexpr const char* kCANTransmit = "CAN_TRANSMIT";
constexpr const char* kCANSetup = "CAN_SETUP";
constexpr const char* kOptions = "OPTIONS";
constexpr const char* kDeviceOptions = "DEVICE_OPTIONS";

bool IsBaudRateButton(int n) { return (n >= 100 && n <= 112) || n == 120; }

}  // namespace

void WriteBitTimingKeys(TIniDocument& doc, int baudRateButton, const TStoredBitTiming& t) {
  doc.WriteInteger(kCANSetup, "EnhancedBaud", baudRateButton);
  doc.WriteInteger(kCANSetup, "EnhancedBRP", t.BRP);
  doc.WriteInteger(kCANSetup, "EnhancedPHSEG1", t.PHSEG1);
  doc.WriteInteger(kCANSetup, "EnhancedPHSEG2", t.PHSEG2);
  doc.WriteInteger(kCANSetup, "EnhancedPRSEG", t.PROPSEG);
  doc.WriteInteger(kCANSetup, "EnhancedSJW", t.SJW);
  doc.WriteInteger(kCANSetup, "EnhancedSAM", t.SAM);
}

void ReadBitTimingKeys(const TIniDocument& doc, std::optional<int>& baudRateButton, TStoredBitTiming& t) {
  if (doc.ValueExists(kCANSetup, "EnhancedBaud")) {
    const int32_t baud = doc.ReadInteger(kCANSetup, "EnhancedBaud", 108);
    baudRateButton = IsBaudRateButton(baud) ? std::optional<int>(baud) : std::nullopt;
    t.BRP = doc.ReadInteger(kCANSetup, "EnhancedBRP", 4);
    t.PHSEG1 = doc.ReadInteger(kCANSetup, "EnhancedPHSEG1", 8);
    t.PHSEG2 = doc.ReadInteger(kCANSetup, "EnhancedPHSEG2", 6);
    t.PROPSEG = doc.ReadInteger(kCANSetup, "EnhancedPRSEG", 5);
    t.SJW = doc.ReadInteger(kCANSetup, "EnhancedSJW", 1);
    t.SAM = doc.ReadInteger(kCANSetup, "EnhancedSAM", 1);
    return;
  }
  // Older files: the 20 MHz form of BRP and the older preset codes.
  baudRateButton = LegacyBaudToPreset(doc.ReadInteger(kCANSetup, "Baud", 2));
  const int32_t brp = doc.ReadInteger(kCANSetup, "BRP", 2);
  t.BRP = brp > std::numeric_limits<int32_t>::max() / 2 || brp < std::numeric_limits<int32_t>::min() / 2
              ? 4
              : brp * 2;
  t.PHSEG1 = doc.ReadInteger(kCANSetup, "PHSEG1", 8);
  t.PHSEG2 = doc.ReadInteger(kCANSetup, "PHSEG2", 6);
  t.PROPSEG = doc.ReadInteger(kCANSetup, "PRSEG", 5);
  t.SJW = doc.ReadInteger(kCANSetup, "SJW", 1);
  t.SAM = doc.ReadInteger(kCANSetup, "SAM", 1);
}

namespace {

void ReadDisplay(const TIniDocument& doc, TDisplaySettings& d) {
  d.NumericBase = doc.ReadInteger(kOptions, "NumericBase", NUMERIC_HEXADECIMAL) == NUMERIC_DECIMAL
                      ? NUMERIC_DECIMAL
                      : NUMERIC_HEXADECIMAL;
  d.CANTxOnCANViewPage = doc.ReadBool(kOptions, "CANTxOnCANViewPage", false);
  d.ASCIIDecode = doc.ReadBool(kOptions, "ASCIIDecode", true);
  d.MessageCount = doc.ReadBool(kOptions, "MessageCount", true);
  d.MessagePeriod = doc.ReadBool(kOptions, "MessagePeriod", true);
  d.CANErrorCounters = doc.ReadBool(kOptions, "CANErrorCounters", false);
  // Taken as unsigned: a negative value is above 1000 as well.
  d.UpdateInterval = std::min<uint32_t>(uint32_t(doc.ReadInteger(kOptions, "UpdateInterval", 100)), 1000);
  d.CyclicBufferSize = std::clamp<int32_t>(doc.ReadInteger(kOptions, "CyclicBufferSize", CyclicBufferSizeSmall),
                                           CyclicBufferSizeSmall, CyclicBufferSizeLarge);
}

// The serial number is kept in a 256-character field: a longer stored text
// (no adapter has one) is cut to fit rather than overflow it.
void ReadDeviceOptions(const TIniDocument& doc, TDeviceInfo& device) {
  device.HardwareType = doc.ReadInteger(kDeviceOptions, "HardwareType", HW_ANY);
  const std::string serial = doc.ReadString(kDeviceOptions, "SerialNo", "");
  std::memset(device.SerialNo, 0, sizeof device.SerialNo);
  std::memcpy(device.SerialNo, serial.data(), std::min(serial.size(), sizeof device.SerialNo - 1));
}

}  // namespace

std::optional<int> LegacyBaudToPreset(int32_t baud) {
  switch (baud) {
    case 1: return 107;
    case 2: return 108;
    case 3: return 109;
    case 4: return 112;
    case 5: return 120;
    case 6: return 100;
    case 7: return 101;
    case 8: return 103;
    case 9: return 110;
    case 10: return 106;
    default: return std::nullopt;
  }
}

TSettings ReadSettings(const TIniDocument& doc, TSettings s) {
  s.Left = doc.ReadInteger(kWindow, "Left", 0);
  s.Top = doc.ReadInteger(kWindow, "Top", 0);
  s.Width = doc.ReadInteger(kWindow, "Width", s.Width);
  s.Height = doc.ReadInteger(kWindow, "Height", s.Height);
  s.Font = doc.ReadInteger(kWindow, "Font", 8);
  s.ConfigurationDIR = doc.ReadString(kDir, "Configuration", s.ConfigurationDIR);
  s.SnapshotDIR = doc.ReadString(kDir, "Snapshot", s.SnapshotDIR);
  s.LogDIR = doc.ReadString(kDir, "Log", s.LogDIR);
  s.FixedMode = doc.ReadBool(kCANView, "Mode", true);
  s.CANTransmitHeight = doc.ReadInteger(kCANTransmit, "Height", s.CANTransmitHeight);
  ReadBitTimingKeys(doc, s.BaudRateButton, s.BitTiming);
  ReadDisplay(doc, s.Display);
  ReadSettingsLogOptions(doc, s.Log);
  ReadDeviceOptions(doc, s.SavedDeviceSelection);
  s.Database = ReadDatabaseKeys(doc);
  s.Plot = ReadPlotKeys(doc);
  return s;
}

void WriteSettings(TIniDocument& doc, const TSettings& s) {
  doc.WriteInteger(kWindow, "Top", s.Top);
  doc.WriteInteger(kWindow, "Left", s.Left);
  doc.WriteInteger(kWindow, "Width", s.Width);
  doc.WriteInteger(kWindow, "Height", s.Height);
  doc.WriteInteger(kWindow, "Font", s.Font);
  doc.WriteString(kDir, "Configuration", s.ConfigurationDIR);
  doc.WriteString(kDir, "Snapshot", s.SnapshotDIR);
  doc.WriteString(kDir, "Log", s.LogDIR);
  doc.WriteBool(kCANView, "Mode", s.FixedMode);
  doc.WriteInteger(kCANTransmit, "Height", s.CANTransmitHeight);
  WriteBitTimingKeys(doc, s.BaudRateButton.value_or(120), s.BitTiming);
  const TDisplaySettings& d = s.Display;
  doc.WriteInteger(kOptions, "NumericBase", d.NumericBase);
  doc.WriteBool(kOptions, "CANTxOnCANViewPage", d.CANTxOnCANViewPage);
  doc.WriteBool(kOptions, "ASCIIDecode", d.ASCIIDecode);
  doc.WriteBool(kOptions, "MessageCount", d.MessageCount);
  doc.WriteBool(kOptions, "MessagePeriod", d.MessagePeriod);
  doc.WriteBool(kOptions, "CANErrorCounters", d.CANErrorCounters);
  doc.WriteInteger(kOptions, "UpdateInterval", d.UpdateInterval);
  doc.WriteInteger(kOptions, "CyclicBufferSize", d.CyclicBufferSize);
  WriteSettingsLogOptions(doc, s.Log);
  doc.WriteInteger(kDeviceOptions, "HardwareType", s.SavedDeviceSelection.HardwareType);
  doc.WriteString(kDeviceOptions, "SerialNo", s.SavedDeviceSelection.SerialNo);
  WriteDatabaseKeys(doc, s.Database);
  if (s.Plot) WritePlotKeys(doc, *s.Plot);
}

TSettings UnreadableSettingsDefaults(TSettings defaults) {
  const TSettings table = defaults;
  TSettings s = ReadSettings(TIniDocument::Parse({}), defaults);
  s.Left = 0;
  s.Top = 0;
  s.Width = table.Width;
  s.Height = table.Height;
  s.Display.UpdateInterval = 1000;
  return s;
}

TSettings LoadSettingsFile(const std::string& tarvoDIR, const TSettings& defaults, UserDialogs& dialogs) {
  TIniDocument doc;
  switch (ReadIniFile(tarvoDIR + SettingsFileName, doc)) {
    case TIniReadResult::Read: return ReadSettings(doc, defaults);
    case TIniReadResult::Missing: return ReadSettings(TIniDocument::Parse({}), defaults);
    case TIniReadResult::Failed: break;
  }
  dialogs.ShowMessage(SettingsReadErrorMessage, TDialogType::Error, TDialogButtons::OK);
  return UnreadableSettingsDefaults(defaults);
}

bool SaveSettingsFile(const std::string& tarvoDIR, const TSettings& settings, UserDialogs& dialogs) {
  const std::string path = tarvoDIR + SettingsFileName;
  if (IsReadOnlyFile(path)) {
    dialogs.ShowMessage(SettingsReadOnlyMessage, TDialogType::Error, TDialogButtons::OK);
    return false;
  }
  // An old file that cannot be read is not replaced: the keys it holds
  // that the program does not know would be lost.
  TIniDocument doc;
  const bool readable = ReadIniFile(path, doc) != TIniReadResult::Failed;
  if (readable) WriteSettings(doc, settings);
  std::string cause = readable ? "" : UnreadableFileCause;
  if (!readable || !WriteIniFile(path, doc, &cause)) {
    dialogs.ShowMessage(WithCause(SettingsWriteErrorMessage, cause), TDialogType::Error, TDialogButtons::OK);
    return false;
  }
  return true;
}

// ---- window placement ----

namespace {

int Nearest(double v) { return int(std::nearbyint(v)); }  // halves to even

long long DistanceSquared(const TScreenRect& r, int x, int y) {
  const long long dx = x < r.Left ? r.Left - x : (x >= r.Left + r.Width ? x - (r.Left + r.Width - 1) : 0);
  const long long dy = y < r.Top ? r.Top - y : (y >= r.Top + r.Height ? y - (r.Top + r.Height - 1) : 0);
  return dx * dx + dy * dy;
}

}  // namespace

TWindowPlacement PlaceWindow(const TScreenRect& saved, double s, int minWidth, int minHeight,
                             const std::vector<TScreenRect>& monitors) {
  const int A = Nearest(10 * s), B = Nearest(20 * s), C = Nearest(50 * s), D = Nearest(100 * s);
  const long long px = (long long)saved.Left + A, py = (long long)saved.Top + A;
  TScreenRect m{0, 0, minWidth, minHeight};
  long long best = -1;
  for (const TScreenRect& r : monitors) {
    const long long d = DistanceSquared(r, int(std::clamp<long long>(px, INT32_MIN, INT32_MAX)),
                                        int(std::clamp<long long>(py, INT32_MIN, INT32_MAX)));
    if (best < 0 || d < best) best = d, m = r;
  }
  TWindowPlacement p;
  p.Bounds.Left = px > m.Left && double(m.Left) + m.Width > double(px) + 100.0 * s ? saved.Left : 0;
  p.Bounds.Top = py > m.Top && py + D < (long long)m.Top + m.Height ? saved.Top : 0;
  p.Bounds.Width = (long long)saved.Width - B > m.Width ? minWidth : saved.Width;
  p.Bounds.Height = (long long)saved.Height - B > m.Height ? minHeight : saved.Height;
  p.Maximized = std::abs((long long)p.Bounds.Left) < A && std::abs((long long)p.Bounds.Top) < A &&
                std::abs((long long)p.Bounds.Width - m.Width) < B && std::abs((long long)p.Bounds.Height - m.Height) < C;
  return p;
}

}  // namespace tarvo
