// The "Database" command and what a loaded database shows: the open dialog,
// a refused file, the signals panel's rows and captions, the tooltip, and
// composing a frame by signal values.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "dbc/DatabaseState.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

class DatabaseCommand : public ::testing::Test {
 protected:
  void TearDown() override {
    // The database's boxes only tell (OK alone), and it never saves a file.
    for (const test::ScriptedDialogs::Shown& box : dialogs_.Boxes) EXPECT_EQ(box.Buttons, TDialogButtons::OK) << box.Text;
    EXPECT_TRUE(dialogs_.SaveRequests.empty());
  }

  std::string Write(const char* name, const std::string& text) { return folder_.Write(name, text); }

  test::TempFolder folder_{"tarvo-dbc"};
  const std::filesystem::path dir_ = folder_.Path();
  TDatabaseState state_;
  test::ScriptedDialogs dialogs_;
};

const char EngineDbc[] = R"(VERSION ""
BO_ 160 EngineStatus: 8 Engine
 SG_ Counter : 0|8@1+ (1,0) [0|255] "" Gateway
 SG_ Speed : 16|16@1+ (0.25,0) [0|16383.75] "rpm" Gateway
 SG_ Mode : 32|2@1+ (1,0) [0|3] "" Gateway
 SG_ Tail : 56|8@1+ (1,0) [0|255] "" Gateway
VAL_ 160 Mode 0 "Off" 1 "Run" ;
CM_ SG_ 160 Speed "Crankshaft speed.";
BO_ 2566844672 Pages: 3 Body
 SG_ Page M : 0|8@1+ (1,0) [0|1] "" Gateway
 SG_ Doors m0 : 8|8@1+ (1,0) [0|15] "" Gateway
 SG_ Temp m1 : 8|8@1- (0.5,20) [0|0] "degC" Gateway
 SG_ Fan m1 : 16|8@1+ (1,0) [0|7] "" Gateway
)";

TEST_F(DatabaseCommand, OpenDialogLoadsTheChosenFile) {
  const std::string path = Write("engine.dbc", EngineDbc);
  dialogs_.FileAnswers = {std::nullopt, path};
  EXPECT_FALSE(ChooseDatabaseFile(state_, dialogs_, "/shipped"));  // cancelled
  EXPECT_FALSE(state_.LoadedFlag);
  ASSERT_TRUE(ChooseDatabaseFile(state_, dialogs_, "/shipped"));
  EXPECT_TRUE(state_.LoadedFlag);
  EXPECT_EQ(state_.FileName, path);
  EXPECT_EQ(state_.Database.Messages.size(), 2u);
  ASSERT_EQ(dialogs_.OpenRequests.size(), 2u);
  EXPECT_EQ(dialogs_.OpenRequests[0].Title, "Load Database");
  EXPECT_EQ(dialogs_.OpenRequests[0].Filter, "DBC Database (*.dbc)|*.dbc");
  EXPECT_EQ(dialogs_.OpenRequests[0].InitialDir, "/shipped");
  EXPECT_TRUE(dialogs_.Texts().empty());

  // The next dialog starts where the loaded database lies.
  dialogs_.FileAnswers = {std::nullopt};
  ChooseDatabaseFile(state_, dialogs_, "/shipped");
  EXPECT_EQ(dialogs_.OpenRequests.back().InitialDir, dir_.string());
}

