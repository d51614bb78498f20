// The compute command's path on a full grid: read 20 rows, ranges, exact fit, standard
// deviation, statistics; the exact fit alone, on data near 0 and on years; and the statistics
// alone.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/full_grid.h"
#include "core/compute.h"
#include "core/statistics.h"

namespace {

void BM_Compute(benchmark::State& state) {
  const orvelt::GridInput input = FullGrids(false);
  const auto model = static_cast<orvelt::FitModel>(state.range(0));
  orvelt::DataStore store;
  for (auto _ : state) {
    auto outcome = orvelt::RunCompute(store, input, model);
    benchmark::DoNotOptimize(outcome);
  }
}
BENCHMARK(BM_Compute)->DenseRange(0, 3)->Repetitions(5)->ReportAggregatesOnly(true);

// 20 used pairs already in the store: the exact solve and the rounding of its figures.
void BM_FitExactly(benchmark::State& state) {
  orvelt::DataStore store;
  orvelt::GridInput input = FullGrids(false);
  input.series1[7][orvelt::kColumnOmit].clear();
  if (state.range(1) != 0) {  // years, with y in the hundreds
    for (int r = 1; r <= orvelt::kRows; ++r) {
      input.series1[r][orvelt::kColumnX] = std::to_string(2000 + r);
      input.series1[r][orvelt::kColumnY] = std::to_string(370 + 2.2 * r + 0.01 * r * r);
    }
  }
  const auto model = static_cast<orvelt::FitModel>(state.range(0));
  orvelt::ReadGrids(store, input);
  for (auto _ : state) benchmark::DoNotOptimize(orvelt::FitExactly(store, model));
}
BENCHMARK(BM_FitExactly)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->ArgNames({"kind", "years"})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The statistics of 20 used pairs from the solve the fit made: every figure, the three other
// kinds compared, Student's t and the bands' leverage.
void BM_Statistics(benchmark::State& state) {
  orvelt::DataStore store;
  orvelt::GridInput input = FullGrids(false);
  input.series1[7][orvelt::kColumnOmit].clear();
  if (state.range(1) != 0) {
    for (int r = 1; r <= orvelt::kRows; ++r) {
      input.series1[r][orvelt::kColumnX] = std::to_string(2000 + r);
      input.series1[r][orvelt::kColumnY] = std::to_string(370 + 2.2 * r + 0.01 * r * r);
    }
  }
  const auto model = static_cast<orvelt::FitModel>(state.range(0));
  orvelt::ReadGrids(store, input);
  const orvelt::ExactRows rows = orvelt::RowsOf(store);
  const orvelt::ExactSolution solution =
      orvelt::SolveExactly(rows, orvelt::FittedColumns(model, rows.usedCount));
  std::vector<int> gridRows;
  for (int r = 1; r <= orvelt::kRows; ++r) gridRows.push_back(r);
  for (auto _ : state)
    benchmark::DoNotOptimize(orvelt::Statistics(store, rows, solution, model, gridRows));
}
BENCHMARK(BM_Statistics)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->ArgNames({"kind", "years"})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
