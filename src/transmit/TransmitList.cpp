#include "transmit/TransmitList.h"

#include <cstdio>

#include "common/TarvoCAN.h"

namespace tarvo {

namespace {

std::string Format(const char* format, uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string PeriodText(uint32_t periodIndex) {
  if (periodIndex < 1 || periodIndex > PeriodCount) return {};
  return PeriodEntries()[periodIndex - 1];
}

uint32_t PeriodMs(uint32_t periodIndex) {
  return periodIndex <= PeriodCount ? PeriodCodeMs[periodIndex] : 0;
}

std::string KeyText(int32_t key) {
  if (key < 1 || key > KeyCount) return {};
  return KeyEntries()[key - 1];
}

const std::array<std::string, PeriodCount>& PeriodEntries() {
  static const std::array<std::string, PeriodCount> entries = {
      "10", "20", "50", "100", "200", "500", "1000", "2000", "5000", "10000"};
  return entries;
}

const std::array<std::string, KeyCount>& KeyEntries() {
  static const std::array<std::string, KeyCount> entries = [] {
    std::array<std::string, KeyCount> e;
    for (int n = 1; n <= 9; ++n) {
      e[n - 1] = "F" + std::to_string(n);
      e[n + 8] = "Ctrl+" + std::to_string(n);
    }
    return e;
  }();
  return entries;
}

std::string NumberText(uint32_t value, bool hex) { return Format(hex ? "%X" : "%u", value); }

std::string ByteText(uint8_t value, bool hex) { return Format(hex ? "%.2X" : "%u", value); }

const char* TransmitColumnCaption(int column) {
  static const char* const captions[TX_COLUMN_COUNT] = {
      "Tx", "Bit", "ID", "Frame", "DLC", "D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8",
      "On Time (ms)", "On Key", "Comment"};
  return column >= 0 && column < TX_COLUMN_COUNT ? captions[column] : "";
}

std::string TransmitCellText(const TCANTransmitMessage& item, int column, bool hex) {
  if (column >= TX_COLUMN_D1 && column < TX_COLUMN_D1 + 8) {
    const int n = column - TX_COLUMN_D1 + 1;
    if (n > item.DLC) return {};
    if (item.RTR == 1) return "?";
    return ByteText(item.Data[n - 1], hex);
  }
  switch (column) {
    case TX_COLUMN_BIT: return item.IDE == 1 ? "29" : "11";
    case TX_COLUMN_ID: return NumberText(item.ID, hex);
    case TX_COLUMN_FRAME: return item.RTR == 1 ? "Remote" : "Data";
    case TX_COLUMN_DLC: return std::to_string(item.DLC);
    case TX_COLUMN_ON_TIME: return PeriodText(item.PeriodIndex);
    case TX_COLUMN_ON_KEY: return KeyText(item.Key);
    case TX_COLUMN_COMMENT: return item.Comment;
    default: return {};
  }
}

TConversionHint TransmitConversionHint(const TCANTransmitMessage* item, bool hex) {
  if (!item) return {"No item selected", "", 2000};
  // The hint shows the other base than the list.
  const char* number = hex ? "   %u" : "   %X";
  TConversionHint hint{hex ? "Decimal" : "Hexadecimal", "", 20000};
  std::string& text = hint.Text;
  text = item->EnabledFlag ? "[X]" : "[  ]";
  text += item->IDE == 1 ? "   29" : "   11";
  text += Format(number, item->ID);
  text += item->RTR == 1 ? "   Remote   " : "   Data   ";
  text += std::to_string(item->DLC);
  for (int i = 0; i < WireDLC(item->DLC); ++i)
    text += item->RTR == 1 ? "    ?" : Format(number, item->Data[i]);
  return hint;
}

}  // namespace tarvo