TEST_F(DatabaseCommand, DamagedFileIsRefusedAndTheLoadedOneStays) {
  const std::string good = Write("engine.dbc", EngineDbc);
  const std::string bad = Write("bad.dbc", "VERSION \"\"\nBO_ 100 M 8 A\n");
  ASSERT_TRUE(LoadDatabase(state_, dialogs_, good));
  EXPECT_FALSE(LoadDatabase(state_, dialogs_, bad));
  ASSERT_EQ(dialogs_.Texts().size(), 1u);
  EXPECT_EQ(dialogs_.Texts()[0], "Database file 'bad.dbc' cannot be used: line 2, column 11: expected ':', found '8'.");
  EXPECT_EQ(dialogs_.Types()[0], TDialogType::Error);
  EXPECT_EQ(state_.FileName, good);
  EXPECT_EQ(state_.Database.Messages.size(), 2u);

  EXPECT_FALSE(LoadDatabase(state_, dialogs_, (dir_ / "gone.dbc").string()));
  EXPECT_EQ(dialogs_.Texts()[1], "Database file 'gone.dbc' cannot be used: the file cannot be opened.");
  EXPECT_EQ(state_.FileName, good);
}

// A file with faults loads what is sound, and one warning names each fault.
TEST_F(DatabaseCommand, AFileWithFaultsLoadsWhatIsSoundAndListsTheRest) {
  const std::string path = Write("vehicle.dbc",
                                 "VERSION \"\"\nBO_ 100 Engine: 8 A\n SG_ Speed : 0|8@1+ (1,0) [0|0] \"\" A\n"
                                 " SG_ Far : 60|8@1+ (1,0) [0|0] \"\" A\nCM_ \"no object\"\n"
                                 "BO_ 419430400 Big: 8 A\n");
  ASSERT_TRUE(LoadDatabase(state_, dialogs_, path));
  EXPECT_EQ(state_.Database.Messages.size(), 2u);
  EXPECT_EQ(state_.Database.Messages[0].Signals.size(), 1u);
  ASSERT_EQ(dialogs_.Texts().size(), 1u);
  EXPECT_EQ(dialogs_.Types()[0], TDialogType::Warning);
  EXPECT_EQ(dialogs_.Texts()[0],
            "Database file 'vehicle.dbc' is loaded without what could not be read:\n"
            "skipped, line 4, column 2: signal Far (start bit 60, length 8) does not fit in message Engine of 8 bytes\n"
            "skipped, line 6, column 1: expected ';', found 'BO_'\n"
            "line 6, column 1: message identifier 419430400 (0x19000000) is above 0x7FF without the extended flag: "
            "read as a 29-bit identifier");
}

TEST_F(DatabaseCommand, DescribesTheRowsOfTheView) {
  ASSERT_TRUE(LoadDatabase(state_, dialogs_, Write("engine.dbc", EngineDbc)));
  const TDbcDatabase& db = state_.Database;
  TTarvoCAN frame;
  frame.ID = 0xA0;
  frame.DLC = 5;
  const uint8_t bytes[] = {0x2A, 0x00, 0x98, 0x21, 0x01};
  std::copy(std::begin(bytes), std::end(bytes), frame.Data);

  TFrameDescription d = DescribeFrame(db, 0, frame, true, ",");
  EXPECT_EQ(d.Caption, "EngineStatus (ID A0)");
  ASSERT_EQ(d.Rows.size(), 4u);
  EXPECT_EQ(d.Rows[0].Value, "42");
  EXPECT_EQ(d.Rows[0].Raw, "2A");
  EXPECT_EQ(d.Rows[1].Value, "2150,00 rpm");
  EXPECT_EQ(d.Rows[1].Raw, "2198");
  EXPECT_EQ(d.Rows[1].Comment, "Crankshaft speed.");
  EXPECT_EQ(d.Rows[2].Value, "Run");
  EXPECT_EQ(d.Rows[3].Value, "not in frame");
  EXPECT_EQ(d.Rows[3].Raw, "");
  EXPECT_EQ(DescribeFrame(db, 2, frame, false, ".").Caption, "EngineStatus (ID 160)");  // transmitted
  EXPECT_EQ(DescribeFrame(db, 2, frame, false, ".").Rows[1].Raw, "8600");

  EXPECT_EQ(FrameToolTip(db, 0, frame, true, "."),
            "EngineStatus\nCounter = 42 (2A)\nSpeed = 2150.00 rpm (2198)\nMode = Run (1)\nTail: not in frame");

  // Not in the database, a remote frame, status rows.
  TTarvoCAN other = frame;
  other.ID = 0x7FF;
  EXPECT_EQ(DescribeFrame(db, 0, other, true, ".").Caption, "ID 7FF: not in the database");
  EXPECT_EQ(FrameToolTip(db, 0, other, true, "."), "");
  other = frame;
  other.IDE = 1;  // same number, other format
  EXPECT_EQ(DescribeFrame(db, 0, other, true, ".").Message, nullptr);
  TTarvoCAN remote = frame;
  remote.RTR = 1;
  d = DescribeFrame(db, 1, remote, true, ".");
  EXPECT_EQ(d.Caption, "EngineStatus (ID A0): remote frame");
  EXPECT_TRUE(d.Rows.empty());
  EXPECT_EQ(FrameToolTip(db, 1, remote, true, "."), "");
  for (int32_t status = 4; status <= 9; ++status) {
    EXPECT_EQ(DescribeFrame(db, status, frame, true, ".").Caption, "");
    EXPECT_EQ(FrameToolTip(db, status, frame, true, "."), "");
  }
}

