// The DBC reader on small files written for the tests: a complete file with
// every statement real files hold, and damaged files that must give an error
// naming the line and column, never a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <set>

#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"
#include "sim/Scenario.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

std::string Fixture(const char* name) { return std::string(TARVO_DBC_FIXTURES) + "/" + name; }

TEST(DbcReader, ReadsEveryStatementOfACompleteFile) {
  const TDbcReadResult r = ReadDbcFile(Fixture("complete.dbc"));
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  const TDbcDatabase& db = r.Database;
  EXPECT_EQ(db.Version, "2.1");
  EXPECT_EQ(db.Comment, "Network of the tests.");
  ASSERT_EQ(db.Nodes.size(), 3u);
  EXPECT_EQ(db.Nodes[0].Name, "Engine");
  EXPECT_EQ(db.Nodes[0].Comment, "Engine control unit.");
  EXPECT_EQ(db.Nodes[2].Name, "Gateway");
  ASSERT_EQ(db.Messages.size(), 3u);

  const TDbcMessage* engine = db.Find(0, 100);
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->Name, "EngineData");
  EXPECT_EQ(engine->Size, 8u);
  EXPECT_EQ(engine->Transmitter, "Engine");
  EXPECT_EQ(engine->Comment, "Engine state, every\n10 ms; with a \"quoted\" word.");
  EXPECT_EQ(engine->Line, 40);
  ASSERT_EQ(engine->Signals.size(), 3u);
  const TDbcSignal& speed = engine->Signals[0];
  EXPECT_EQ(speed.Name, "EngineSpeed");
  EXPECT_EQ(speed.StartBit, 24u);
  EXPECT_EQ(speed.Length, 16);
  EXPECT_EQ(speed.ByteOrder, DBC_LITTLE_ENDIAN);
  EXPECT_FALSE(speed.Signed);
  EXPECT_DOUBLE_EQ(speed.Factor, 0.125);
  EXPECT_DOUBLE_EQ(speed.Maximum, 8031.875);
  EXPECT_EQ(speed.Unit, "rpm");
  EXPECT_EQ(speed.Receivers, (std::vector<std::string>{"Dash", "Gateway"}));
  EXPECT_EQ(speed.Comment, "Crankshaft speed.");
  const TDbcSignal& temp = engine->Signals[1];
  EXPECT_EQ(temp.ByteOrder, DBC_BIG_ENDIAN);
  EXPECT_TRUE(temp.Signed);
  EXPECT_DOUBLE_EQ(temp.Offset, -40);
  EXPECT_DOUBLE_EQ(temp.Minimum, -104);
  const TDbcSignal& gear = engine->Signals[2];
  ASSERT_EQ(gear.ValueTexts.size(), 4u);
  EXPECT_EQ(gear.ValueTexts[3].Value, 3);
  EXPECT_EQ(gear.ValueTexts[3].Text, "Drive");

  // Bit 31 flags the extended identifier.
  EXPECT_EQ(db.Find(1, 100), nullptr);
  const TDbcMessage* ext = db.Find(1, 0x18FEF100);
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(db.FindByName("Extended"), ext);
  EXPECT_EQ(ext->MultiplexerIndex, 0);
  EXPECT_EQ(ext->Signals[0].Multiplex, DBC_MULTIPLEXER);
  EXPECT_EQ(ext->Signals[1].Multiplex, DBC_MULTIPLEXED);
  EXPECT_EQ(ext->Signals[1].MultiplexValue, 2u);
  EXPECT_EQ(ext->Signals[2].MultiplexValue, 3u);
  EXPECT_DOUBLE_EQ(ext->Signals[2].Factor, 0.1);
  EXPECT_DOUBLE_EQ(ext->Signals[2].Offset, 25);
  EXPECT_EQ(ext->Signals[3].ValueType, DBC_FLOAT32);
  EXPECT_EQ(ext->Signals[0].ValueTexts.size(), 2u);

  // The holder of unattached signals never matches a frame.
  const TDbcMessage* holder = db.FindByName("VECTOR__INDEPENDENT_SIG_MSG");
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(holder->Signals[0].BytesUsed, 255);
  EXPECT_EQ(db.SignalCount(), 8u);
}

