#pragma once
// Least-squares fits of the four formula kinds, solved exactly, and the compute command's path.

#include <optional>
#include <string>
#include <string_view>

#include "core/datastore.h"
#include "core/formula.h"

namespace orvelt {

// The ranges the checks and the graph read: every complete series-1 row, omitted rows included,
// and, when series 2 is plotted, all twenty series-2 slots.
struct FitSums {
  float XMax = 0, XMin = 0, YMax = 0, YMin = 0;
};

// Needs Count1 >= 1.
void AccumulateSums(FitSums& sums, const DataStore& store, bool plotSeries2);

// The figures of a fit, each the 32-bit value nearest to the exact least-squares figure of the
// used pairs as stored; the coefficients a kind lacks are 0.
struct FitFigures {
  float a = 0, b = 0, c = 0;
  std::optional<float> stdDev;  // with a divisor of UsedCount - 1, for UsedCount > 2 only
};

// Fits `model` to the used series-1 pairs of the store. Throws CommandError with the invalid
// operation's message when the fit is not unique (0/0 in exact arithmetic), and with the
// overflow message when a figure lies beyond the 32-bit range.
FitFigures FitExactly(const DataStore& store, FitModel model);

// The standard deviation as the results box shows it. Only for UsedCount > 2.
std::string StdDevText(const DataStore& store, FitModel model);

// y at the x typed in `xText` by `model`'s formula with the stored coefficients, as the y box shows
// it; nothing when the text is not a number. An x beyond the 32-bit range throws CommandError.
std::optional<std::string> YCalculation(const DataStore& store, FitModel model,
                                        std::string_view xText);

struct ComputeOutcome {
  std::optional<Refusal> refusal;  // the check that stopped the command, if any
  FitSums sums;                    // the ranges for the graph, once fitted
};

// The compute command without its window: reset the coefficients, read the grids, check, fit and
// write the labels. A fault stops it with the coefficients 0 and the labels as reset.
ComputeOutcome RunCompute(DataStore& store, const GridInput& input, FitModel model,
                          ResultLabels& labels);

}  // namespace orvelt
