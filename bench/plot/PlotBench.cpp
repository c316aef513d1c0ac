// The signal plot's costs. Redraw: 8 signals of 1,000,000 points each drawn
// into a 1600 x 800 picture, the whole span and a zoomed tenth (the frame
// budget is 16 ms), and its decimation alone. Feed: one received frame of a plotted message decoded
// into its points, 8 signals plotted (at a fully loaded 1 Mbit/s bus about
// 8,000 frames a second arrive). Counter bytes_per_point: the memory the
// series hold for each point. Run: build/bin/plot_bench
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <memory>

#include "dbc/DbcReader.h"
#include "plot/Decimation.h"
#include "plot/PlotModel.h"
#include "plot/qt/PlotRenderer.h"

namespace {

using namespace tarvo;

constexpr const char* Database = R"(VERSION ""
BO_ 256 A: 8 N
 SG_ S0 : 0|16@1+ (1,0) [0|65535] "" N
 SG_ S1 : 16|16@1+ (1,0) [0|65535] "" N
 SG_ S2 : 32|16@1+ (1,0) [0|65535] "" N
 SG_ S3 : 48|16@1+ (1,0) [0|65535] "" N
BO_ 257 B: 8 N
 SG_ S4 : 0|16@1+ (1,0) [0|65535] "" N
 SG_ S5 : 16|16@1+ (1,0) [0|65535] "" N
 SG_ S6 : 32|16@1- (0.5,0) [-100|100] "" N
 SG_ S7 : 48|16@1+ (1,0) [0|65535] "" N
)";

const TDbcDatabase& Db() {
  static const TDbcReadResult r = ReadDbc(Database);
  return r.Database;
}

std::unique_ptr<TPlotModel> EightSignals(size_t points) {
  auto model = std::make_unique<TPlotModel>(points);
  std::string error;
  for (const char* name : {"S0", "S1", "S2", "S3", "S4", "S5", "S6", "S7"}) model->Add(Db(), name, error);
  for (size_t s = 0; s < 8; ++s) {
    TSignalSeries& series = model->Signals()[s].Series;
    for (size_t i = 0; i < points; ++i)
      series.Append(double(i) * 1e-4, std::sin(double(i) * 1e-3 * double(s + 1)) + (i % 9973 == 0 ? 5 : 0));
  }
  return model;
}

void Redraw(benchmark::State& state) {
  static auto model = EightSignals(1'000'000);
  const double fraction = double(state.range(0)) / 100.0;
  QImage image(1600, 800, QImage::Format_RGB32);
  TPlotDrawing d;
  d.T0 = 50.0 * (1 - fraction) / 2;
  d.T1 = d.T0 + 100.0 * fraction;
  for (auto _ : state) {
    QPainter p(&image);
    RenderPlot(p, image.rect(), *model, d);
  }
  state.counters["points_in_view"] = double(8'000'000) * fraction;
  // A time and a value, and the block summaries (two doubles and a flag for 64 points).
  state.counters["bytes_per_point"] = 2.0 * sizeof(double) + (2.0 * sizeof(double) + 1) / double(TSignalSeries::BlockSize);
}
BENCHMARK(Redraw)->ArgName("percent_of_span")->Arg(100)->Arg(10)->Unit(benchmark::kMillisecond);

// The redraw's decimation alone: the 8 curves to 1600 columns.
void Decimate(benchmark::State& state) {
  static auto model = EightSignals(1'000'000);
  const double fraction = double(state.range(0)) / 100.0;
  const double t0 = 50.0 * (1 - fraction) / 2, t1 = t0 + 100.0 * fraction;
  for (auto _ : state)
    for (const TPlottedSignal& s : model->Signals()) benchmark::DoNotOptimize(MinMaxColumns(s.Series, t0, t1, 1600));
}
BENCHMARK(Decimate)->ArgName("percent_of_span")->Arg(100)->Arg(10)->Unit(benchmark::kMillisecond);

void Feed(benchmark::State& state) {
  auto model = EightSignals(1);
  TTarvoCAN frame;
  frame.DLC = 8;
  double t = 0;
  uint32_t n = 0;
  for (auto _ : state) {
    frame.ID = 256 + (n & 1);
    frame.Data[0] = uint8_t(n++);
    model->Feed(Db(), frame, t += 1.25e-4);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Feed);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