// A file that defines no message is no database: it is refused with the
// reason, never loaded as an empty one. Lines end in LF, CR LF or a lone CR.
TEST(DbcReader, AFileWithoutAMessageIsRefusedAndEveryLineEndIsRead) {
  for (const char* empty : {"", "\xEF\xBB\xBF", " \r\n\t\n", "\xEF\xBB\xBF\r\r"}) {
    const TDbcReadResult r = ReadDbc(empty);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(DbcErrorText(r.Error), "line 1, column 1: the file is empty");
  }
  for (const char* noMessage : {"\xEF\xBB\xBF" "VERSION \"\"\r\n", "VERSION \"\"\rNS_ :\r\tCM_\rBS_:\rBU_: N\r"}) {
    const TDbcReadResult r = ReadDbc(noMessage);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(DbcErrorText(r.Error), "line 1, column 1: the file defines no message (BO_)");
  }
  for (const char* end : {"\r\n", "\r", "\n"}) {
    SCOPED_TRACE(end[0] == '\r' && end[1] ? "CR LF" : end[0] == '\r' ? "CR" : "LF");
    const std::string n = end;
    const TDbcReadResult r =
        ReadDbc("VERSION \"\"" + n + "NS_ :" + n + "\tCM_" + n + "BS_:" + n + "FOO_ 1;" + n + "BU_: N" + n + "BO_ 1 M: 1 N" + n +
                " SG_ S : 0|8@1+ (1,0) [0|0] \"\" N" + n + "CM_ SG_ 1 S \"two" + n + "lines\";" + n + "BA_ x" + n);
    ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
    ASSERT_EQ(r.Database.Nodes.size(), 1u);
    ASSERT_EQ(r.Database.Messages.size(), 1u);
    EXPECT_EQ(r.Database.Messages[0].Line, 7);
    EXPECT_EQ(r.Database.Messages[0].Signals[0].Receivers.size(), 1u);
    EXPECT_EQ(r.Database.Messages[0].Signals[0].Comment, "two" + n + "lines");
    ASSERT_EQ(r.Skipped.size(), 2u);  // the unknown keyword, and the open BA_ after the comment's two lines
    EXPECT_EQ(r.Skipped[0].Line, 5);
    EXPECT_EQ(r.Skipped[1].Line, 11);
  }
}

struct Damaged {
  const char* Name;
  std::string Text;
  int32_t Line;
  int32_t Column;
  const char* What;
};

