// The plot drawn: a square wave of known shape lies where it must in the
// rendered picture, the cursor reads its value, and the exports hold the
// picture and the decoded values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "dbc/DbcReader.h"
#include "plot/qt/PlotPanel.h"
#include "plot/qt/PlotRenderer.h"
#include "plot/qt/PlotWidget.h"
#include "support/ModalWatch.h"
#include "support/ScriptedDialogs.h"

namespace tarvo {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "plot_widget_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  test::ModalWatch::Start();
  return app;
}

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

// Rows of column x that hold the curve's colour.
std::vector<int> CurveRows(const QImage& image, int x, QRgb colour) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) rows.push_back(y);
  return rows;
}

TEST(PlotWidget, ASquareWaveIsDrawnWhereItMustBeAndTheCursorReadsIt) {
  App();
  const TDbcReadResult db = ReadDbc(Database);
  ASSERT_TRUE(db.Ok);
  test::ScriptedDialogs dialogs;
  PlotPanel panel(dialogs);
  panel.SetDatabase(&db.Database);
  ASSERT_TRUE(panel.AddSignal("Level"));
  FeedSquareWave(panel, 4);
  panel.Model().SetView(0, 4);
  const QSize size(800, 400);
  const QImage image = panel.Plot()->Render(size);
  const QRect curves = PlotCurveArea(QRect(QPoint(0, 0), size));
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
  // Each edge joins the two levels within a column or two.
  std::vector<int> edge;
  for (int dx = -1; dx <= 1; ++dx)
    for (int y : CurveRows(image, xOf(1.5) + dx, colour)) edge.push_back(y);
  ASSERT_FALSE(edge.empty());
  EXPECT_NEAR(*std::min_element(edge.begin(), edge.end()), yOf(100), 2);
  EXPECT_NEAR(*std::max_element(edge.begin(), edge.end()), yOf(0), 2);

  // The cursor reads the value at its time.
  panel.Plot()->resize(size);
  const int x = panel.Plot()->XOf(2.2);
  EXPECT_NEAR(panel.Plot()->TimeAt(x), 2.2, 0.01);
  EXPECT_EQ(panel.Model().Signals()[0].Series.ValueAt(2.2), 100);
  EXPECT_EQ(panel.Model().Signals()[0].Series.ValueAt(2.7), 0);

  // The exports: a picture, and the decoded values.
  QTemporaryDir dir;
  const std::string png = dir.filePath("plot.png").toStdString(), csv = dir.filePath("plot.csv").toStdString();
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
  EXPECT_TRUE(dialogs.Boxes.empty());
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

// Values a double cannot step through (a 64-bit signal near its top, an
// infinite float) and a view zoomed to a few ulps draw, and the drawing ends
// with what it must show: the constant on the middle of its lane with one
// grid line there, the infinite value nowhere (neither on the axis nor as a
// line off it), and the time axis's ticks in their places.
TEST(PlotWidget, ExtremeValuesAndTheNarrowestViewDraw) {
  App();
  TPlotModel model;
  TDbcMessage m;
  m.Name = "Big";
  TDbcSignal s;
  s.Name = "Huge";
  s.Length = 64;
  m.Signals.push_back(s);
  ASSERT_TRUE(model.Add(m, 0));
  TSignalSeries& series = model.Signals()[0].Series;
  for (int i = 0; i < 100; ++i) series.Append(1000.0 + i * 0.01, 1.8e19);
  series.Append(1001.0, std::numeric_limits<double>::infinity());
  model.SetView(1000.5, 1000.5);  // held at the narrowest view
  double t0, t1;
  model.View(t0, t1);
  EXPECT_GT(t1, t0);
  QImage image(400, 200, QImage::Format_RGB32);
  QPainter p(&image);
  const QRect curves = PlotCurveArea(image.rect());
  const double middle = curves.bottom() - (curves.height() - 1) / 2.0;
  TPlotDrawing d;
  d.T0 = t0;
  d.T1 = t1;
  RenderPlot(p, image.rect(), model, d);
  {
    SCOPED_TRACE("the narrowest view");
    const std::vector<int> grid = GridRows(image, curves);
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_NEAR(grid[0], middle, 1);
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
    const std::vector<int> grid = GridRows(image, curves);
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_NEAR(grid[0], middle, 1);
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
  App();
  const TDbcReadResult db = ReadDbc(Database);
  ASSERT_TRUE(db.Ok);
  test::ScriptedDialogs dialogs;
  PlotPanel panel(dialogs);
  panel.SetDatabase(&db.Database);
  ASSERT_TRUE(panel.AddSignal("Level"));
  for (int i = 0; i <= 40; ++i) {  // 60 every 0.1 s; the frame at 2.0 s carries no byte
    TTarvoCAN m;
    m.ID = 256;
    m.DLC = i == 20 ? 0 : 1;
    m.Data[0] = 60;
    panel.Feed(m, i * 0.1);
  }
  panel.Model().SetView(0, 4);
  const QSize size(800, 400);
  const QImage image = panel.Plot()->Render(size);
  const QRect curves = PlotCurveArea(QRect(QPoint(0, 0), size));
  const QRgb colour = PlotColour(0);
  const auto xOf = [&](double t) { return curves.left() + int(t / 4 * (curves.width() - 1)); };
  // Between two sound points the line runs on; around the short frame
  // nothing is drawn between the points before and after it.
  for (int x = xOf(1.1) + 2; x < xOf(1.9) - 1; ++x) EXPECT_FALSE(CurveRows(image, x, colour).empty()) << x;
  for (int x = xOf(1.9) + 2; x < xOf(2.1) - 1; ++x) EXPECT_TRUE(CurveRows(image, x, colour).empty()) << x;
  EXPECT_FALSE(CurveRows(image, xOf(1.9), colour).empty());
  EXPECT_FALSE(CurveRows(image, xOf(2.1), colour).empty());
}

// A value-table signal's lane: each text of the table stands on the axis at
// the height where the curve draws its value, on a grid line of its own.
// The table is uneven (0, 1 and 5), so texts or lines turned upside down
// land at other heights than the curve's.
TEST(PlotWidget, TheTextsOfAValueTableStandWhereTheCurveDrawsTheirValues) {
  App();
  const TDbcReadResult db = ReadDbc(R"(VERSION ""
BO_ 512 Valve: 1 Node
 SG_ State : 0|8@1+ (1,0) [0|5] "" Node
VAL_ 512 State 0 "Off" 1 "Low flow" 5 "Fault" ;
)");
  ASSERT_TRUE(db.Ok);
  test::ScriptedDialogs dialogs;
  PlotPanel panel(dialogs);
  panel.SetDatabase(&db.Database);
  ASSERT_TRUE(panel.AddSignal("State"));
  const uint8_t states[4] = {0, 1, 5, 0};  // one a second
  for (int i = 0; i < 400; ++i) {
    TTarvoCAN m;
    m.ID = 512;
    m.DLC = 1;
    m.Data[0] = states[i / 100];
    panel.Feed(m, i * 0.01);
  }
  panel.Model().SetView(0, 4);
  const QSize size(800, 400);
  const QImage image = panel.Plot()->Render(size);
  const QRect curves = PlotCurveArea(QRect(QPoint(0, 0), size));
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
  App();
  std::string dbc = "BO_ 512 Counter: 4 Node\n SG_ Count : 0|32@1+ (1,0) [0|0] \"\" Node\nVAL_ 512 Count";
  for (int v = 0; v < 200000; ++v) dbc += " " + std::to_string(v) + " \"Step " + std::to_string(v) + "\"";
  const TDbcReadResult db = ReadDbc(dbc + " ;\n");
  ASSERT_TRUE(db.Ok) << DbcErrorText(db.Error);
  test::ScriptedDialogs dialogs;
  PlotPanel panel(dialogs);
  panel.SetDatabase(&db.Database);
  ASSERT_TRUE(panel.AddSignal("Count"));
  for (int i = 0; i < 400; ++i) {  // 0, then the highest value
    TTarvoCAN m;
    m.ID = 512;
    m.DLC = 4;
    const uint32_t v = i < 200 ? 0 : 199999;
    for (int b = 0; b < 4; ++b) m.Data[b] = uint8_t(v >> (8 * b));
    panel.Feed(m, i * 0.01);
  }
  panel.Model().SetView(0, 4);
  const QSize size(800, 400);
  QElapsedTimer timer;
  timer.start();
  const QImage image = panel.Plot()->Render(size);
  EXPECT_LT(timer.elapsed(), 2000);
  const QRect curves = PlotCurveArea(QRect(QPoint(0, 0), size));
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

}  // namespace
}  // namespace tarvo
