// The plot drawn: a square wave of known shape lies where it must in the
// rendered picture, the cursor reads its value, and the exports hold the
// picture and the decoded values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <limits>
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

// Values a double cannot step through (a 64-bit signal near its top, an
// infinite float) and a view zoomed to a few ulps draw, and the drawing ends.
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
  TPlotDrawing d;
  d.T0 = t0;
  d.T1 = t1;
  RenderPlot(p, image.rect(), model, d);
  d.T0 = 999;
  d.T1 = 1002;
  RenderPlot(p, image.rect(), model, d);
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
