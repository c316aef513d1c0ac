#include "bus/BusConfiguration.h"

#include <cmath>

#include "persistence/ConfigurationFile.h"
#include "persistence/IniFile.h"
#include "persistence/SettingsFile.h"

namespace tarvo::bus {

namespace {

TBusMode ModeOfButton(int button) {
  if (button == ListenOnlyModeNumber) return TBusMode::ListenOnly;
  if (button == LoopbackModeNumber) return TBusMode::Loopback;
  return TBusMode::Normal;
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string TimingText(const TBitTimingValues& v) {
  return "BRP " + std::to_string(v.BRP) + ", PROPSEG " + std::to_string(v.PROPSEG) + ", PHSEG1 " +
         std::to_string(v.PHSEG1) + ", PHSEG2 " + std::to_string(v.PHSEG2) + ", SJW " + std::to_string(v.SJW) +
         ", SAM " + std::to_string(v.SAM);
}

}  // namespace

TDialogResult TBusConfiguration::TKeptMessages::ShowMessage(const std::string& text, TDialogType,
                                                            TDialogButtons buttons) {
  Lines.push_back(OneLine(text));
  return buttons == TDialogButtons::OK ? TDialogResult::OK : TDialogResult::Cancel;
}

bool TBusConfiguration::Load(const std::string& path, TBusSetup& setup, std::string& error) {
  const std::string name = "'" + path + "' ";
  if (const std::string problem = ConfigurationFileProblem(path); !problem.empty()) {
    error = name + problem;
    return false;
  }
  TIniDocument doc;
  if (ReadIniFile(path, doc) != TIniReadResult::Read) {
    error = name + "cannot be read";
    return false;
  }
  if (!IsConfigurationDocument(doc)) {
    error = name + "is not a configuration the program saved (no CAN_VIEW section)";
    return false;
  }
  // The page starts from the program's defaults, as it does before a
  // configuration is loaded: a bit timing the rules refuse falls back there.
  if (!ApplyConfigurationSetup(doc, page_)) {
    error = name + "names an operating mode or filter type the program does not have";
    return false;
  }
  // The page holds a value outside a field's range at the range's end, and
  // falls back to its last accepted set when the rules refuse one: in a
  // window the user sees the fields, here they are said in words.
  std::optional<int> button;
  TStoredBitTiming stored;
  ReadBitTimingKeys(doc, button, stored);
  const TBitTimingValues inFile{stored.BRP, stored.PROPSEG, stored.PHSEG1, stored.PHSEG2, stored.SJW, stored.SAM};
  const TBitTimingValues taken = page_.BitTiming.Values();
  if (!(inFile == taken))
    messages_.Lines.push_back("the file's bit timing (" + TimingText(inFile) + ") cannot be used as it stands; " +
                               "taken instead: " + TimingText(taken) + ", " +
                               std::to_string(std::lround(page_.BitTiming.BitRate() * 1000.0)) + " bit/s");
  // The filter fields are checked as at the start of a run; a run with
  // filters other than the user's is none of the user's choosing.
  TFilterSettings filters;
  if (!page_.Filters.FilterSettingsForStart(filters)) {
    error = name + "has receive filters that cannot be used";
    if (!messages_.Lines.empty()) {
      error += ": " + messages_.Lines.back();
      messages_.Lines.pop_back();
    }
    return false;
  }
  setup.Filters = filters;
  setup.Mode = ModeOfButton(page_.BitTiming.OperatingModeButton());
  return true;
}

bool TBusConfiguration::TimingFor(bool clock40MHz, TBusSetup& setup, std::string& error) {
  TBitTimingPage& bt = page_.BitTiming;
  bt.CANClock40MHzFlag = clock40MHz;
  bt.CheckCANBaudRateSupport();
  const TBitTimingValues values = bt.Values();
  if (const char* broken = FirstSegmentRuleMessage(values); broken != nullptr) {
    error = broken;
    return false;
  }
  if (BitRateKbps(values, clock40MHz) > MaximumBitRateKbps) {
    error = MaximumBitRateMessage;
    return false;
  }
  setup.Timing = values;
  return true;
}

std::vector<std::string> TBusConfiguration::TakeWarnings() {
  std::vector<std::string> lines;
  lines.swap(messages_.Lines);
  return lines;
}

}  // namespace tarvo::bus
