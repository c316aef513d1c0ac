// The plot drawn: a square wave of known shape lies where it must in the
// rendered picture, the cursor reads its value, and the exports hold the
// picture and the decoded values.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QColor>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <string_view>

#include "dbc/DbcReader.h"
#include "plot/qt/PlotPanel.h"
#include "plot/qt/PlotRenderer.h"
#include "plot/qt/PlotWidget.h"
#include "support/ModalWatch.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestApplication.h"

namespace tarvo {
namespace {

QApplication& App() { return test::TestApplication("plot_widget_tests"); }

constexpr const char* Database = R"(VERSION ""
BO_ 256 Pump: 8 Node
 SG_ Level : 0|8@1+ (1,0) [0|255] "%" Node
)";

// A square wave: 100 for the first half of each second, 0 for the second.
void FeedSquareWave(PlotPanel& panel, int seconds) {
  for (int i = 0; i < seconds * 100; ++i) {
    TTarvoCAN m;
    m.ID = 256;
    m.DLC = 1;
    m.Data[0] = (i % 100) < 50 ? 100 : 0;
    panel.Feed(m, i * 0.01);
  }
}

// The picture the tests draw.
const QSize kPicture(800, 400);

// A panel as the tests set it up: the database read from its text, these
// signals plotted, its message boxes and file dialogs scripted. A database
// or a signal refused fails the test, and Ready() is then false.
struct PlotBench {
  PlotBench(std::string_view dbc, std::initializer_list<const char*> plotted)
      : Application(App()), Db(ReadDbc(dbc)), Panel(Dialogs) {
    EXPECT_TRUE(Db.Ok) << DbcErrorText(Db.Error);
    if (!Db.Ok) return;
    Panel.SetDatabase(&Db.Database);
    ReadyFlag = true;
    for (const char* name : plotted) {
      const bool added = Panel.AddSignal(name);
      EXPECT_TRUE(added) << "cannot plot " << name;
      ReadyFlag = ReadyFlag && added;
    }
  }
  bool Ready() const { return ReadyFlag; }
  // Times t0 to t1 in a widget of the picture's size.
  void Show(double t0, double t1) {
    Panel.Model().SetView(t0, t1);
    Panel.Plot()->resize(kPicture);
  }

  QApplication& Application;  // made before the panel, which needs it
  TDbcReadResult Db;
  test::ScriptedDialogs Dialogs;
  PlotPanel Panel;
  bool ReadyFlag = false;
};

// A message of one signal, for a model plotted without a database.
TDbcMessage MessageOf(const std::string& message, const std::string& signal, uint32_t id = 0, uint16_t bits = 1) {
  TDbcMessage m;
  m.Name = message;
  m.ID = id;
  TDbcSignal s;
  s.Name = signal;
  s.Length = bits;
  m.Signals.push_back(s);
  return m;
}

// Rows of column x that hold the curve's colour.
std::vector<int> CurveRows(const QImage& image, int x, QRgb colour) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) rows.push_back(y);
  return rows;
}

