#pragma once
// Reads a DBC file (the de-facto description of a CAN network's messages
// and signals) into a TDbcDatabase.
//
// What is read, with a worked line each:
//
//   VERSION "1.0"
//   BU_: Engine Body                                    nodes
//   BO_ 2566844672 EngineData: 8 Engine                 message; bit 31 flags an extended identifier
//    SG_ EngineSpeed : 24|16@1+ (0.125,0) [0|8031.875] "rpm" Body
//    SG_ Mode M : 0|2@1+ (1,0) [0|3] "" Body            the multiplexer
//    SG_ Temp m1 : 8|8@0- (0.5,-40) [-40|87.5] "degC" Body
//                                                       start|length@order(1 little, 0 big) sign(+ -)
//                                                       (factor,offset) [minimum|maximum] "unit" receivers
//   CM_ BO_ 2566844672 "Engine state.";                 comments of the network, nodes, messages, signals
//   VAL_ 2566844672 Mode 0 "Off" 1 "Run" ;              value texts of a signal's raw values
//   SIG_VALTYPE_ 2566844672 EngineSpeed : 1;            IEEE single (1) or double (2) signal
//   SG_MUL_VAL_ 2566844672 Temp Mode 1-1, 3-5;          extended multiplexing: switch signal and ranges
//
// Lines end in LF, CR LF or a lone CR. Names may begin with digits
// (5_SEC_DISABLE_TIMER), as other DBC tools read them. CM_, VAL_,
// SIG_VALTYPE_ and SG_MUL_VAL_ apply to what they name wherever in the file
// it is defined; a VAL_ that gives a raw value twice keeps the later text.
// Every other statement of the format (NS_, BS_, BA_DEF_, BA_, VAL_TABLE_,
// EV_, BO_TX_BU_, ...) is skipped.
//
// A statement that breaks the grammar, names what the file does not
// define, or describes a signal that does not fit inside its message is
// skipped and listed with its line and column; the rest of the file is
// read. What is read other than as written, or can never decode (a loop of
// switch signals, "m1" in a message without a multiplexer), is noted.
//
// Reading takes time linear in the file's size, and what it keeps is
// bounded by a multiple of that size: a file that would take more is
// refused, naming the line where it got there.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbc/DbcDatabase.h"

namespace tarvo {

struct TDbcError {
  int32_t Line = 0;    // 1-based; 0 when the error is not about a place in the text
  int32_t Column = 0;  // 1-based, in bytes
  std::string What;    // "expected ':'", ...
};

struct TDbcReadResult {
  bool Ok = false;
  TDbcDatabase Database;
  TDbcError Error;  // why the file was refused
  // Statements that could not be read or name nothing the file defines,
  // each skipped, by place: the rest of the file is read. A file with no
  // message left is refused with the first; one without any message, with
  // "the file is empty" or "the file defines no message (BO_)".
  std::vector<TDbcError> Skipped;
  // What was read other than as written (an identifier above 0x7FF without
  // the extended flag is read as a 29-bit one, a range written backwards),
  // and signals that can never decode, by place; past 1000, one last line
  // at line 0 counts the rest.
  std::vector<TDbcError> Notes;
};

TDbcReadResult ReadDbc(std::string_view text);

// Larger files are refused before they are read.
inline constexpr uint64_t DbcFileSizeLimit = 64ull * 1024 * 1024;

// Reads the file at path (UTF-8 path). A file that cannot be opened or read,
// or that is larger than DbcFileSizeLimit, gives an error at line 0.
TDbcReadResult ReadDbcFile(const std::string& path);

// "line 12, column 5: expected ':'" (or only What at line 0).
std::string DbcErrorText(const TDbcError& error);

}  // namespace tarvo
