#pragma once
// A CAN database read from a DBC file: the nodes, the messages with their
// signals, value tables and comments. Plain records; the reader fills them
// (DbcReader.h), the codec decodes and encodes signals (SignalCodec.h).
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarvo {

enum TDbcByteOrder : uint8_t {
  DBC_BIG_ENDIAN = 0,     // "@0": Motorola, start bit names the most significant bit
  DBC_LITTLE_ENDIAN = 1,  // "@1": Intel, start bit names the least significant bit
};

enum TDbcValueType : uint8_t {
  DBC_INTEGER = 0,  // raw integer, scaled by factor and offset
  DBC_FLOAT32 = 1,  // IEEE single (SIG_VALTYPE_ 1), length 32
  DBC_FLOAT64 = 2,  // IEEE double (SIG_VALTYPE_ 2), length 64
};

enum TDbcMultiplex : uint8_t {
  DBC_PLAIN = 0,        // always present
  DBC_MULTIPLEXER = 1,  // "M": its raw value selects the multiplexed signals
  DBC_MULTIPLEXED = 2,  // "m<k>": present only while the multiplexer's raw value is k
};

struct TDbcValueText {
  int64_t Value = 0;  // raw value
  std::string Text;
};

struct TDbcSignal {
  std::string Name;
  uint32_t StartBit = 0;  // as written in the file (bit numbering of its byte order)
  uint16_t Length = 1;    // 1..64 bits
  TDbcByteOrder ByteOrder = DBC_LITTLE_ENDIAN;
  bool Signed = false;  // "-" in the file
  TDbcValueType ValueType = DBC_INTEGER;
  double Factor = 1.0;
  double Offset = 0.0;
  double Minimum = 0.0;
  double Maximum = 0.0;
  std::string Unit;
  std::vector<std::string> Receivers;
  TDbcMultiplex Multiplex = DBC_PLAIN;
  uint64_t MultiplexValue = 0;  // k of "m<k>"
  // Extended multiplexing (SG_MUL_VAL_): present while the switch signal's
  // raw value lies in one of the ranges (the switch itself present). -1: none.
  int32_t SwitchIndex = -1;
  std::vector<std::pair<uint64_t, uint64_t>> SwitchRanges;  // sorted by low end, apart (not touching)
  std::vector<TDbcValueText> ValueTexts;  // VAL_, sorted by raw value, one text per value
  std::string Comment;                    // CM_ SG_
  int32_t Line = 0;                       // line of its SG_ in the file

  // Worked out by the reader from start bit, length and byte order:
  uint8_t Shift = 0;      // position of the least significant bit in the frame word (SignalCodec.h)
  uint8_t BytesUsed = 0;  // (255 at most) the frame must hold this many data bytes for the signal to be present
};

struct TDbcMessage {
  uint32_t ID = 0;    // without the extended flag
  uint8_t IDE = 0;    // 1: extended (bit 31 of the identifier in the file)
  uint32_t Size = 0;  // bytes, as declared
  std::string Name;
  std::string Transmitter;
  std::vector<TDbcSignal> Signals;  // in file order
  int32_t MultiplexerIndex = -1;    // the "M" signal, -1 if none
  std::string Comment;              // CM_ BO_
  int32_t Line = 0;
};

struct TDbcNode {
  std::string Name;
  std::string Comment;  // CM_ BU_
};

struct TDbcDatabase {
  std::string Version;
  std::string Comment;  // CM_ "..." of the network
  std::vector<TDbcNode> Nodes;
  std::vector<TDbcMessage> Messages;  // in file order

  // The message with this identifier and format, or nullptr.
  const TDbcMessage* Find(uint8_t ide, uint32_t id) const {
    const auto it = Index.find(Key(ide, id));
    return it == Index.end() ? nullptr : &Messages[it->second];
  }
  const TDbcMessage* FindByName(const std::string& name) const {
    for (const TDbcMessage& m : Messages)
      if (m.Name == name) return &m;
    return nullptr;
  }
  size_t SignalCount() const {
    size_t n = 0;
    for (const TDbcMessage& m : Messages) n += m.Signals.size();
    return n;
  }

  // Identifier and format -> index in Messages; rebuilt by the reader.
  static uint64_t Key(uint8_t ide, uint32_t id) { return (uint64_t(ide != 0) << 32) | id; }
  std::unordered_map<uint64_t, size_t> Index;
};

}  // namespace tarvo
