#pragma once
// The snapshot file: the rows the CAN View list shows on screen, with a
// heading, a key of the type codes and the bit-timing summary, as text
// lines. The window supplies what only it knows (the visible rows, the
// clock texts); everything else is decided here.
//
//   ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~   (67, +11 ASCII, +13 Count, +13 Period)
//   bus - 14:02:07 10.12.2026 - Hexadecimal
//   ~~~~...
//
//   TYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8
//   RD11  1.0000       7FF        41   20   7F   42                       A  B
//   BP    2.5000
//   RE    2.5000       Count      05
#include <cstdint>
#include <string>
#include <vector>

#include "common/DisplaySettings.h"
#include "view/CANViewStore.h"

namespace tarvo {

inline constexpr const char* SnapshotFilter = "Snapshot File (*.txt)|*.txt";

struct TSnapshotInput {
  // The list: its first visible row, how many rows fit, its row count.
  int32_t TopRow = 0;
  int32_t RowsThatFit = 0;
  int32_t ItemCount = 0;
  // Title pieces: the chosen file name (without folder), the time and date
  // as the user's locale writes them.
  std::string FileName;
  std::string TimeText;
  std::string DateText;
  std::string DecimalSeparator = ".";
  // Bit timing of the CAN Setup page and the adapter's clock.
  int BRP = 4, PROPSEG = 5, PHSEG1 = 8, PHSEG2 = 6;
  bool CANClock40MHzFlag = true;
  // The adapter description followed by its status text.
  std::string AdapterText;
};

std::vector<std::string> SnapshotLines(const TCANViewState& view, const TDisplaySettings& settings,
                                       const TSnapshotInput& input);

// The lines as the file holds them: each ended by CR LF.
std::string SnapshotText(const std::vector<std::string>& lines);

// "log" becomes "log.txt"; "a.txt" stays; the first ".txt" must end the path.
std::string SnapshotPath(const std::string& chosen);

}  // namespace tarvo