std::vector<Damaged> DamagedFiles() {
  const std::string head = "VERSION \"\"\nBU_: A\nBO_ 100 M: 2 A\n";
  return {
      {"missing colon after the message name", "VERSION \"\"\nBO_ 100 M 8 A\n", 2, 11, "expected ':', found '8'"},
      {"missing colon after the signal name", head + " SG_ S 0|8@1+ (1,0) [0|0] \"\" A\n", 4, 8, "expected ':', found '0'"},
      {"unknown keyword", head + "FOO_ 1 2;\n", 4, 1, "unknown keyword 'FOO_'"},
      {"signal outside its message", head + " SG_ S : 12|8@1+ (1,0) [0|0] \"\" A\n", 4, 2,
       "signal S (start bit 12, length 8) does not fit in message M of 2 bytes"},
      {"big-endian signal running off its message", head + " SG_ S : 8|2@0+ (1,0) [0|0] \"\" A\n", 4, 2,
       "signal S (start bit 8, length 2) does not fit in message M of 2 bytes"},
      {"signal of length 0", head + " SG_ S : 0|0@1+ (1,0) [0|0] \"\" A\n", 4, 12, "signal length 0 is outside 1..64"},
      {"signal of 65 bits", "BO_ 1 M: 16 A\n SG_ S : 0|65@1+ (1,0) [0|0] \"\" A\n", 2, 12,
       "signal length 65 is outside 1..64"},
      {"byte order 2", head + " SG_ S : 0|8@2+ (1,0) [0|0] \"\" A\n", 4, 14, "expected the byte order 0 or 1, found '2'"},
      {"missing sign", head + " SG_ S : 0|8@1 (1,0) [0|0] \"\" A\n", 4, 16, "expected the sign '+' or '-', found '('"},
      {"factor not a number", head + " SG_ S : 0|8@1+ (x,0) [0|0] \"\" A\n", 4, 18, "expected a factor, found 'x'"},
      {"unit without quotes", head + " SG_ S : 0|8@1+ (1,0) [0|0] rpm A\n", 4, 29,
       "expected the unit string, found 'rpm'"},
      {"signal before any message", "VERSION \"\"\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n", 2, 2,
       "signal outside a message (SG_ before any BO_)"},
      {"identifier above 32 bits", "BO_ 4294967296 M: 8 A\n", 1, 5, "a message identifier 4294967296 is too large"},
      {"two messages with one identifier", "BO_ 5 M: 8 A\nBO_ 5 N: 8 A\n", 2, 1,
       "message N has the identifier of message M (line 1)"},
      {"a signal twice", head + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n SG_ S : 8|8@1+ (1,0) [0|0] \"\" A\n", 5, 2,
       "signal S appears twice in message M"},
      {"two multiplexers", head + " SG_ S M : 0|8@1+ (1,0) [0|0] \"\" A\n SG_ T M : 8|8@1+ (1,0) [0|0] \"\" A\n", 5, 2,
       "message M has a second multiplexer signal T"},
      {"comment without its semicolon", head + "CM_ BO_ 100 \"text\"\nVAL_ 100 S 1 \"x\" ;\n", 5, 1,
       "expected ';', found 'VAL_'"},
      {"string never closed", head + "CM_ \"open\n\n", 4, 5, "string without its closing '\"'"},
      {"skipped statement never closed", head + "BA_DEF_ BO_ \"x\" INT 0 1\n", 4, 1,
       "statement BA_DEF_ without its closing ';'"},
      {"value text without text", head + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\nVAL_ 100 S 1 2 ;\n", 5, 14,
       "expected a value text, found '2'"},
      {"float type on a 16-bit signal", head + " SG_ S : 0|16@1+ (1,0) [0|0] \"\" A\nSIG_VALTYPE_ 100 S : 1;\n", 5,
       22, "signal S of 16 bits cannot hold a 32-bit floating-point value"},
      {"binary garbage", head + "\x01\x02\xFF\xFE", 4, 1, "unexpected character '\\x01'"},
      {"a number where a keyword belongs", head + "42\n", 4, 1, "expected a keyword, found '42'"},
      {"extended multiplexing of a message the file lacks", head + "SG_MUL_VAL_ 999 S M 1-1;\n", 4, 1,
       "SG_MUL_VAL_ of message 999, which the file does not define"},
      {"value type of a signal the message lacks (names differ in case)",
       head + " SG_ Speed : 0|16@1+ (1,0) [0|0] \"\" A\nSIG_VALTYPE_ 100 speed : 1;\n", 5, 18,
       "message M has no signal speed"},
      {"value type of a message the file lacks", head + "SIG_VALTYPE_ 999 S : 1;\n", 4, 1,
       "SIG_VALTYPE_ of message 999, which the file does not define"},
      {"value texts of a message the file lacks", head + "VAL_ 999 S 1 \"x\" ;\n", 4, 1,
       "VAL_ of message 999, which the file does not define"},
      {"comment on a signal the message lacks", head + "CM_ SG_ 100 Nope \"x\";\n", 4, 13, "message M has no signal Nope"},
      {"comment on a node the file lacks", head + "CM_ BU_ B \"x\";\n", 4, 1,
       "CM_ BU_ of node B, which the file does not define"},
      {"unit string left open on its line",
       head + " SG_ S : 0|8@1+ (1,0) [0|0] \"rpm A\n SG_ T : 8|8@1+ (1,0) [0|0] \"\" A\n", 4, 29,
       "string without its closing '\"' on its line"},
      {"skipped statement left open before the next statement",
       head + "BA_ \"GenMsgCycleTime\" BO_ 100 1\nBA_ \"GenMsgCycleTime\" BO_ 100 2;\n", 4, 1,
       "statement BA_ without its closing ';'"},
      {"a fault in a file of CR line ends", "VERSION \"\"\rBU_: A\rBO_ 100 M 2 A\r", 3, 11, "expected ':', found '2'"},
  };
}

// Each fault of the table, with a sound message after it: the faulty
// statement is skipped and listed with its line and column, and the rest of
// the file is read and decodes. A fault that runs to the end of the file
// (a string or statement never closed) takes the rest with it.
TEST(DbcReader, DamagedFilesAreReadForWhatIsSoundAndListTheirFaults) {
  const std::string tail = "\nBO_ 300 Tail: 1 A\n SG_ T : 0|8@1+ (2,0) [0|0] \"\" A\n";
  for (const Damaged& d : DamagedFiles()) {
    SCOPED_TRACE(d.Name);
    // A string never closed would end at the tail's first quote.
    const bool toTheEnd = std::string(d.Name) == "string never closed";
    const TDbcReadResult r = ReadDbc(toTheEnd ? d.Text : d.Text + tail);
    ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
    ASSERT_FALSE(r.Skipped.empty());
    EXPECT_EQ(r.Skipped[0].Line, d.Line);
    EXPECT_EQ(r.Skipped[0].Column, d.Column);
    EXPECT_EQ(r.Skipped[0].What, d.What);
    if (toTheEnd) continue;
    const TDbcMessage* t = r.Database.Find(0, 300);
    ASSERT_NE(t, nullptr);
    const uint8_t data[1] = {21};
    TDecodedSignal out[1];
    ASSERT_EQ(DecodeMessage(*t, data, 1, out), 1u);
    EXPECT_EQ(out[0].Physical, 42);
  }
}

