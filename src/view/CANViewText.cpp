#include "view/CANViewText.h"

#include <algorithm>
#include <cstring>

#include "common/TextRoutines.h"
#include "common/TimeUnits.h"

namespace tarvo {

namespace {

constexpr const char* ColumnTitles[CANViewColumnKinds] = {"Type", "Time", "ID", "D1", "D2", "D3", "D4",
                                                          "D5", "D6", "D7", "D8", "ASCII", "Count", "Period"};
constexpr size_t MaxSeparatorBytes = 4;

size_t WriteByte(uint8_t value, bool hex, char* out) {
  if (!hex) return WriteDecimal(value, out);
  return size_t(PutHexByte(out, value) - out);  // "%.2X"
}

size_t WriteText(const char* text, char* out) {
  const size_t n = std::strlen(text);
  std::memcpy(out, text, n);
  return n;
}

// Only the first eight bytes exist, whatever a DLC above 8 claims.
size_t DataLength(const TTarvoCAN& item) { return std::min<size_t>(item.DLC, 8); }

bool IsRemote(const TCANViewMessage& e) { return e.ItemType == ITEM_RR || e.ItemType == ITEM_TR; }

size_t WriteAscii(const TTarvoCAN& item, char* out) {
  const size_t n = DataLength(item);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = item.Data[i];
    out[i] = (b >= 33 && b <= 126) ? char(b) : ' ';
  }
  return n;
}

size_t FormatMessageCell(const TCANViewMessage& e, TCANViewColumn column, const TCANViewTextFormat& f, char* out) {
  const TTarvoCAN& item = e.Item;
  const bool received = e.ItemType <= ITEM_RR;
  switch (column) {
    case COLUMN_TYPE: return WriteText(item.IDE == 0 ? "11" : "29", out);
    case COLUMN_TIME: return FormatTickTime(item.TimeStamp, f.DecimalSeparator, out);
    case COLUMN_ID: return f.Hexadecimal ? WriteHex(item.ID, out) : WriteDecimal(item.ID, out);
    case COLUMN_ASCII: return IsRemote(e) ? 0 : WriteAscii(item, out);
    case COLUMN_COUNT: return received && e.Count > 0 ? WriteDecimal(e.Count, out) : 0;
    case COLUMN_PERIOD: return received && e.Period > 0 ? FormatTickTime(e.Period, f.DecimalSeparator, out) : 0;
    default: break;
  }
  const size_t byte = size_t(column - COLUMN_D1);
  if (byte >= DataLength(item)) return 0;
  if (IsRemote(e)) return WriteText("?", out);
  return WriteByte(item.Data[byte], f.Hexadecimal, out);
}

const char* StatusTypeText(int32_t kind) {
  switch (kind) {
    case ITEM_BA: return "Active";
    case ITEM_BP: return "Passive";
    case ITEM_BO: return "Off";
    default: return "Error";  // error frame and both error counters
  }
}

size_t FormatStatusCell(const TCANViewMessage& e, TCANViewColumn column, const TCANViewTextFormat& f, char* out) {
  const bool counter = e.ItemType == ITEM_RE || e.ItemType == ITEM_TE;
  switch (column) {
    case COLUMN_TYPE: return WriteText(StatusTypeText(e.ItemType), out);
    case COLUMN_TIME: return FormatTickTime(e.Item.TimeStamp, f.DecimalSeparator, out);
    case COLUMN_ID: return counter ? WriteText("Count", out) : 0;
    case COLUMN_D1: return counter ? WriteByte(e.Item.Data[0], f.Hexadecimal, out) : 0;
    default: return 0;
  }
}

void AppendNumber(std::string& text, const char* prefix, uint32_t value, bool hex) {
  char digits[10];
  text += prefix;
  text.append(digits, hex ? WriteHex(value, digits) : WriteDecimal(value, digits));
}

}  // namespace

const char* CANViewColumnTitle(TCANViewColumn column) {
  if (column == COLUMN_NAME) return "Name";
  return column < CANViewColumnKinds ? ColumnTitles[column] : "";
}

