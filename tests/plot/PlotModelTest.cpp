// What the plot shows: signals added by name from a database, frames fed
// and decoded, the view following the newest points or held, and the CSV
// export of the plotted values.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "dbc/DbcReader.h"
#include "plot/PlotModel.h"

namespace tarvo {
namespace {

constexpr const char* Database = R"(VERSION ""
BO_ 256 Engine: 8 Node
 SG_ Speed : 0|16@1+ (0.25,0) [0|16383] "rpm" Node
 SG_ Gear : 16|4@1+ (1,0) [0|15] "" Node
BO_ 257 Brake: 2 Node
 SG_ Speed : 0|8@1+ (1,0) [0|255] "km/h" Node
VAL_ 256 Gear 0 "Neutral" 1 "First" ;
)";

TDbcDatabase Read() {
  TDbcReadResult r = ReadDbc(Database);
  EXPECT_TRUE(r.Ok) << DbcErrorText(r.Error);
  return r.Database;
}

TTarvoCAN Frame(uint32_t id, std::initializer_list<uint8_t> data) {
  TTarvoCAN m;
  m.ID = id;
  m.DLC = uint8_t(data.size());
  size_t i = 0;
  for (uint8_t b : data) m.Data[i++] = b;
  return m;
}

TEST(PlotModel, SignalsAreAddedByNameOrRefusedWithTheReason) {
  const TDbcDatabase db = Read();
  TPlotModel model;
  std::string error;
  EXPECT_FALSE(model.Add(db, "Speed", error));
  EXPECT_EQ(error, "several messages have a signal \"Speed\": name it as Message.Signal");
  EXPECT_FALSE(model.Add(db, "Engine.Torque", error));
  EXPECT_EQ(error, "no signal \"Engine.Torque\" in the database");
  ASSERT_TRUE(model.Add(db, "Engine.Speed", error));
  ASSERT_TRUE(model.Add(db, "Gear", error));
  EXPECT_FALSE(model.Add(db, "Engine.Gear", error));
  EXPECT_EQ(error, "\"Engine.Gear\" is plotted already");
  ASSERT_EQ(model.Signals().size(), 2u);
  EXPECT_EQ(model.Signals()[0].Label(), "Speed [rpm]");
  EXPECT_NE(model.Signals()[0].Colour, model.Signals()[1].Colour);
  EXPECT_EQ(model.Signals()[1].ValueText(1), "First");
}

TEST(PlotModel, FramesAreDecodedAndExportedAsCsv) {
  const TDbcDatabase db = Read();
  TPlotModel model;
  std::string error;
  ASSERT_TRUE(model.Add(db, "Engine.Speed", error));
  ASSERT_TRUE(model.Add(db, "Brake.Speed", error));
  model.Feed(db, Frame(256, {0x10, 0x27, 1, 0, 0, 0, 0, 0}), 0.5);  // 10000 * 0.25
  model.Feed(db, Frame(257, {42, 0}), 0.75);
  model.Feed(db, Frame(256, {0x10}), 1.0);  // too short: a gap
  model.Feed(db, Frame(999, {1}), 1.25);    // not plotted
  ASSERT_EQ(model.Signals()[0].Series.Size(), 2u);
  EXPECT_EQ(model.Signals()[0].Series.Value(0), 2500);
  EXPECT_TRUE(std::isnan(model.Signals()[0].Series.Value(1)));
  std::ostringstream csv;
  model.WriteCsv(csv);
  EXPECT_EQ(csv.str(),
            "time,Engine.Speed [rpm],Brake.Speed [km/h]\r\n"
            "0.500000,2500,\r\n"
            "0.750000,,42\r\n"
            "1.000000,,\r\n");
}

// Another database loaded: plotted signals are found again by name; one
// that database lacks leaves the plot.
TEST(PlotModel, ANewDatabaseFindsThePlottedSignalsAgainByName) {
  const TDbcDatabase db = Read();
  TPlotModel model;
  std::string error;
  ASSERT_TRUE(model.Add(db, "Engine.Gear", error));
  ASSERT_TRUE(model.Add(db, "Brake.Speed", error));
  model.Feed(db, Frame(257, {7}), 0.5);
  // Another database: Gear found again in another place, Brake.Speed kept
  // with its point but fed no more.
  const TDbcReadResult other = ReadDbc(
      "BO_ 256 Engine: 8 Node\n SG_ Extra : 0|8@1+ (1,0) [0|0] \"\" Node\n"
      " SG_ Gear : 8|4@1+ (1,0) [0|15] \"\" Node\n");
  ASSERT_TRUE(other.Ok);
  EXPECT_EQ(model.Resolve(other.Database), 1u);
  ASSERT_EQ(model.Signals().size(), 2u);
  EXPECT_FALSE(model.Signals()[0].Unresolved);
  EXPECT_EQ(model.Signals()[0].SignalIndex, 1u);
  EXPECT_TRUE(model.Signals()[1].Unresolved);
  model.Feed(other.Database, Frame(256, {0, 3}), 1.0);
  model.Feed(other.Database, Frame(257, {9}), 1.0);
  EXPECT_EQ(model.Signals()[0].Series.Value(0), 3);
  ASSERT_EQ(model.Signals()[1].Series.Size(), 1u);
  // Unloaded: every curve kept, none fed.
  model.Detach();
  model.Feed(db, Frame(256, {0, 0, 4}), 2.0);
  EXPECT_EQ(model.Signals()[0].Series.Size(), 1u);
  // The first database again, its messages now under other identifiers:
  // both found by name and fed.
  std::string moved = Database;
  moved.replace(moved.find("BO_ 256"), 7, "BO_ 300").replace(moved.find("BO_ 257"), 7, "BO_ 301");
  moved.replace(moved.find("VAL_ 256"), 8, "VAL_ 300");
  const TDbcReadResult again = ReadDbc(moved);
  ASSERT_TRUE(again.Ok) << DbcErrorText(again.Error);
  EXPECT_EQ(model.Resolve(again.Database), 0u);
  model.Feed(again.Database, Frame(300, {0, 0, 2}), 3.0);
  model.Feed(again.Database, Frame(301, {11}), 3.0);
  EXPECT_EQ(model.Signals()[0].Series.Size(), 2u);
  EXPECT_EQ(model.Signals()[0].Series.Value(1), 2);
  ASSERT_EQ(model.Signals()[1].Series.Size(), 2u);
  EXPECT_EQ(model.Signals()[1].Series.Value(1), 11);
  EXPECT_EQ(model.Signals()[1].Series.Value(0), 7);
}

// A new run's clock starts at 0 again: its points follow the earlier ones
// after the gap, the curve broken between them; Clear alone drops points.
TEST(PlotModel, ANewRunContinuesTheTimeAxisAfterAGap) {
  const TDbcDatabase db = Read();
  TPlotModel model;
  std::string error;
  ASSERT_TRUE(model.Add(db, "Brake.Speed", error));
  for (int i = 0; i < 5; ++i) model.Feed(db, Frame(257, {uint8_t(i)}), 0.1 * i);
  model.NewRun();
  model.Feed(db, Frame(257, {50}), 0.0);
  model.Feed(db, Frame(257, {51}), 0.25);
  const TSignalSeries& s = model.Signals()[0].Series;
  ASSERT_EQ(s.Size(), 8u);
  EXPECT_EQ(s.Value(0), 0);
  EXPECT_DOUBLE_EQ(s.Time(5), 0.4);  // the break, at the last point of the earlier run
  EXPECT_TRUE(std::isnan(s.Value(5)));
  EXPECT_DOUBLE_EQ(s.Time(6), 0.4 + model.RunGapSeconds);
  EXPECT_DOUBLE_EQ(s.Time(7), 0.65 + model.RunGapSeconds);
  // A second new run follows the first.
  model.NewRun();
  model.Feed(db, Frame(257, {60}), 0.0);
  EXPECT_DOUBLE_EQ(s.Time(s.Size() - 1), 0.65 + 2 * model.RunGapSeconds);
  model.Clear();
  EXPECT_EQ(s.Size(), 0u);
  model.Feed(db, Frame(257, {1}), 0.5);
  EXPECT_DOUBLE_EQ(s.Time(0), 0.5);
}

// The decimals a signal's values show: those of its factor, or of an offset
// finer than it; a floating-point signal its own precision.
TEST(PlotModel, ValuesShowTheDecimalsOfTheSignalsResolution) {
  struct Case {
    const char* scaling;
    const char* type;
    int decimals;
  } cases[] = {{"(0.25,0)", "+", 2}, {"(0.1,0)", "+", 1},     {"(1,0)", "+", 0},  {"(5,-40)", "+", 0},
               {"(1,0.5)", "+", 1},  {"(0.001,0)", "-", 3},   {"(1,0)", "f", -1}, {"(0.0625,0)", "+", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scaling);
    const bool isFloat = c.type[0] == 'f';
    const std::string dbc = std::string("BO_ 1 M: 8 N\n SG_ S : 0|32@1") + (isFloat ? "+" : c.type) + " " +
                            c.scaling + " [0|0] \"\" N\n" + (isFloat ? "SIG_VALTYPE_ 1 S : 1;\n" : "");
    const TDbcReadResult r = ReadDbc(dbc);
    ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
    TPlotModel model;
    ASSERT_TRUE(model.Add(r.Database.Messages[0], 0));
    EXPECT_EQ(model.Signals()[0].Decimals(), c.decimals);
  }
}

// A message of more signals than any fixed room: a CAN FD frame of 64
// bytes with 512 one-bit signals, the last of them plotted.
TEST(PlotModel, AMessageOfManySignalsIsPlottedWhole) {
  std::string dbc = "BO_ 1 Wide: 64 N\n";
  for (int i = 0; i < 512; ++i) dbc += " SG_ B" + std::to_string(i) + " : " + std::to_string(i) + "|1@1+ (1,0) [0|1] \"\" N\n";
  const TDbcReadResult r = ReadDbc(dbc);
  ASSERT_TRUE(r.Ok);
  TPlotModel model;
  std::string error;
  ASSERT_TRUE(model.Add(r.Database, "Wide.B511", error)) << error;
  uint8_t data[64] = {};
  data[63] = 0x80;
  model.FeedFrame(r.Database, false, 1, data, 64, 1.0);
  ASSERT_EQ(model.Signals()[0].Series.Size(), 1u);
  EXPECT_EQ(model.Signals()[0].Series.Value(0), 1.0);
}

TEST(PlotModel, TheViewFollowsTheNewestPointsUntilHeld) {
  const TDbcDatabase db = Read();
  TPlotModel model;
  std::string error;
  ASSERT_TRUE(model.Add(db, "Gear", error));
  for (int i = 0; i <= 300; ++i) model.Feed(db, Frame(256, {0, 0, uint8_t(i % 2)}), i * 0.1);
  double t0, t1;
  model.View(t0, t1);
  EXPECT_DOUBLE_EQ(t1, 30.0);
  EXPECT_DOUBLE_EQ(t0, 20.0);
  model.Follow = TPlotFollow::All;
  model.View(t0, t1);
  EXPECT_DOUBLE_EQ(t0, 0.0);
  model.Follow = TPlotFollow::Window;
  model.Zoom(25.0, 0.5);  // holds the view
  EXPECT_EQ(model.Follow, TPlotFollow::Hold);
  model.Feed(db, Frame(256, {0, 0, 1}), 40);
  model.View(t0, t1);
  EXPECT_DOUBLE_EQ(t0, 22.5);
  EXPECT_DOUBLE_EQ(t1, 27.5);
  model.Pan(1);
  model.View(t0, t1);
  EXPECT_DOUBLE_EQ(t0, 23.5);
}

}  // namespace
}  // namespace tarvo
