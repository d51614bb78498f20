// The whole graph from a full grid: 20 + 20 points, the curve and the ±2s band, through the origin
// (argument 0) or framed on the data (1); with both 95 % bands too, through the origin (2); the
// residuals (3).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include "bench/full_grid.h"
#include "core/compute.h"
#include "graph/drawgraph.h"

namespace {

void BM_DrawGraph(benchmark::State& state) {
  const orvelt::GridInput input = FullGrids(true);
  const auto model = orvelt::FitModel::Quadratic;
  orvelt::DataStore store;
  const auto result = orvelt::RunCompute(store, input, model).result;

  QImage image(321, 450, QImage::Format_RGB32);
  orvelt::Canvas canvas(image);
  orvelt::BlankGraphPicture(canvas);
  using orvelt::GraphView;
  const orvelt::GraphChoices choices[] = {{GraphView::ThroughOrigin},
                                          {GraphView::FitData},
                                          {GraphView::ThroughOrigin, true, true},
                                          {GraphView::Residuals}};
  for (auto _ : state) {
    orvelt::DrawGraph(canvas, *result, 2, choices[state.range(0)]);
    canvas.SetBrushColor(Qt::white);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_DrawGraph)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

// Texts need the application object; no display is needed.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  QGuiApplication app(argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