// Extended multiplexing: a signal follows the switch SG_MUL_VAL_ names, in
// any of its ranges, and the switch follows its own multiplexer.
TEST(DbcReader, ExtendedMultiplexingSelectsBySwitchRanges) {
  const TDbcReadResult r = ReadDbc(
      "BO_ 300 Ext: 8 N\n"
      " SG_ Mux M : 0|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ Sub m1M : 8|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ A m1 : 16|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ B m1 : 16|8@1+ (2,0) [0|0] \"\" N\n"
      "SG_MUL_VAL_ 300 Sub Mux 1-1;\n"
      "SG_MUL_VAL_ 300 A Sub 0-3;\n"
      "SG_MUL_VAL_ 300 B Sub 4-4, 6-9;\n"
      "SG_MUL_VAL_ 300 Nope Sub 1-1;\n");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  ASSERT_EQ(r.Skipped.size(), 1u);  // the unknown signal
  EXPECT_EQ(r.Skipped[0].Line, 9);
  const TDbcMessage& m = r.Database.Messages[0];
  const auto names = [&](std::initializer_list<uint8_t> bytes) {
    uint8_t data[8] = {};
    size_t i = 0;
    for (uint8_t b : bytes) data[i++] = b;
    TDecodedSignal out[8];
    const size_t n = DecodeMessage(m, data, 8, out);
    std::string text;
    for (size_t k = 0; k < n; ++k) text += out[k].Signal->Name + "=" + std::to_string(int(out[k].Physical)) + " ";
    return text;
  };
  EXPECT_EQ(names({1, 2, 42}), "Mux=1 Sub=2 A=42 ");
  EXPECT_EQ(names({1, 6, 42}), "Mux=1 Sub=6 B=84 ");
  EXPECT_EQ(names({1, 5, 42}), "Mux=1 Sub=5 ");
  EXPECT_EQ(names({0, 2, 42}), "Mux=0 ");  // the switch itself is not selected
}

// A file with nothing usable left is refused with its first fault.
TEST(DbcReader, AFileWithNothingUsableIsRefusedWithItsFirstFault) {
  const std::set<std::string> nothingUsable = {"missing colon after the message name", "signal before any message",
                                               "identifier above 32 bits"};
  for (const Damaged& d : DamagedFiles()) {
    if (!nothingUsable.count(d.Name)) continue;
    SCOPED_TRACE(d.Name);
    const TDbcReadResult r = ReadDbc(d.Text);
    ASSERT_FALSE(r.Ok);
    EXPECT_EQ(r.Error.Line, d.Line);
    EXPECT_EQ(r.Error.Column, d.Column);
    EXPECT_EQ(r.Error.What, d.What);
    EXPECT_TRUE(r.Database.Messages.empty());
  }
}

// A message's signals stay with it: those of a message that could not be
// read are skipped, not given to the message before.
TEST(DbcReader, SignalsOfASkippedMessageAreSkippedWithIt) {
  const TDbcReadResult r = ReadDbc(
      "BO_ 1 A: 8 N\n SG_ X : 0|8@1+ (1,0) [0|0] \"\" N\n"
      "BO_ 2 Bad 8 N\n SG_ Y : 0|8@1+ (1,0) [0|0] \"\" N\n"
      "BO_ 3 C: 8 N\n SG_ Z : 0|8@1+ (1,0) [0|0] \"\" N\n");
  ASSERT_TRUE(r.Ok);
  ASSERT_EQ(r.Database.Messages.size(), 2u);
  EXPECT_EQ(r.Database.Messages[0].Signals.size(), 1u);
  EXPECT_EQ(r.Database.Messages[1].Name, "C");
  ASSERT_EQ(r.Skipped.size(), 2u);
  EXPECT_EQ(r.Skipped[0].Line, 3);
  EXPECT_EQ(r.Skipped[1].What, "signal of a message that could not be read");
}

// A misspelt BO_ is an unknown keyword: its signals are skipped all the same,
// and statements naming an identifier read as 29 bits find it.
TEST(DbcReader, SignalsAfterAMisspeltMessageAndStatementsOf29BitReadings) {
  const TDbcReadResult r = ReadDbc(
      "BO_ 1 A: 8 N\n SG_ X : 0|8@1+ (1,0) [0|0] \"\" N\n"
      "B0_ 2 B: 8 N\n SG_ Y : 0|8@1+ (1,0) [0|0] \"\" N\n"
      "BO_ 2048 C: 8 N\n SG_ T : 0|32@1+ (1,0) [0|0] \"\" N\n"
      "SIG_VALTYPE_ 2048 T : 1;\nVAL_ 2048 T 1 \"one\" ;\n");
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Database.Messages[0].Signals.size(), 1u);
  ASSERT_EQ(r.Skipped.size(), 2u);
  EXPECT_EQ(r.Skipped[1].What, "signal of a message that could not be read");
  const TDbcMessage* c = r.Database.Find(1, 2048);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Signals[0].ValueType, DBC_FLOAT32);
  ASSERT_EQ(c->Signals[0].ValueTexts.size(), 1u);
}

