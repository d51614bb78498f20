// The compute command's path on a full grid: read 20 rows, sums, fit, standard deviation.
#include <benchmark/benchmark.h>

#include "bench/full_grid.h"
#include "core/fit.h"

namespace {

void BM_Compute(benchmark::State& state) {
  const orvelt::GridInput input = FullGrids(false);
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
