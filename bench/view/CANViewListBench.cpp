// The CAN View list on screen (offscreen platform): one tick of a fully
// loaded 1 Mbit/s bus into a million-entry cyclic view, the refresh step with
// its selection and auto-scroll, and the repaint the event loop then does.
// This is the widget's share on top of the store and the model.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <random>

#include "view/qt/CANViewList.h"

namespace tarvo {
namespace {

constexpr int FramesPerTick = 210;

struct ListFixture {
  explicit ListFixture(int32_t cyclicSize) {
    settings.CyclicBufferSize = cyclicSize;
    settings.UpdateInterval = 0;
    SetCANViewBufferSize(state, settings);
    list.CyclicCommand(false);
    QList<QIcon> icons;
    for (int i = 0; i < CANViewItemKinds; ++i) {
      QPixmap p(16, 16);
      p.fill(QColor::fromHsv(i * 30, 200, 200));
      icons.append(QIcon(p));
    }
    list.SetIcons(icons);
    list.resize(900, 700);  // about 40 rows
    list.show();
    QCoreApplication::processEvents();
  }
  void Frames() {
    for (int i = 0; i < FramesPerTick; ++i) {
      TTarvoCAN m;
      m.ID = 0x100 + uint32_t(rng() % 50);
      m.DLC = 8;
      for (auto& b : m.Data) b = uint8_t(rng());
      m.TimeStamp = (t += 2);
      DisplayReceiveMessage(state, settings, m);
    }
  }
  void Tick(bool paint = true) {
    Frames();
    list.RefreshStep(10);
    if (paint) QCoreApplication::processEvents();  // layout and paint
  }
  TCANViewState state;
  TDisplaySettings settings;
  CANViewList list{state, settings};
  std::mt19937 rng{5};
  uint32_t t = 0;
};

// Filling a million-entry ring: every tick adds rows.
void BM_ListTickFilling(benchmark::State& bench) {
  ListFixture f(1000000);
  for (int i = 0; i < int(bench.range(0)); i += FramesPerTick) f.Frames();  // start this full
  for (auto _ : bench) f.Tick();
  bench.counters["rows"] = f.list.Model()->rowCount();
}
BENCHMARK(BM_ListTickFilling)->Arg(0)->Arg(500000)->Unit(benchmark::kMicrosecond);

// Wrapped: the count stays, every refresh repaints and moves the selection.
// Argument 0: without the event loop's paint, the refresh step alone.
void BM_ListTickWrapped(benchmark::State& bench) {
  ListFixture f(1000000);
  while (!f.state.CyclicOverwriteFlag) f.Frames();
  f.Tick();
  for (auto _ : bench) f.Tick(bench.range(0) != 0);
}
BENCHMARK(BM_ListTickWrapped)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