// The statements that name a message (CM_ BO_, CM_ SG_, VAL_, SIG_VALTYPE_,
// SG_MUL_VAL_) find it by the rule BO_ reads identifiers with: bit 31 the
// extended flag, and one above 0x7FF without it a 29-bit one. Each message
// has its comment, its signal's comment, value text, value type and switch
// ranges of its own, so a statement that finds another message, or none,
// shows.
TEST(DbcReader, StatementsFindTheirMessageByTheRuleBoReadsItsIdentifierWith) {
  const struct {
    const char* Written;  // in BO_
    const char* Named;    // in the statements about it
    uint8_t IDE;
    uint32_t ID;
  } cases[] = {
      {"2047", "2047", 0, 0x7FF},                   // the highest 11-bit one
      {"2048", "2048", 1, 0x800},                   // the lowest read as 29 bits
      {"536870911", "536870911", 1, 0x1FFFFFFF},    // the highest read as 29 bits
      {"2566844672", "419361024", 1, 0x18FEF100},   // flagged in BO_, named without the flag
      {"419430401", "2566914049", 1, 0x19000001},   // read as 29 bits, named with the flag
      {"256", "256", 0, 0x100},                     // the same number, 11 bits ...
      {"2147483904", "2147483904", 1, 0x100},       // ... and 29 bits with the flag
  };
  std::string text = "VERSION \"\"\nBU_: N\n";
  for (size_t k = 0; k < std::size(cases); ++k)
    text += "BO_ " + std::string(cases[k].Written) + " M" + std::to_string(k) + ": 8 N\n" +
            " SG_ Mux M : 0|8@1+ (1,0) [0|0] \"\" N\n SG_ S m1 : 32|32@1+ (1,0) [0|0] \"\" N\n";
  for (size_t k = 0; k < std::size(cases); ++k) {
    const std::string id = cases[k].Named, n = std::to_string(k);
    text += "CM_ BO_ " + id + " \"message " + n + "\";\n" + "CM_ SG_ " + id + " S \"signal " + n + "\";\n" +
            "VAL_ " + id + " S " + n + " \"text " + n + "\" ;\n" + "SIG_VALTYPE_ " + id + " S : 1;\n" +
            "SG_MUL_VAL_ " + id + " S Mux " + n + "-" + n + ";\n";
  }
  const TDbcReadResult r = ReadDbc(text);
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  for (const TDbcError& e : r.Skipped) ADD_FAILURE() << "skipped: " << DbcErrorText(e);
  for (size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(std::string("BO_ ") + cases[k].Written + ", named " + cases[k].Named);
    const TDbcMessage* m = r.Database.Find(cases[k].IDE, cases[k].ID);
    ASSERT_NE(m, nullptr);
    const std::string n = std::to_string(k);
    EXPECT_EQ(m->Name, "M" + n);
    EXPECT_EQ(m->Comment, "message " + n);
    ASSERT_EQ(m->Signals.size(), 2u);
    const TDbcSignal& s = m->Signals[1];
    EXPECT_EQ(s.Comment, "signal " + n);
    ASSERT_EQ(s.ValueTexts.size(), 1u);
    EXPECT_EQ(s.ValueTexts[0].Value, int64_t(k));
    EXPECT_EQ(s.ValueTexts[0].Text, "text " + n);
    EXPECT_EQ(s.ValueType, DBC_FLOAT32);
    EXPECT_EQ(s.SwitchIndex, 0);
    EXPECT_EQ(s.SwitchRanges, (std::vector<std::pair<uint64_t, uint64_t>>{{k, k}}));
  }
}

