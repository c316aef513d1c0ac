#pragma once
// The transmit list: up to 50 CAN messages the program sends for the user,
// each with a trigger (a period or a key), a comment and an enabled flag.
// Also the texts its rows and its conversion hint show.
#include <array>
#include <cstdint>
#include <string>

namespace tarvo {

using TCANData = std::array<uint8_t, 8>;

struct TCANTransmitMessage {
  bool EnabledFlag = false;
  uint8_t IDE = 0;           // 1 = 29-bit identifier
  uint32_t ID = 0;
  uint8_t RTR = 0;           // 1 = remote frame
  uint8_t DLC = 0;           // 0..8 from the editor; a configuration file may hold more
  TCANData Data{};           // bytes from DLC on are 0, all 0 for a remote frame
  uint32_t PeriodIndex = 0;  // 0 = no period, 1..10 = period code
  int32_t Key = 0;           // 0 = no key, 1..9 = F1..F9, 10..18 = Ctrl+1..Ctrl+9
  std::string Comment;
  int32_t BufferNo = 0;      // repetition buffer 1..15 of the current run, 0 = sent by the host
  uint32_t Time = 0;         // next due time, ms of adapter time
};

inline constexpr int32_t MaxTransmitItems = 50;
inline constexpr uint32_t PeriodCount = 10;  // period codes 1..10
inline constexpr int32_t KeyCount = 18;      // keys 1..18
inline constexpr int CommentMaxLength = 30;

struct TCANTransmit {
  int32_t Count = 0;
  int32_t DisplayCount = 0;        // items from the top handed to the adapter in this run
  int32_t RepetitionBufferNo = 1;  // next repetition buffer to hand out, 1..16
  std::array<TCANTransmitMessage, MaxTransmitItems> List{};
};

// The data bytes a message really carries: never more than eight.
inline uint8_t WireDLC(uint8_t dlc) { return dlc > 8 ? 8 : dlc; }

// ---- Trigger texts -------------------------------------------------------------

// "10" .. "10000" for 1..10; empty for 0 and anything above 10.
std::string PeriodText(uint32_t periodIndex);
// Period in ms for 1..10, else 0.
uint32_t PeriodMs(uint32_t periodIndex);
// "F1".."F9" for 1..9, "Ctrl+1".."Ctrl+9" for 10..18, else empty.
std::string KeyText(int32_t key);

// The period box entries ("10" .. "10000") and the key box entries
// ("F1" .. "Ctrl+9"), entry n (from 0) standing for code/key n + 1.
const std::array<std::string, PeriodCount>& PeriodEntries();
const std::array<std::string, KeyCount>& KeyEntries();

// ---- Numbers on screen ---------------------------------------------------------

// Upper-case hexadecimal without leading zeros, or decimal.
std::string NumberText(uint32_t value, bool hex);
// A data byte: two upper-case hexadecimal digits, or decimal.
std::string ByteText(uint8_t value, bool hex);

// ---- List rows -----------------------------------------------------------------

enum TTransmitColumn : int {
  TX_COLUMN_TX = 0,
  TX_COLUMN_BIT,
  TX_COLUMN_ID,
  TX_COLUMN_FRAME,
  TX_COLUMN_DLC,
  TX_COLUMN_D1,  // D1..D8 follow
  TX_COLUMN_ON_TIME = TX_COLUMN_D1 + 8,
  TX_COLUMN_ON_KEY,
  TX_COLUMN_COMMENT,
  TX_COLUMN_COUNT
};

const char* TransmitColumnCaption(int column);

// The text of one cell; the "Tx" column has none (it shows a check box).
std::string TransmitCellText(const TCANTransmitMessage& item, int column, bool hex);

// ---- Conversion hint -------------------------------------------------------------

struct TConversionHint {
  std::string Title;
  std::string Text;
  int TimeoutMs = 0;
};

// The item in the other base than the list shows; null item: none selected.
TConversionHint TransmitConversionHint(const TCANTransmitMessage* item, bool hex);

}  // namespace tarvo
