#pragma once
// The compute command without its window: the grids read into the store, the checks, the fit, and
// everything the window, the graph and the report show of it, in one value.

#include <memory>
#include <optional>
#include <vector>

#include "core/datastore.h"
#include "core/fit.h"
#include "core/formula.h"
#include "core/statistics.h"

namespace orvelt {

// A pair as the graph plots it.
struct PlotPoint {
  float x = 0, y = 0;
  bool used = true;  // false for a series-1 row marked Omit

  bool operator==(const PlotPoint&) const = default;
};

// One successful compute, whole; nothing changes it afterwards.
struct FitResult {
  FitModel model = FitModel::Linear;  // the kind fitted
  FitFigures figures;                 // as stored; the deviation for more than two pairs only
  int usedCount = 0;
  // The deviation as the results box shows it, to 5 decimals: the bands are drawn at multiples of
  // it. 0 without a deviation.
  Ext shownStdDev = 0;
  DataRanges ranges;
  std::vector<PlotPoint> series1;  // every complete row, in grid order
  std::vector<PlotPoint> series2;  // the complete rows, when series 2 is plotted
  ResultTexts texts;               // the results box
  FitStatistics statistics;        // how good the fit is
};

struct ComputeOutcome {
  std::optional<Refusal> refusal;           // the check that stopped the command, if any
  std::shared_ptr<const FitResult> result;  // otherwise, the fit
};

// Reads the grids into the store, checks, fits `model`. A fault of the arithmetic throws
// CommandError, leaving the store as read.
ComputeOutcome RunCompute(DataStore& store, const GridInput& input, FitModel model);

}  // namespace orvelt
