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
//
// Every other statement of the format (NS_, BS_, BA_DEF_, BA_, VAL_TABLE_,
// EV_, BO_TX_BU_, SG_MUL_VAL_, ...) is skipped. A word that is no keyword of
// the format, a statement that breaks its grammar, or a signal that does not
// fit inside its message stops the reading with an error naming the line
// and column; nothing of such a file is used.
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
  // Statements that could not be read, each skipped: the rest of the file
  // is read. A file with no message left is refused with the first.
  std::vector<TDbcError> Skipped;
  // What was read other than as written (an identifier above 0x7FF without
  // the extended flag is read as a 29-bit one).
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
