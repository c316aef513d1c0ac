#pragma once
// Texts of decoded signals, shared by the CAN View's signals panel and
// tooltip and by the transmit editor's signal table.
//
//   EngineSpeed   2150.000 rpm     raw 4330 (hexadecimal) / 17200 (decimal)
//   GearState     Drive            (the value text of raw 3)
//
// A physical value shows as many decimals as its factor and offset have
// (factor 0.125 -> three, factor 1 and offset -40 -> none), with the user's
// decimal separator; floating-point signals show up to seven significant digits.
#include <cstdint>
#include <string>
#include <string_view>

#include "dbc/DbcDatabase.h"
#include "dbc/SignalCodec.h"

namespace tarvo {

// The physical value as a number (no unit).
std::string PhysicalText(const TDbcSignal& s, double physical, std::string_view decimalSeparator);

// The value text of the raw value, or the physical value followed by a
// space and the unit (no space without a unit).
std::string SignalValueText(const TDbcSignal& s, uint64_t raw, double physical, std::string_view decimalSeparator);

// Raw value: upper-case hexadecimal of the signal's bits without prefix, or
// decimal (negative for a signed signal).
std::string RawValueText(const TDbcSignal& s, uint64_t raw, bool hexadecimal);

// The value text of raw, or nullptr.
const std::string* FindValueText(const TDbcSignal& s, uint64_t raw);

// Decimals a physical value of this signal shows (0..9).
int PhysicalDecimals(const TDbcSignal& s);

// Tooltip of a CAN View row: the message name, then one line per signal
// "Name = value (raw)", a signal the frame is too short for as "Name: not in frame".
std::string MessageTooltipText(const TDbcMessage& message, const uint8_t* data, uint8_t dlc, bool hexadecimal,
                               std::string_view decimalSeparator);

// Reads a value typed by the user into the signal's raw bits: one of its
// value texts, or a physical value with "." or the user's separator (a unit
// after it is allowed), held to what the signal carries. Whole numbers of an
// unscaled integer signal are taken exactly. False when the text is neither.
bool ParseSignalText(const TDbcSignal& s, std::string_view text, std::string_view decimalSeparator, uint64_t& raw);

}  // namespace tarvo
