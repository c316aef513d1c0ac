#pragma once
// The signal plot's keys, in a section of their own ("PLOT") in both the
// settings file and configuration files:
//
//   [PLOT]
//   Count=2
//   Signal 0=EngineStatus.EngineSpeed
//   Hidden 0=0
//   Signal 1=EngineStatus.CoolantTemp
//   Hidden 1=1
//   SharedAxis=0
//   Window=10
//   Shown=1
//
// Signal N names a plotted signal as Message.Signal and Hidden N says
// whether it is hidden; SharedAxis puts every curve on one value axis
// instead of a lane each; Window is the seconds the plot follows, or All;
// Shown whether the plot's window is open.
// Readers that know no PLOT section pass over it; a file without it leaves
// the plot as it is, and is written without it while nothing is plotted.
#include <optional>
#include <string>
#include <vector>

#include "persistence/IniDocument.h"

namespace tarvo {

inline constexpr const char* PlotSection = "PLOT";
inline constexpr int32_t MaxPlotKeySignals = 256;  // a damaged Count reads no further

struct TPlotKeys {
  struct TSignal {
    std::string Name;  // Message.Signal
    bool Hidden = false;
  };
  std::vector<TSignal> Signals;
  bool SharedAxis = false;
  bool All = false;           // follows every point, not the newest WindowSeconds
  double WindowSeconds = 10;
  bool Shown = false;
};

// Nothing when the file has no PLOT section.
std::optional<TPlotKeys> ReadPlotKeys(const TIniDocument& doc);
// Replaces the section; writes none while nothing is plotted and the file had none.
void WritePlotKeys(TIniDocument& doc, const TPlotKeys& keys);

}  // namespace tarvo