// Statements about a message or signal that come before its BO_ or SG_
// are applied all the same: a float signal whose SIG_VALTYPE_ comes first
// decodes as a float, not as the integer of its bits.
TEST(DbcReader, StatementsBeforeWhatTheyNameAreApplied) {
  const TDbcReadResult r = ReadDbc(
      "SIG_VALTYPE_ 7 F : 1;\n"
      "VAL_ 7 Mux 1 \"one\" ;\n"
      "CM_ SG_ 7 F \"a float\";\n"
      "CM_ BO_ 7 \"the message\";\n"
      "CM_ BU_ N \"the node\";\n"
      "SG_MUL_VAL_ 7 F Mux 1-1;\n"
      "BU_: N\n"
      "BO_ 7 M: 8 N\n"
      " SG_ Mux M : 0|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ F m1 : 32|32@1- (1,0) [0|0] \"\" N\n");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  for (const TDbcError& e : r.Skipped) ADD_FAILURE() << "skipped: " << DbcErrorText(e);
  const TDbcMessage& m = r.Database.Messages[0];
  EXPECT_EQ(m.Comment, "the message");
  EXPECT_EQ(r.Database.Nodes[0].Comment, "the node");
  const TDbcSignal& f = m.Signals[1];
  EXPECT_EQ(f.ValueType, DBC_FLOAT32);
  EXPECT_EQ(f.Comment, "a float");
  EXPECT_EQ(f.SwitchIndex, 0);
  ASSERT_EQ(m.Signals[0].ValueTexts.size(), 1u);
  uint8_t data[8] = {1, 0, 0, 0, 0x00, 0x00, 0xC0, 0x3F};  // 1.5f
  TDecodedSignal out[2];
  ASSERT_EQ(DecodeMessage(m, data, 8, out), 2u);
  EXPECT_EQ(out[1].Physical, 1.5);
}

// A value table keeps one text per raw value, sorted by value: given twice,
// in one VAL_ or in a later one, the later text wins (as other DBC tools
// read it), and a repetition is noted once per statement, never kept.
TEST(DbcReader, AValueGivenTwiceKeepsItsLaterText) {
  std::string text = "BO_ 1 M: 8 N\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n SG_ T : 8|8@1+ (1,0) [0|0] \"\" N\n"
                     "VAL_ 1 S 3 \"a\" 1 \"b\" 3 \"c\" -1 \"d\" ;\nVAL_ 1 T 9 \"old\" ;\nVAL_ 1 T";
  for (int i = 0; i < 100000; ++i) text += " " + std::to_string(i % 3) + " \"t" + std::to_string(i) + "\"";
  const TDbcReadResult r = ReadDbc(text + " ;\n");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  const auto texts = [](const TDbcSignal& s) {
    std::string out;
    for (const TDbcValueText& v : s.ValueTexts) out += std::to_string(v.Value) + "=" + v.Text + " ";
    return out;
  };
  EXPECT_EQ(texts(r.Database.Messages[0].Signals[0]), "-1=d 1=b 3=c ");
  EXPECT_EQ(texts(r.Database.Messages[0].Signals[1]), "0=t99999 1=t99997 2=t99998 ");
  ASSERT_EQ(r.Notes.size(), 2u);
  EXPECT_EQ(DbcErrorText(r.Notes[0]), "line 4, column 1: VAL_ of signal S gives 1 raw values a second text: the later text of each is kept");
  EXPECT_EQ(r.Notes[1].What, "VAL_ of signal T gives 99997 raw values a second text: the later text of each is kept");
}

// Signals that the file makes impossible to select are named, and a range
// written backwards is read the right way round, with a note.
TEST(DbcReader, SignalsThatCanNeverDecodeAreNoted) {
  const TDbcReadResult r = ReadDbc(
      "BO_ 1 Loop: 8 N\n"
      " SG_ A : 0|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ B : 8|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ C : 16|8@1+ (1,0) [0|0] \"\" N\n"
      "BO_ 2 NoMux: 8 N\n"
      " SG_ P m1 : 0|8@1+ (1,0) [0|0] \"\" N\n"
      "BO_ 3 Back: 8 N\n"
      " SG_ Sw M : 0|8@1+ (1,0) [0|0] \"\" N\n"
      " SG_ Q m0 : 8|8@1+ (1,0) [0|0] \"\" N\n"
      "SG_MUL_VAL_ 1 A B 1-1;\nSG_MUL_VAL_ 1 B A 1-1;\nSG_MUL_VAL_ 1 C B 1-1;\n"
      "SG_MUL_VAL_ 3 Q Sw 5-3;\n");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  std::vector<std::string> notes;
  for (const TDbcError& e : r.Notes) notes.push_back(DbcErrorText(e));
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "line 2, column 1: signal A of message Loop follows switch signals (SG_MUL_VAL_) that loop back: it never decodes",
                       "line 3, column 1: signal B of message Loop follows switch signals (SG_MUL_VAL_) that loop back: it never decodes",
                       "line 4, column 1: signal C of message Loop follows switch signals (SG_MUL_VAL_) that loop back: it never decodes",
                       "line 6, column 1: signal P is multiplexed (m1) but message NoMux has no multiplexer signal (M): it never decodes",
                       "line 13, column 20: range 5-3 of signal Q runs backwards: read as 3-5",
                   }));
  const TDbcMessage& back = r.Database.Messages[2];
  uint8_t data[8] = {4, 9};
  TDecodedSignal out[2];
  EXPECT_EQ(DecodeMessage(back, data, 8, out), 2u);
  data[0] = 6;
  EXPECT_EQ(DecodeMessage(back, data, 8, out), 1u);

  // A chain of switches longer than the decoder follows never decodes either.
  std::string deep = "BO_ 1 Deep: 64 N\n";
  for (int i = 0; i <= MaxSwitchDepth + 1; ++i) deep += " SG_ S" + std::to_string(i) + " : " + std::to_string(8 * i) + "|8@1+ (1,0) [0|0] \"\" N\n";
  for (int i = 1; i <= MaxSwitchDepth + 1; ++i)
    deep += "SG_MUL_VAL_ 1 S" + std::to_string(i) + " S" + std::to_string(i - 1) + " 0-0;\n";
  const TDbcReadResult d = ReadDbc(deep);
  ASSERT_EQ(d.Notes.size(), 1u);
  EXPECT_EQ(d.Notes[0].Line, MaxSwitchDepth + 3);
}