TEST(PlotWidget, ASquareWaveIsDrawnWhereItMustBeAndTheCursorReadsIt) {
  PlotBench bench(Database, {"Level"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  FeedSquareWave(panel, 4);
  bench.Show(0, 4);
  const QImage image = panel.Plot()->Render(kPicture);
  const QRect curves = panel.Plot()->CurveArea(kPicture);
  const QRgb colour = PlotColour(0);
  // The value axis runs from 0 to 100 with 5 % room at both ends.
  const auto yOf = [&](double v) { return curves.bottom() - (v + 5) / 110 * (curves.height() - 1); };
  const auto xOf = [&](double t) { return curves.left() + int(t / 4 * (curves.width() - 1)); };
  for (double t : {0.25, 1.2, 2.3, 3.1}) {  // high
    const std::vector<int> rows = CurveRows(image, xOf(t), colour);
    ASSERT_FALSE(rows.empty()) << t;
    EXPECT_NEAR(rows.front(), yOf(100), 2) << t;
    EXPECT_NEAR(rows.back(), yOf(100), 2) << t;
  }
  for (double t : {0.75, 1.6, 2.9, 3.7}) {  // low
    const std::vector<int> rows = CurveRows(image, xOf(t), colour);
    ASSERT_FALSE(rows.empty()) << t;
    EXPECT_NEAR(rows.front(), yOf(0), 2) << t;
  }
  // Each edge joins the two levels within a few columns.
  std::vector<int> edge;
  for (int dx = -2; dx <= 2; ++dx)
    for (int y : CurveRows(image, xOf(1.5) + dx, colour)) edge.push_back(y);
  ASSERT_FALSE(edge.empty());
  EXPECT_NEAR(*std::min_element(edge.begin(), edge.end()), yOf(100), 2);
  EXPECT_NEAR(*std::max_element(edge.begin(), edge.end()), yOf(0), 2);

  // The cursor reads the value at its time.
  const int x = panel.Plot()->XOf(2.2);
  EXPECT_NEAR(panel.Plot()->TimeAt(x), 2.2, 0.01);
  EXPECT_EQ(panel.Model().Signals()[0].Series.ValueAt(2.2), 100);
  EXPECT_EQ(panel.Model().Signals()[0].Series.ValueAt(2.7), 0);

  // The exports: a picture, and the decoded values.
  test::TempFolder dir("tarvo-plot");
  const std::string png = dir.File("plot.png"), csv = dir.File("plot.csv");
  ASSERT_TRUE(panel.ExportPng(png));
  EXPECT_FALSE(QImage(QString::fromStdString(png)).isNull());
  ASSERT_TRUE(panel.ExportCsv(csv));
  std::ifstream in(csv);
  std::string header, first, second;
  std::getline(in, header);
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(header, "time,Pump.Level [%]\r");
  EXPECT_EQ(first, "0.000000,100\r");
  EXPECT_EQ(second, "0.010000,100\r");
  EXPECT_TRUE(bench.Dialogs.Boxes.empty());
}

// Rows of the lane where many pixels have the grid's colour (the curve may cover
// much of a grid line).
std::vector<int> GridRows(const QImage& image, const QRect& lane) {
  std::vector<int> rows;
  for (int y = lane.top() + 1; y < lane.bottom(); ++y) {
    int grid = 0;
    for (int x = lane.left() + 1; x < lane.right(); ++x) grid += (image.pixel(x, y) & 0xFFFFFF) == 0xEEEEEE;
    if (grid > lane.width() / 5) rows.push_back(y);
  }
  return rows;
}

// Columns of the time axis's tick marks under the curves.
std::vector<int> TickColumns(const QImage& image, const QRect& curves) {
  std::vector<int> columns;
  for (int x = curves.left() - 1; x <= curves.right() + 1; ++x)
    if (qGray(image.pixel(x, curves.bottom() + 2)) < 100) columns.push_back(x);
  return columns;
}

// A constant's lane: three grid lines evenly apart, the middle one on the
// constant.
void ExpectThreeGridLinesAround(const std::vector<int>& grid, double middle) {
  ASSERT_EQ(grid.size(), 3u);
  EXPECT_NEAR(grid[1], middle, 1);
  EXPECT_NEAR(grid[2] - grid[1], grid[1] - grid[0], 1);
}

// Values a double cannot step through (a 64-bit signal near its top, an
// infinite float) and a view zoomed to a few ulps draw, and the drawing ends
// with what it must show: the constant on the middle of its lane with one
// grid line there, the infinite value nowhere (neither on the axis nor as a
// line off it), and the time axis's ticks in their places.
TEST(PlotWidget, ExtremeValuesAndTheNarrowestViewDraw) {
  App();
  TPlotModel model;
  ASSERT_TRUE(model.Add(MessageOf("Big", "Huge", 0, 64), 0));
  TSignalSeries& series = model.Signals()[0].Series;
  for (int i = 0; i < 100; ++i) series.Append(1000.0 + i * 0.01, 1.8e19);
  series.Append(1001.0, std::numeric_limits<double>::infinity());
  model.SetView(1000.5, 1000.5);  // held at the narrowest view
  double t0, t1;
  model.View(t0, t1);
  EXPECT_GT(t1, t0);
  QImage image(400, 200, QImage::Format_RGB32);
  QPainter p(&image);
  const QRect curves = PlotCurveArea(image.rect(), model, p.fontMetrics());
  const double middle = curves.bottom() - (curves.height() - 1) / 2.0;
  TPlotDrawing d;
  d.T0 = t0;
  d.T1 = t1;
  RenderPlot(p, image.rect(), model, d);
  {
    SCOPED_TRACE("the narrowest view");
    ExpectThreeGridLinesAround(GridRows(image, curves), middle);
    // A few ticks, evenly spaced from one end of the axis to the other.
    const std::vector<int> ticks = TickColumns(image, curves);
    ASSERT_GE(ticks.size(), 2u);
    ASSERT_LE(ticks.size(), 5u);
    EXPECT_NEAR(ticks.front(), curves.left(), 1);
    for (size_t k = 2; k < ticks.size(); ++k) EXPECT_NEAR(ticks[k] - ticks[k - 1], ticks[1] - ticks[0], 1);
  }
  d.T0 = 999;
  d.T1 = 1002;
  RenderPlot(p, image.rect(), model, d);
  {
    SCOPED_TRACE("999 to 1002 s");
    const auto xOf = [&](double t) { return curves.left() + int((t - 999) / 3 * (curves.width() - 1)); };
    ExpectThreeGridLinesAround(GridRows(image, curves), middle);
    // The curve: a level line from 1000 to 1001 s on the middle of the lane,
    // nothing else (the legend's swatch lies above the rows looked at).
    const QRgb colour = PlotColour(0);
    int first = image.width(), last = -1;
    for (int x = curves.left(); x <= curves.right(); ++x)
      for (int y : CurveRows(image, x, colour)) {
        if (y < curves.top() + 30) continue;
        EXPECT_NEAR(y, middle, 1) << "column " << x;
        first = std::min(first, x);
        last = std::max(last, x);
      }
    EXPECT_NEAR(first, xOf(1000), 1);
    EXPECT_NEAR(last, xOf(1001), 1);
    // Ticks at 999, 1000, 1001 and 1002 s.
    const std::vector<int> ticks = TickColumns(image, curves);
    ASSERT_EQ(ticks.size(), 4u);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(ticks[size_t(k)], xOf(999 + k), 1) << k;
  }
}

// A short frame between two sound ones breaks the curve: no line joins the
// points on either side of it.
TEST(PlotWidget, AShortFrameBreaksTheCurve) {
  PlotBench bench(Database, {"Level"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  for (int i = 0; i <= 40; ++i) {  // 60 every 0.1 s; the frame at 2.0 s carries no byte
    TTarvoCAN m;
    m.ID = 256;
    m.DLC = i == 20 ? 0 : 1;
    m.Data[0] = 60;
    panel.Feed(m, i * 0.1);
  }
  bench.Show(0, 4);
  const QImage image = panel.Plot()->Render(kPicture);
  const QRect curves = panel.Plot()->CurveArea(kPicture);
  const QRgb colour = PlotColour(0);
  const auto xOf = [&](double t) { return curves.left() + int(t / 4 * (curves.width() - 1)); };
  // Between two sound points the line runs on; around the short frame
  // nothing is drawn between the points before and after it.
  for (int x = xOf(1.1) + 2; x < xOf(1.9) - 1; ++x) EXPECT_FALSE(CurveRows(image, x, colour).empty()) << x;
  for (int x = xOf(1.9) + 2; x < xOf(2.1) - 1; ++x) EXPECT_TRUE(CurveRows(image, x, colour).empty()) << x;
  for (double t : {1.9, 2.1})  // within the column of the point
    EXPECT_TRUE(!CurveRows(image, xOf(t), colour).empty() || !CurveRows(image, xOf(t) + 1, colour).empty()) << t;
}

// A value-table signal's lane: each text of the table stands on the axis at
// the height where the curve draws its value, on a grid line of its own.
// The table is uneven (0, 1 and 5), so texts or lines turned upside down
// land at other heights than the curve's.
TEST(PlotWidget, TheTextsOfAValueTableStandWhereTheCurveDrawsTheirValues) {
  PlotBench bench(R"(VERSION ""
BO_ 512 Valve: 1 Node
 SG_ State : 0|8@1+ (1,0) [0|5] "" Node
VAL_ 512 State 0 "Off" 1 "Low flow" 5 "Fault" ;
)",
                  {"State"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  const uint8_t states[4] = {0, 1, 5, 0};  // one a second
  for (int i = 0; i < 400; ++i) {
    TTarvoCAN m;
    m.ID = 512;
    m.DLC = 1;
    m.Data[0] = states[i / 100];
    panel.Feed(m, i * 0.01);
  }
  bench.Show(0, 4);
  const QImage image = panel.Plot()->Render(kPicture);
  const QRect curves = panel.Plot()->CurveArea(kPicture);
  const QRgb colour = PlotColour(0);
  const auto xOf = [&](double t) { return curves.left() + int(t / 4 * (curves.width() - 1)); };
  // The curve's height for each value, read from the picture.
  std::map<int, int> rowOf;
  for (const auto& [value, t] : std::vector<std::pair<int, double>>{{0, 0.5}, {1, 1.5}, {5, 2.5}}) {
    const std::vector<int> rows = CurveRows(image, xOf(t), colour);
    ASSERT_FALSE(rows.empty()) << "value " << value;
    ASSERT_LE(rows.back() - rows.front(), 1) << "value " << value;  // a level, a pixel thick or two
    rowOf[value] = rows.front();
  }
  ASSERT_GT(rowOf[0], rowOf[1]);
  ASSERT_GT(rowOf[1], rowOf[5]);
  // One grid line per text, each on the curve's height of its value.
  const std::vector<int> grid = GridRows(image, curves);
  ASSERT_EQ(grid.size(), 3u);
  EXPECT_NEAR(grid[0], rowOf[5], 1);
  EXPECT_NEAR(grid[1], rowOf[1], 1);
  EXPECT_NEAR(grid[2], rowOf[0], 1);
  // Each text right-aligned in the margin, centred on its value's height.
  QImage probe(1, 1, QImage::Format_RGB32);  // measured as the picture draws it
  QPainter measure(&probe);
  measure.setFont(panel.Plot()->font());
  const QFontMetrics fm = measure.fontMetrics();
  std::vector<std::pair<int, const char*>> texts = {{0, "Off"}, {1, "Low flow"}, {5, "Fault"}};
  for (const auto& [value, text] : texts) {
    SCOPED_TRACE(text);
    int top = image.height(), bottom = -1, left = curves.left();
    for (int y = rowOf[value] - fm.height(); y <= rowOf[value] + fm.height(); ++y)
      for (int x = 0; x < curves.left() - 2; ++x)
        if (qGray(image.pixel(x, y)) < 128) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
          left = std::min(left, x);
        }
    ASSERT_GE(bottom, top) << "no text beside value " << value;
    EXPECT_NEAR((top + bottom) / 2.0, rowOf[value], 3);
    EXPECT_NEAR(left, curves.left() - 4 - fm.horizontalAdvance(text), 3);
  }
}

// A value table of 200,000 values: the axis draws no more texts (and grid
// lines) than the lane has text-high rows, and a redraw stays quick.
TEST(PlotWidget, AValueTableOfManyValuesDrawsWhatTheAxisHasRoomFor) {
  std::string dbc = "BO_ 512 Counter: 4 Node\n SG_ Count : 0|32@1+ (1,0) [0|0] \"\" Node\nVAL_ 512 Count";
  for (int v = 0; v < 200000; ++v) dbc += " " + std::to_string(v) + " \"Step " + std::to_string(v) + "\"";
  PlotBench bench(dbc + " ;\n", {"Count"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  for (int i = 0; i < 400; ++i) {  // 0, then the highest value
    TTarvoCAN m;
    m.ID = 512;
    m.DLC = 4;
    const uint32_t v = i < 200 ? 0 : 199999;
    for (int b = 0; b < 4; ++b) m.Data[b] = uint8_t(v >> (8 * b));
    panel.Feed(m, i * 0.01);
  }
  bench.Show(0, 4);
  QElapsedTimer timer;
  timer.start();
  const QImage image = panel.Plot()->Render(kPicture);
  EXPECT_LT(timer.elapsed(), 2000);
  const QRect curves = panel.Plot()->CurveArea(kPicture);
  const QFontMetrics fm(panel.Plot()->font());
  const std::vector<int> grid = GridRows(image, curves);
  EXPECT_GE(grid.size(), 2u);
  EXPECT_LE(grid.size(), size_t(curves.height() / fm.height() + 2));
}

TEST(PlotWidget, ASignalThatCannotBePlottedIsSaidSo) {
  App();
  test::ScriptedDialogs dialogs;
  PlotPanel panel(dialogs);
  EXPECT_FALSE(panel.AddSignal("Level"));
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Cannot plot \"Level\": no database is loaded."});
}

constexpr const char* EngineDatabase = R"(VERSION ""
BO_ 256 Engine: 8 Node
 SG_ Speed : 0|16@1+ (0.25,0) [0|16383.75] "rpm" Node
 SG_ Load : 16|8@1+ (0.5,-20) [-20|107.5] "%" Node
 SG_ Gear : 24|8@1+ (1,0) [0|8] "" Node
)";

TTarvoCAN EngineFrame(uint16_t speedRaw, uint8_t load, uint8_t gear) {
  TTarvoCAN m;
  m.ID = 256;
  m.DLC = 4;
  m.Data[0] = uint8_t(speedRaw);
  m.Data[1] = uint8_t(speedRaw >> 8);
  m.Data[2] = load;
  m.Data[3] = gear;
  return m;
}

// The readout at the cursor: the time to the millisecond (finer when a
// pixel is finer), each value at its signal's resolution.
TEST(PlotWidget, TheReadoutShowsTimesToTheMillisecondAndValuesAtTheirResolution) {
  PlotBench bench(EngineDatabase, {"Speed", "Load"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  panel.Feed(EngineFrame(4000, 40, 1), 9.98);    // 1000 rpm, 0 %
  panel.Feed(EngineFrame(57001, 41, 2), 29.73);  // 14250.25 rpm, 0.5 %
  struct Case {
    double t, span;
    const char* readout;
  } cases[] = {
      {29.73, 40, "t = 29.730 s | Speed = 14250.25 rpm | Load = 0.5 %"},
      {9.98, 40, "t = 9.980 s | Speed = 1000.00 rpm | Load = 0.0 %"},
      {29.73012, 0.1, "t = 29.7301 s | Speed = 14250.25 rpm | Load = 0.5 %"},  // a pixel is 0.16 ms
      {5.0, 40, "t = 5.000 s | Speed = - | Load = -"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlotReadout(panel.Model(), c.t, c.span, 640).join(" | ").toStdString(), c.readout) << c.t;
}

// The picture inside the curves holds only the curves, the grid and the
// cursor's line: the legend and the readout stand outside, and the legend
// names every signal with its value at the cursor.
TEST(PlotWidget, TheLegendAndTheReadoutStandOutsideTheCurves) {
  for (bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "one value axis" : "a lane per signal");
    PlotBench bench(EngineDatabase, {"Speed", "Load"});
    ASSERT_TRUE(bench.Ready());
    PlotPanel& panel = bench.Panel;
    for (int i = 0; i < 400; ++i) panel.Feed(EngineFrame(uint16_t(i * 100), uint8_t(i % 200), 0), i * 0.01);
    panel.Model().SharedYAxis = shared;
    bench.Show(0, 4);
    panel.Plot()->SetCursorTime(3.9);  // near the newest data, where a legend inside would stand
    const QImage image = panel.Plot()->Render(kPicture);
    const QRect curves = panel.Plot()->CurveArea(kPicture);
    const int cursorX = panel.Plot()->XOf(3.9);
    int stray = 0;
    for (int y = curves.top(); y <= curves.bottom(); ++y)
      for (int x = curves.left(); x <= curves.right(); ++x) {
        const QRgb c = image.pixel(x, y) & 0xFFFFFF;
        const bool allowed = c == 0xFFFFFF || c == 0xEEEEEE || c == 0xDDDDDD || c == (PlotColour(0) & 0xFFFFFF) ||
                             c == (PlotColour(1) & 0xFFFFFF) || (x == cursorX && qGray(c) < 64);
        stray += !allowed;
      }
    EXPECT_EQ(stray, 0);
    // The legend: right of the curves, text in it.
    int legendInk = 0;
    for (int y = curves.top(); y <= curves.bottom(); ++y)
      for (int x = curves.right() + 2; x < image.width(); ++x) legendInk += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(legendInk, 50);
  }
}

// Rows of runs of dark pixels (text) in the columns [x0, x1) and rows [y0, y1].
std::vector<std::pair<int, int>> InkRuns(const QImage& image, int x0, int x1, int y0, int y1) {
  std::vector<std::pair<int, int>> runs;
  for (int y = y0; y <= y1; ++y) {
    bool ink = false;
    for (int x = x0; x < x1 && !ink; ++x) ink = qGray(image.pixel(x, y)) < 140;
    if (!ink) continue;
    if (!runs.empty() && runs.back().second == y - 1) runs.back().second = y;
    else runs.push_back({y, y});
  }
  return runs;
}

// Lanes down to 60 px: each has at least three grid lines with a label
// each, the labels apart from each other and inside their lane; ranges
// that fit no three steps of 1, 2 or 5 among them.
TEST(PlotWidget, EveryLaneHasThreeLabelledTicksApart) {
  App();
  struct Case {
    int lanes, laneHeight;
  } cases[] = {{11, 60}, {6, 64}, {4, 90}, {3, 120}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lanes) + " lanes of " + std::to_string(c.laneHeight) + " px");
    TPlotModel model;
    for (int k = 0; k < c.lanes; ++k) {
      ASSERT_TRUE(model.Add(MessageOf("M", "S" + std::to_string(k), uint32_t(k)), 0));
      // Ranges: 0 to 1.9, a constant, -3 to 3, 0 to 100, 1e5 to 1e5 + 7, ...
      const double lo[] = {0, 42, -3, 0, 1e5, 0.001, -250, 7};
      const double hi[] = {1.9, 42, 3, 100, 1e5 + 7, 0.0013, 4000, 7.2};
      for (int i = 0; i <= 100; ++i)
        model.Signals().back().Series.Append(i * 0.1, lo[k % 8] + (hi[k % 8] - lo[k % 8]) * (i % 11) / 10.0);
    }
    const int laneStep = c.laneHeight + 4;
    QImage image(640, c.lanes * laneStep + 48, QImage::Format_RGB32);
    QPainter p(&image);
    const QRect curves = PlotCurveArea(image.rect(), model, p.fontMetrics());
    ASSERT_EQ(curves.height() / c.lanes, laneStep);
    TPlotDrawing d;
    d.T0 = 0;
    d.T1 = 10;
    RenderPlot(p, image.rect(), model, d);
    for (int k = 0; k < c.lanes; ++k) {
      SCOPED_TRACE("lane " + std::to_string(k));
      const QRect lane(curves.left(), curves.top() + k * laneStep, curves.width(), c.laneHeight);
      EXPECT_GE(GridRows(image, lane).size(), 3u);
      // The labels: runs of text rows in the margin, at least three, each
      // apart from the next and none reaching out of the lane.
      const auto labels = InkRuns(image, 0, curves.left() - 2, lane.top() - 3, lane.bottom() + 3);
      EXPECT_GE(labels.size(), 3u);
      for (const auto& [top, bottom] : labels) {
        EXPECT_GE(top, lane.top()) << "a label above its lane";
        EXPECT_LE(bottom, lane.bottom()) << "a label below its lane";
        EXPECT_LT(bottom - top, p.fontMetrics().height()) << "labels run into each other";
      }
    }
  }
}

// Columns of runs of dark pixels (text) in the rows [y0, y1], runs closer
// than 3 columns joined (a label's characters).
std::vector<std::pair<int, int>> InkColumns(const QImage& image, int y0, int y1) {
  std::vector<std::pair<int, int>> runs;
  for (int x = 0; x < image.width(); ++x) {
    bool ink = false;
    for (int y = y0; y <= y1 && !ink; ++y) ink = qGray(image.pixel(x, y)) < 140;
    if (!ink) continue;
    if (!runs.empty() && runs.back().second >= x - 3) runs.back().second = x;
    else runs.push_back({x, x});
  }
  return runs;
}

// The time axis: its labels apart from each other and whole inside the
// picture, the rightmost too, for views where the labels are long.
TEST(PlotWidget, TimeLabelsStandApartAndInsideThePicture) {
  App();
  TPlotModel model;
  ASSERT_TRUE(model.Add(MessageOf("M", "S"), 0));
  for (int i = 0; i <= 1000; ++i) model.Signals()[0].Series.Append(99990 + i * 0.01, i % 7);
  struct Case {
    double t0, t1;
    int width;
  } cases[] = {{99990, 100000, 400}, {99995.5, 99996.5, 400}, {99990, 100000, 1200}, {99999.99, 100000, 300}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.t0) + " to " + std::to_string(c.t1) + " in " + std::to_string(c.width) + " px");
    QImage image(c.width, 240, QImage::Format_RGB32);
    QPainter p(&image);
    const QRect curves = PlotCurveArea(image.rect(), model, p.fontMetrics());
    TPlotDrawing d;
    d.T0 = c.t0;
    d.T1 = c.t1;
    RenderPlot(p, image.rect(), model, d);
    const auto labels = InkColumns(image, curves.bottom() + 5, image.height() - 1);
    ASSERT_GE(labels.size(), 2u);
    const int widest = p.fontMetrics().horizontalAdvance(PlotTimeText(100000.000001, 1e-6));
    for (const auto& [left, right] : labels) EXPECT_LE(right - left, widest) << "labels run into each other";
    EXPECT_GT(labels.front().first, 0);
    EXPECT_LT(labels.back().second, image.width() - 1) << "the rightmost label is cut off";
  }
}

// Engine data of 4 s: Speed a square wave of 1000 rpm and 0 (100 a second),
// Load a ramp.
void FeedEngineSquareWave(PlotPanel& panel) {
  for (int i = 0; i < 400; ++i)
    panel.Feed(EngineFrame((i % 100) < 50 ? 4000 : 0, uint8_t(i % 200), 0), i * 0.01);
}

void Wheel(QWidget* w, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
  QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(w, &event);
}

int YOfValue(const TPlotLane& lane, double v) {
  return int(std::lround(lane.Rect.bottom() - (v - lane.Min) / (lane.Max - lane.Min) * (lane.Rect.height() - 1)));
}

// Ctrl+wheel over a lane zooms its values around the value under the mouse,
// which stays where it is drawn; the other lane keeps its range; 0 lets
// every axis span its values again.
TEST(PlotWidget, CtrlWheelZoomsTheValuesOfTheLaneUnderTheMouse) {
  PlotBench bench(EngineDatabase, {"Speed", "Load"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  FeedEngineSquareWave(panel);
  bench.Show(0, 4);
  PlotWidget* plot = panel.Plot();
  const std::vector<TPlotLane> before = plot->Lanes();
  ASSERT_EQ(before.size(), 2u);
  const int high = YOfValue(before[0], 1000);
  Wheel(plot, QPoint(plot->XOf(0.25), high), 120, Qt::ControlModifier);
  const std::vector<TPlotLane> after = plot->Lanes();
  EXPECT_NEAR(after[0].Max - after[0].Min, 0.8 * (before[0].Max - before[0].Min), 1e-6);
  EXPECT_EQ(after[1].Min, before[1].Min);
  EXPECT_EQ(after[1].Max, before[1].Max);
  const QImage image = plot->Render(kPicture);
  const QRgb speed = PlotColour(0);
  const std::vector<int> rows = CurveRows(image, plot->XOf(0.25), speed);
  ASSERT_FALSE(rows.empty());
  EXPECT_NEAR(rows.front(), high, 2);  // under the mouse, as before
  // 0 rpm lies below the zoomed lane: nothing of the low half is drawn in it.
  int low = 0;
  for (int y : CurveRows(image, plot->XOf(0.75), speed)) low += y >= after[0].Rect.top() && y <= after[0].Rect.bottom();
  EXPECT_EQ(low, 0);
  QTest::keyClick(plot, Qt::Key_0);
  const std::vector<TPlotLane> reset = plot->Lanes();
  EXPECT_EQ(reset[0].Min, before[0].Min);
  EXPECT_EQ(reset[0].Max, before[0].Max);
  EXPECT_FALSE(panel.Model().Signals()[0].ValueRange.Set);
}

// A drag with Ctrl, or any drag with "Box zoom" on, zooms to its box: the
// times of its ends and, in its lane, the values of its top and bottom. A
// drag without either still pans.
TEST(PlotWidget, ABoxZoomSetsTheTimesAndValuesOfItsBox) {
  for (bool toggle : {false, true}) {
    SCOPED_TRACE(toggle ? "Box zoom on" : "Ctrl+drag");
    PlotBench bench(Database, {"Level"});
    ASSERT_TRUE(bench.Ready());
    PlotPanel& panel = bench.Panel;
    FeedSquareWave(panel, 4);
    bench.Show(0, 4);
    PlotWidget* plot = panel.Plot();
    if (toggle) panel.findChild<QCheckBox*>("PlotBoxZoom")->setChecked(true);
    const Qt::KeyboardModifiers modifiers = toggle ? Qt::NoModifier : Qt::ControlModifier;
    const TPlotLane lane = plot->Lanes().at(0);
    const QPoint from(plot->XOf(1.0), YOfValue(lane, 90)), to(plot->XOf(2.0), YOfValue(lane, 30));
    QTest::mousePress(plot, Qt::LeftButton, modifiers, from);
    QTest::mouseMove(plot, (from + to) / 2);
    QTest::mouseMove(plot, to);
    QTest::mouseRelease(plot, Qt::LeftButton, modifiers, to);
    double t0, t1;
    panel.Model().View(t0, t1);
    const double pixelTime = 4.0 / (plot->CurveArea(kPicture).width() - 1);
    const double pixelValue = (lane.Max - lane.Min) / (lane.Rect.height() - 1);
    EXPECT_NEAR(t0, 1.0, pixelTime);
    EXPECT_NEAR(t1, 2.0, pixelTime);
    const TValueRange& range = panel.Model().Signals()[0].ValueRange;
    ASSERT_TRUE(range.Set);
    EXPECT_NEAR(range.Min, 30, pixelValue);
    EXPECT_NEAR(range.Max, 90, pixelValue);
    // Drawn so: 100 lies above the lane, 0 below; the edge from 1.49 s to
    // 1.5 s crosses it whole.
    const QImage image = plot->Render(kPicture);
    const TPlotLane zoomed = plot->Lanes().at(0);
    std::vector<int> edge;
    for (int x = plot->XOf(1.49) - 1; x <= plot->XOf(1.5) + 1; ++x)
      for (int y : CurveRows(image, x, PlotColour(0))) edge.push_back(y);
    ASSERT_FALSE(edge.empty());
    EXPECT_LE(*std::min_element(edge.begin(), edge.end()), zoomed.Rect.top() + 1);
    EXPECT_GE(*std::max_element(edge.begin(), edge.end()), zoomed.Rect.bottom() - 1);
    EXPECT_TRUE(CurveRows(image, plot->XOf(1.25), PlotColour(0)).empty());
  }
  PlotBench bench(Database, {"Level"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  FeedSquareWave(panel, 4);
  bench.Show(0, 4);
  QTest::mousePress(panel.Plot(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 150));
  QTest::mouseMove(panel.Plot(), QPoint(350, 250));
  QTest::mouseRelease(panel.Plot(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 250));
  double t0, t1;
  panel.Model().View(t0, t1);
  EXPECT_LT(t0, 0);
  EXPECT_NEAR(t1 - t0, 4, 1e-9);
  EXPECT_FALSE(panel.Model().Signals()[0].ValueRange.Set);
}

// Shift+click puts a second cursor; from the first to it, the differences
// in time and in each signal's value (at its resolution, "-" where either
// cursor has no value), drawn beside the curves, not over them.
TEST(PlotWidget, TwoCursorsShowTheDifferencesInTimeAndValue) {
  PlotBench bench(EngineDatabase, {"Speed", "Load"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  panel.Feed(EngineFrame(4000, 40, 1), 1.0);   // 1000 rpm, 0 %
  panel.Feed(EngineFrame(57001, 41, 2), 3.0);  // 14250.25 rpm, 0.5 %
  bench.Show(0, 4);
  PlotWidget* plot = panel.Plot();
  QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, QPoint(plot->XOf(1.5), 200));
  QTest::mouseClick(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(plot->XOf(3.5), 200));
  ASSERT_TRUE(plot->CursorTime() && plot->SecondCursorTime());
  EXPECT_NEAR(*plot->CursorTime(), 1.5, 0.01);
  EXPECT_NEAR(*plot->SecondCursorTime(), 3.5, 0.01);
  struct Case {
    double a, b;
    const char* differences;
  } cases[] = {
      {1.5, 3.5, "\u0394t = 2.000 s | Speed \u0394 = 13250.25 rpm | Load \u0394 = 0.5 %"},
      {3.5, 1.5, "\u0394t = -2.000 s | Speed \u0394 = -13250.25 rpm | Load \u0394 = -0.5 %"},
      {0.5, 3.5, "\u0394t = 3.000 s | Speed \u0394 = - | Load \u0394 = -"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlotDifferences(panel.Model(), c.a, c.b, 4, 640).join(" | ").toStdString(), c.differences) << c.a;
  // Drawn: inside the curves only curves, grid and the two cursors' lines;
  // beside them a line more per signal than with one cursor.
  const QRect curves = plot->CurveArea(kPicture);
  const auto legendInk = [&](const QImage& image) {
    int ink = 0;
    for (int y = curves.top(); y <= curves.bottom(); ++y)
      for (int x = curves.right() + 2; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 100;
    return ink;
  };
  const QImage both = plot->Render(kPicture);
  const int x1 = plot->XOf(*plot->CursorTime()), x2 = plot->XOf(*plot->SecondCursorTime());
  int stray = 0;
  for (int y = curves.top(); y <= curves.bottom(); ++y)
    for (int x = curves.left(); x <= curves.right(); ++x) {
      const QRgb c = both.pixel(x, y) & 0xFFFFFF;
      stray += !(c == 0xFFFFFF || c == 0xEEEEEE || c == 0xDDDDDD || c == (PlotColour(0) & 0xFFFFFF) ||
                 c == (PlotColour(1) & 0xFFFFFF) || ((x == x1 || x == x2) && qGray(c) < 64));
    }
  EXPECT_EQ(stray, 0);
  plot->SetSecondCursorTime(std::nullopt);
  EXPECT_GT(legendInk(both), legendInk(plot->Render(kPicture)) + 40);
}

// The export dialogs start where the user last chose a file in either of
// them; a cancelled dialog changes nothing.
TEST(PlotPanel, ExportDialogsStartWhereTheLastExportWent) {
  PlotBench bench(Database, {"Level"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  FeedSquareWave(panel, 1);
  test::TempFolder dir("tarvo-plot");
  const std::string pictures = dir.File("pictures"), tables = dir.File("tables");
  ASSERT_TRUE(std::filesystem::create_directory(pictures) && std::filesystem::create_directory(tables));
  panel.SetExportDir("/start");
  bench.Dialogs.FileAnswers = {pictures + "/plot.png", tables + "/signals.csv", std::nullopt};
  QAction* png = panel.findChild<QAction*>("PlotExportPng");
  QAction* csv = panel.findChild<QAction*>("PlotExportCsv");
  ASSERT_TRUE(png && csv);
  png->trigger();
  csv->trigger();
  png->trigger();  // cancelled
  csv->trigger();
  ASSERT_EQ(bench.Dialogs.SaveRequests.size(), 4u);
  EXPECT_EQ(bench.Dialogs.SaveRequests[0].InitialDir, "/start");
  EXPECT_EQ(bench.Dialogs.SaveRequests[1].InitialDir, pictures);
  EXPECT_EQ(bench.Dialogs.SaveRequests[2].InitialDir, tables);
  EXPECT_EQ(bench.Dialogs.SaveRequests[3].InitialDir, tables);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(pictures + "/plot.png")));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(tables + "/signals.csv")));
  EXPECT_TRUE(bench.Dialogs.Boxes.empty());
}

// The window choice names what the plot follows: choosing the entry shown
// again after a zoom follows it again, Home follows the choice, and a view
// set from outside (the log window following all points) shows in it.
TEST(PlotPanel, TheWindowChoiceSaysWhatThePlotFollows) {
  PlotBench bench(Database, {"Level"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  FeedSquareWave(panel, 100);
  auto* window = panel.findChild<QComboBox*>("PlotWindow");
  auto* hold = panel.findChild<QCheckBox*>("PlotHold");
  ASSERT_TRUE(window && hold);
  const auto choose = [&](const QString& text) {
    window->setCurrentIndex(window->findText(text));
    emit window->activated(window->currentIndex());
  };
  const auto zoom = [&] { QTest::keyClick(panel.Plot(), Qt::Key_Plus); };
  choose("All");
  EXPECT_EQ(panel.Model().Follow, TPlotFollow::All);
  zoom();
  EXPECT_EQ(panel.Model().Follow, TPlotFollow::Hold);
  EXPECT_TRUE(hold->isChecked());
  EXPECT_EQ(window->currentText(), "All");
  choose("All");  // the same entry again
  EXPECT_EQ(panel.Model().Follow, TPlotFollow::All);
  EXPECT_FALSE(hold->isChecked());
  zoom();
  QTest::keyClick(panel.Plot(), Qt::Key_Home);
  EXPECT_EQ(panel.Model().Follow, TPlotFollow::All);
  EXPECT_EQ(window->currentText(), "All");
  choose("60 s");
  zoom();
  hold->setChecked(false);
  EXPECT_EQ(panel.Model().Follow, TPlotFollow::Window);
  EXPECT_EQ(panel.Model().WindowSeconds, 60);
  double t0, t1;
  panel.Model().View(t0, t1);
  EXPECT_DOUBLE_EQ(t1 - t0, 60);
  panel.Model().Follow = TPlotFollow::All;  // as the log window sets it
  panel.ShowViewState();
  EXPECT_EQ(window->currentText(), "All");
  QTest::keyClick(panel.Plot(), Qt::Key_Minus);
  QTest::keyClick(panel.Plot(), Qt::Key_Home);
  EXPECT_EQ(panel.Model().Follow, TPlotFollow::All);
}

// The database unloaded: the curves stay, drawn and marked, fed no more and
// without a question; loaded again, they are fed again. Removing is the
// user's.
TEST(PlotPanel, PlottedSignalsOutliveTheirDatabase) {
  PlotBench bench(EngineDatabase, {"Speed", "Gear"});
  ASSERT_TRUE(bench.Ready());
  PlotPanel& panel = bench.Panel;
  for (int i = 0; i < 100; ++i) panel.Feed(EngineFrame(uint16_t(i * 40), 0, uint8_t(i / 20)), i * 0.01);
  bench.Show(0, 2);
  auto* plotted = panel.findChild<QComboBox*>("PlottedSignals");
  const auto drawn = [&](size_t i) {
    const QImage image = panel.Plot()->Render(kPicture);
    const QRect curves = panel.Plot()->CurveArea(kPicture);
    int n = 0;
    for (int x = curves.left(); x <= curves.right(); ++x) n += int(CurveRows(image, x, PlotColour(i)).size());
    return n;
  };
  const int before = drawn(0);
  ASSERT_GT(before, 100);
  panel.SetDatabase(nullptr);
  EXPECT_TRUE(bench.Dialogs.Boxes.empty());
  ASSERT_EQ(panel.Model().Signals().size(), 2u);
  EXPECT_EQ(plotted->itemText(0), "Engine.Speed (unloaded database)");
  EXPECT_EQ(drawn(0), before);
  panel.Feed(EngineFrame(100, 0, 0), 1.5);
  EXPECT_EQ(panel.Model().Signals()[0].Series.Size(), 100u);
  // Loaded again: found by name, fed again.
  panel.SetDatabase(&bench.Db.Database);
  EXPECT_EQ(plotted->itemText(0), "Engine.Speed");
  panel.Feed(EngineFrame(100, 0, 0), 1.5);
  EXPECT_EQ(panel.Model().Signals()[0].Series.Size(), 101u);
  EXPECT_EQ(panel.Model().Signals()[1].Series.Size(), 101u);
  // Hidden: not drawn, the other one keeps the whole plot; shown again.
  auto* shown = panel.findChild<QCheckBox*>("PlotShown");
  const int full = drawn(0);
  plotted->setCurrentIndex(0);
  shown->setChecked(false);
  EXPECT_TRUE(panel.Model().Signals()[0].Hidden);
  EXPECT_EQ(plotted->itemText(0), "Engine.Speed (hidden)");
  EXPECT_EQ(drawn(0), 0);
  EXPECT_GT(drawn(1), 0);
  shown->setChecked(true);
  EXPECT_EQ(drawn(0), full);
  // The points go only when Clear says so; the signals stay.
  panel.findChild<QPushButton*>("PlotClearButton")->click();
  EXPECT_EQ(panel.Model().Signals().size(), 2u);
  EXPECT_EQ(panel.Model().Signals()[0].Series.Size(), 0u);
  EXPECT_TRUE(bench.Dialogs.Boxes.empty());
}

}  // namespace
}  // namespace tarvo