TCANViewColumns ConfigureCANViewColumns(const TDisplaySettings& settings) {
  TCANViewColumns columns;
  for (int c = COLUMN_TYPE; c <= COLUMN_D8; ++c) columns.Column[size_t(columns.Count++)] = TCANViewColumn(c);
  if (settings.ASCIIDecode) columns.Column[size_t(columns.Count++)] = COLUMN_ASCII;
  if (settings.MessageCount) columns.Column[size_t(columns.Count++)] = COLUMN_COUNT;
  if (settings.MessagePeriod) columns.Column[size_t(columns.Count++)] = COLUMN_PERIOD;
  if (settings.MessageName) columns.Column[size_t(columns.Count++)] = COLUMN_NAME;
  return columns;
}

size_t FormatTickTime(uint32_t ticks, std::string_view decimalSeparator, char* out) {
  const uint64_t units = TicksToTenthsMs(ticks);
  size_t n = WriteDecimal(uint32_t(units / 10000), out);
  const size_t separator = std::min(decimalSeparator.size(), MaxSeparatorBytes);
  std::memcpy(out + n, decimalSeparator.data(), separator);
  n += separator;
  uint32_t fraction = uint32_t(units % 10000);
  for (int i = 3; i >= 0; --i, fraction /= 10) out[n + size_t(i)] = char('0' + fraction % 10);
  return n + 4;
}

size_t FormatCANViewCell(const TCANViewMessage& entry, TCANViewColumn column, const TCANViewTextFormat& format,
                         char* out) {
  if (entry.ItemType < 0 || entry.ItemType >= CANViewItemKinds || column >= CANViewColumnKinds) return 0;
  if (entry.ItemType <= ITEM_TR) return FormatMessageCell(entry, column, format, out);
  return FormatStatusCell(entry, column, format, out);
}

std::string CANViewCellText(const TCANViewMessage& entry, TCANViewColumn column, const TCANViewTextFormat& format) {
  char buffer[CANViewCellCapacity];
  return std::string(buffer, FormatCANViewCell(entry, column, format, buffer));
}

TConversionBalloon BuildConversionBalloon(const TCANView& view, int32_t selectedRow, int32_t numericBase,
                                          std::string_view decimalSeparator) {
  TConversionBalloon balloon;
  if (selectedRow < 0) {
    balloon.Show = true;
    balloon.Title = "No item selected";
    balloon.TimeoutMs = NoSelectionBalloonTimeoutMs;
    return balloon;
  }
  if (selectedRow >= view.Count) return balloon;
  const TCANViewMessage& e = view.List[size_t(selectedRow)];
  if (e.ItemType < ITEM_RD || e.ItemType > ITEM_TR) return balloon;

  // The other base: a decimal list explains itself in hexadecimal and back.
  const bool hex = numericBase == NUMERIC_DECIMAL;
  const TTarvoCAN& item = e.Item;
  std::string& text = balloon.Text;
  text = LogTypeCodes[e.ItemType];
  text += item.IDE == 0 ? "11" : "29";
  char time[CANViewCellCapacity];
  text += "   ";
  text.append(time, FormatTickTime(item.TimeStamp, decimalSeparator, time));
  AppendNumber(text, "   ", item.ID, hex);
  for (size_t i = 0; i < DataLength(item); ++i) {
    if (IsRemote(e)) text += "    ?";
    else AppendNumber(text, "   ", item.Data[i], hex);
  }
  balloon.Show = true;
  balloon.Title = hex ? "Hexadecimal" : "Decimal";
  balloon.TimeoutMs = ConversionBalloonTimeoutMs;
  return balloon;
}

TConversionCommand ConversionCommandCaption(int32_t numericBase) {
  if (numericBase != NUMERIC_DECIMAL) return {"&Show Decimal", 21};
  return {"&Show Hexadecimal", 22};
}

}  // namespace tarvo