// Names may begin with digits, as other DBC tools read them (python3-canmatrix
// reads this file alike); numbers that run into letters stay numbers only
// where they are numbers (an exponent).
TEST(DbcReader, NamesThatBeginWithDigitsAreRead) {
  const TDbcReadResult r = ReadDbc(
      "BU_: N 3ECU\n"
      "BO_ 2017 2017_5: 8 N\n"
      " SG_ 5_SEC_DISABLE_TIMER : 0|8@1+ (1,0) [0|0] \"\" 3ECU\n"
      " SG_ Other : 8|8@1+ (1E-1,+2.5e1) [0|0] \"\" N\n"
      "VAL_ 2017 5_SEC_DISABLE_TIMER 1 \"On\" 0 \"Off\" ;\n"
      "CM_ SG_ 2017 5_SEC_DISABLE_TIMER \"timer\";\n");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  for (const TDbcError& e : r.Skipped) ADD_FAILURE() << "skipped: " << DbcErrorText(e);
  EXPECT_EQ(r.Database.Nodes.size(), 2u);
  const TDbcMessage* m = r.Database.FindByName("2017_5");
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->Signals.size(), 2u);
  EXPECT_EQ(m->Signals[0].Name, "5_SEC_DISABLE_TIMER");
  EXPECT_EQ(m->Signals[0].Receivers, std::vector<std::string>{"3ECU"});
  EXPECT_EQ(m->Signals[0].ValueTexts.size(), 2u);
  EXPECT_EQ(m->Signals[0].Comment, "timer");
  EXPECT_DOUBLE_EQ(m->Signals[1].Factor, 0.1);
  EXPECT_DOUBLE_EQ(m->Signals[1].Offset, 25);
}

// An identifier only 29 bits hold, without the extended flag, is read as
// the 29-bit identifier it must be, and the line is named.
TEST(DbcReader, ALargeIdentifierWithoutTheExtendedFlagIsReadAs29Bits) {
  const TDbcReadResult r = ReadDbc("BO_ 2566844672 Ext: 8 N\nBO_ 419430400 NoFlag: 8 N\nBO_ 2047 Std: 8 N\n");
  ASSERT_TRUE(r.Ok);
  EXPECT_NE(r.Database.Find(1, 0x18FEF100), nullptr);
  EXPECT_NE(r.Database.Find(1, 419430400), nullptr);
  EXPECT_NE(r.Database.Find(0, 0x7FF), nullptr);
  ASSERT_EQ(r.Notes.size(), 1u);
  EXPECT_EQ(r.Notes[0].Line, 2);
  EXPECT_EQ(r.Notes[0].What,
            "message identifier 419430400 (0x19000000) is above 0x7FF without the extended flag: read as a 29-bit "
            "identifier");
}

// An identifier no frame can carry is kept (its signals never decode) and
// named, but for the holder of unattached signals design tools write.
TEST(DbcReader, AnIdentifierNoFrameCarriesIsNamed) {
  const TDbcReadResult r = ReadDbc(
      "BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\n SG_ Loose : 0|8@1+ (1,0) [0|0] \"\" N\n"
      "BO_ 1073741825 Above: 8 N\nBO_ 3758096384 AboveWithFlag: 8 N\nBO_ 536870911 Top: 8 N\n");
  ASSERT_TRUE(r.Ok) << r.Error.What;
  EXPECT_EQ(r.Database.Messages.size(), 4u);
  ASSERT_EQ(r.Notes.size(), 3u);
  EXPECT_EQ(r.Notes[0].Line, 3);
  EXPECT_EQ(r.Notes[0].What,
            "message identifier 1073741825 (0x40000001) is above 0x1FFFFFFF: no frame carries it, its signals never "
            "decode");
  EXPECT_EQ(r.Notes[1].Line, 4);
  EXPECT_EQ(r.Notes[1].What,
            "message identifier 3758096384 (0xE0000000) is above 0x1FFFFFFF: no frame carries it, its signals never "
            "decode");
  // 536870911 = 0x1FFFFFFF without the flag: read as 29-bit, as above.
  EXPECT_EQ(r.Notes[2].Line, 5);
}

