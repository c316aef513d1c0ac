#include "view/Snapshot.h"

#include <cstdarg>
#include <cstdio>
#include <algorithm>

#include "view/CANViewText.h"

namespace tarvo {
namespace {

std::string Printf(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  if (size_t(n) < sizeof buffer) return std::string(buffer, size_t(n));
  std::string big(size_t(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  big.resize(size_t(n));
  return big;
}

std::string WithSeparator(std::string text, const std::string& separator) {
  const size_t dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, separator);
  return text;
}

// The marked row of a cyclic view: the newest entry once the ring wrapped,
// else the last row position of the visible page; -1 for none.
int32_t MarkedRow(const TCANViewState& view, const TSnapshotInput& in) {
  if (view.Mode != VIEW_CYCLIC) return -1;
  if (view.CyclicOverwriteFlag) return view.CyclicItemNo - 1;
  return in.TopRow + in.RowsThatFit - 1;
}

std::string RowLine(const TCANViewMessage& entry, bool marked, const TDisplaySettings& settings,
                    const TCANViewTextFormat& format) {
  const auto cell = [&](TCANViewColumn c) { return CANViewCellText(entry, c, format); };
  const int32_t kind = entry.ItemType;
  if (kind < 0 || kind >= CANViewItemKinds) return "??";
  const std::string time = cell(COLUMN_TIME);
  if (kind >= ITEM_EF && kind <= ITEM_BO)
    return LogTypeCodes[kind] + Printf(marked ? "   >%-11s" : "    %-11s", time.c_str());
  if (kind == ITEM_RE || kind == ITEM_TE)
    return LogTypeCodes[kind] + Printf(marked ? "   >%-11s" : "    %-11s", time.c_str()) + "  Count    " +
           Printf("  %-3s", cell(COLUMN_D1).c_str());
  std::string line = LogTypeCodes[kind] + cell(COLUMN_TYPE);
  line += Printf(marked ? " >%-11s" : "  %-11s", time.c_str());
  line += Printf("  %-9s", cell(COLUMN_ID).c_str());
  for (int n = 0; n < 8; ++n) line += Printf("  %-3s", cell(TCANViewColumn(COLUMN_D1 + n)).c_str());
  line += "  ";
  if (settings.ASCIIDecode) line += Printf("%-8s   ", cell(COLUMN_ASCII).c_str());
  // Transmitted rows have no Count or Period cells.
  const bool received = kind == ITEM_RD || kind == ITEM_RR;
  if (settings.MessageCount && received) line += Printf("%-10s   ", cell(COLUMN_COUNT).c_str());
  if (settings.MessagePeriod && received) line += Printf("%-10s", cell(COLUMN_PERIOD).c_str());
  return line;
}

void AddBitTiming(std::vector<std::string>& lines, const TSnapshotInput& in) {
  const int tq = 1 + in.PROPSEG + in.PHSEG1 + in.PHSEG2;
  double rate = in.BRP > 0 && tq > 0 ? 40000.0 / (2.0 * in.BRP * tq) : 0.0;
  if (!in.CANClock40MHzFlag) rate /= 2;
  lines.push_back("CAN Baud Rate = " + WithSeparator(rate < 1000 ? Printf("%.2f", rate) + "k"
                                                                   : Printf("%.2f", rate / 1000) + "M",
                                                      in.DecimalSeparator));
  const double point = tq > 0 ? double((1 + in.PROPSEG + in.PHSEG1) * 10000 / tq) / 100 : 0.0;
  lines.push_back("CAN Bit Sample Point = " + WithSeparator(Printf("%.2f", point), in.DecimalSeparator) + "%");
}

}  // namespace

std::vector<std::string> SnapshotLines(const TCANViewState& view, const TDisplaySettings& settings,
                                       const TSnapshotInput& in) {
  const std::string tilde(67 + (settings.ASCIIDecode ? 11 : 0) + (settings.MessageCount ? 13 : 0) +
                              (settings.MessagePeriod ? 13 : 0),
                          '~');
  const bool hex = settings.NumericBase == NUMERIC_HEXADECIMAL;
  std::vector<std::string> lines;
  lines.push_back(tilde);
  const std::string title = in.FileName.size() > 4 ? in.FileName.substr(0, in.FileName.size() - 4) : "";
  lines.push_back(title + " - " + in.TimeText + " " + in.DateText + " - " + (hex ? "Hexadecimal" : "Decimal"));
  lines.push_back(tilde);
  lines.push_back("");
  std::string heading = "TYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8";
  if (settings.ASCIIDecode) heading += "   _ASCII__";
  if (settings.MessageCount) heading += "   __COUNT___";
  if (settings.MessagePeriod) heading += "   __PERIOD__";
  lines.push_back(heading);

  const TCANViewTextFormat format{hex, in.DecimalSeparator};
  const int32_t marked = MarkedRow(view, in);
  const int32_t end = std::min<int64_t>(int64_t(in.TopRow) + in.RowsThatFit, in.ItemCount);
  for (int32_t row = std::max(0, in.TopRow); row < end; ++row) {
    // The list may show rows the store no longer holds: they are empty.
    if (row >= view.CANView.Count) break;
    lines.push_back(RowLine(view.CANView.List[size_t(row)], row == marked, settings, format));
  }
  lines.push_back("");
  lines.push_back(tilde);
  lines.push_back("Key");
  lines.push_back(tilde);
  for (const char* key : {"RD = Receive Data", "RR = Receive Request", "TD = Transmit Data", "TR = Transmit Request",
                          "EF = Error Frame"})
    lines.push_back(key);
  if (settings.CANErrorCounters) {
    lines.push_back("RE = Receive Error Count");
    lines.push_back("TE = Transmit Error Count");
  }
  for (const char* key : {"BA = Bus Active", "BP = Bus Passive", "BO = Bus Off"}) lines.push_back(key);
  lines.push_back(tilde);
  AddBitTiming(lines, in);
  lines.push_back(in.AdapterText);
  lines.push_back(tilde);
  return lines;
}

std::string SnapshotText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string SnapshotPath(const std::string& chosen) {
  const size_t at = chosen.find(".txt");
  return at != std::string::npos && at + 4 == chosen.size() ? chosen : chosen + ".txt";
}

}  // namespace tarvo