TEST_F(DatabaseCommand, ComposesAFrameBySignalValues) {
  ASSERT_TRUE(LoadDatabase(state_, dialogs_, Write("engine.dbc", EngineDbc)));
  const TDbcMessage& engine = state_.Database.Messages[0];
  const TDbcMessage& pages = state_.Database.Messages[1];

  // Another message in the editor: its bytes do not carry over.
  TTarvoCAN current;
  current.ID = 0x123;
  current.DLC = 8;
  current.Data[0] = 0x55;
  TTarvoCAN frame = ComposeMessage(engine, current);
  EXPECT_EQ(frame.ID, 0xA0u);
  EXPECT_EQ(frame.IDE, 0);
  EXPECT_EQ(frame.DLC, 8);
  EXPECT_EQ(frame.Data[0], 0);

  ASSERT_TRUE(SetSignalText(engine, 1, "2150", ".", frame));
  EXPECT_EQ(frame.Data[2], 0x98);
  EXPECT_EQ(frame.Data[3], 0x21);
  ASSERT_TRUE(SetSignalText(engine, 2, "Run", ".", frame));
  EXPECT_EQ(frame.Data[4], 0x01);
  EXPECT_FALSE(SetSignalText(engine, 2, "Fast", ".", frame));
  EXPECT_EQ(frame.Data[4], 0x01);
  EXPECT_EQ(SignalValueErrorText(engine.Signals[2], "Fast"), "'Fast' is not a value of signal Mode.");

  // The same message again keeps the bytes.
  frame.Data[0] = 7;
  EXPECT_EQ(ComposeMessage(engine, frame).Data[0], 7);

  // A signal beyond a shortened DLC cannot be set.
  frame.DLC = 4;
  EXPECT_FALSE(SetSignalText(engine, 3, "1", ".", frame));

  // Extended identifier, message of three bytes; the multiplexer chooses
  // the signals that can be edited.
  TTarvoCAN p = ComposeMessage(pages, frame);
  EXPECT_EQ(p.IDE, 1);
  EXPECT_EQ(p.ID, 0x18FEF100u);
  EXPECT_EQ(p.DLC, 3);
  EXPECT_EQ(EditableSignals(pages, p), (std::vector<size_t>{0, 1}));
  ASSERT_TRUE(SetSignalText(pages, 0, "1", ".", p));
  EXPECT_EQ(EditableSignals(pages, p), (std::vector<size_t>{0, 2, 3}));
  ASSERT_TRUE(SetSignalText(pages, 2, "-4,5", ",", p));  // (-4.5 - 20) / 0.5 = -49
  EXPECT_EQ(p.Data[1], uint8_t(-49));
  p.RTR = 1;
  EXPECT_TRUE(EditableSignals(pages, p).empty());
}

}  // namespace
}  // namespace tarvo