TEST(DbcReader, ErrorTextNamesLineAndColumn) {
  EXPECT_EQ(DbcErrorText({3, 7, "expected ':', found '8'"}), "line 3, column 7: expected ':', found '8'");
  EXPECT_EQ(DbcErrorText({0, 0, "the file cannot be opened"}), "the file cannot be opened");
}

TEST(DbcReader, TenMegabyteLineGivesAShortError) {
  std::string text = "VERSION \"\"\nBO_ 1 M: 8 A\n SG_ ";
  text.append(10u << 20, 'x');
  text += " : 0|8@1+ (1,0) [0|0] \"\" A\n";
  TDbcReadResult r = ReadDbc(text);
  ASSERT_TRUE(r.Ok);  // a long name is still a name
  EXPECT_EQ(r.Database.Messages[0].Signals[0].Name.size(), 10u << 20);

  std::string garbage = "VERSION \"\"\n";
  garbage.append(10u << 20, 'z');
  garbage += "\n";
  r = ReadDbc(garbage);
  ASSERT_FALSE(r.Ok);
  EXPECT_EQ(r.Error.Line, 2);
  EXPECT_EQ(r.Error.What, "unknown keyword '" + std::string(40, 'z') + "...'");

  std::string longUnit = "BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"";
  longUnit.append(10u << 20, ' ');
  r = ReadDbc(longUnit);
  ASSERT_TRUE(r.Ok);  // the message stays; its signal is skipped
  ASSERT_EQ(r.Skipped.size(), 1u);
  EXPECT_EQ(r.Skipped[0].Line, 2);
  EXPECT_EQ(r.Skipped[0].Column, 29);
}

// Random bytes, random cuts of a good file and single-byte changes of it:
// every one is read to the end or refused with a placed error.
TEST(DbcReader, GarbageNeverCrashes) {
  std::ifstream in(Fixture("complete.dbc"), std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(good.empty());
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    switch (i % 3) {
      case 0:
        text.resize(random() % 300);
        for (char& c : text) c = char(random());
        break;
      case 1:
        text = good.substr(0, random() % good.size());
        break;
      default:
        text = good;
        text[random() % text.size()] = char(random());
        break;
    }
    const TDbcReadResult r = ReadDbc(text);
    if (!r.Ok) {
      EXPECT_GE(r.Error.Line, 1);
      EXPECT_GE(r.Error.Column, 1);
      EXPECT_FALSE(r.Error.What.empty());
    }
  }
}

TEST(DbcReader, FileErrors) {
  TDbcReadResult r = ReadDbcFile(Fixture("no-such-file.dbc"));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error.Line, 0);
  EXPECT_EQ(r.Error.What, "the file cannot be opened");
  r = ReadDbcFile(TARVO_DBC_FIXTURES);  // a folder
  EXPECT_FALSE(r.Ok);
  // A FIFO would block the open until a writer comes: refused first.
  test::TempFolder folder("tarvo-dbc");
  const std::string fifo = folder.File("pipe.dbc");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  r = ReadDbcFile(fifo);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error.What, "the file is not a regular file");
}

// The database shipped for the simulated bus describes every frame of its
// default scenario: each periodic node and each answer has a message of its
// identifier, format and length, and every signal fits.
TEST(DbcReader, ShippedDatabaseDescribesTheDefaultBus) {
  const TDbcReadResult r = ReadDbcFile(std::string(TARVO_SIM_SCENARIO_DIR) + "/../databases/default.dbc");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  const sim::Scenario scenario = sim::DefaultScenario();
  std::vector<sim::CanFrame> frames;
  for (const sim::NodeSpec& n : scenario.Nodes) frames.push_back(n.Frame);
  for (const sim::ResponderSpec& a : scenario.Responders) frames.push_back(a.Answer);
  ASSERT_FALSE(frames.empty());
  std::set<const TDbcMessage*> used;
  for (const sim::CanFrame& f : frames) {
    const TDbcMessage* m = r.Database.Find(f.Extended ? 1 : 0, f.Id);
    ASSERT_NE(m, nullptr) << std::hex << f.Id;
    EXPECT_EQ(m->Size, f.Dlc) << m->Name;
    for (const TDbcSignal& s : m->Signals) EXPECT_LE(s.BytesUsed, f.Dlc) << m->Name << "." << s.Name;
    used.insert(m);
  }
  EXPECT_EQ(used.size(), r.Database.Messages.size());
}

}  // namespace
}  // namespace tarvo
