// The compute command's path on a full grid: read 20 rows, sums, fit, standard deviation.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "core/fit.h"

namespace {

orvelt::GridInput FullGrid() {
  orvelt::GridInput input;
  char text[32];
  for (int r = 1; r <= orvelt::kRows; ++r) {
    std::snprintf(text, sizeof text, "%.3f", 0.37 * r - 2.1);
    input.grid1[1][r] = text;
    std::snprintf(text, sizeof text, "%.4e", 1.5 * r * r - 3.25 * r + 0.125 * (r % 3));
    input.grid1[2][r] = text;
  }
  input.grid1[3][7] = "Omit";
  return input;
}

void BM_Compute(benchmark::State& state) {
  const orvelt::GridInput input = FullGrid();
  const auto model = static_cast<orvelt::FitModel>(state.range(0));
  orvelt::DataStore store;
  orvelt::ResultLabels labels;
  for (auto _ : state) {
    auto outcome = orvelt::RunCompute(store, input, model, labels);
    benchmark::DoNotOptimize(outcome);
    benchmark::DoNotOptimize(labels);
  }
}
BENCHMARK(BM_Compute)->DenseRange(0, 3)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
