#pragma once
// Least-squares fits of the four formula kinds, solved exactly, and what is worked out of them.

#include <optional>
#include <string>
#include <string_view>

#include "core/datastore.h"
#include "core/formula.h"
#include "core/lsq.h"

namespace orvelt {

// The largest and smallest x and y the checks and the graph read.
struct DataRanges {
  float XMax = 0, XMin = 0, YMax = 0, YMin = 0;
};

// The ranges over every complete series-1 row, omitted rows included, and, when series 2 is
// plotted, all twenty series-2 slots. Needs Count1 >= 1.
DataRanges AccumulateRanges(const DataStore& store, bool plotSeries2);

// The figures of a fit, each the 32-bit value nearest to the exact least-squares figure of the
// used pairs as stored; the coefficients a kind lacks are 0.
struct FitFigures {
  float a = 0, b = 0, c = 0;
  std::optional<float> stdDev;  // with a divisor of UsedCount - 1, for UsedCount > 2 only

  bool operator==(const FitFigures&) const = default;
};

// Fits `model` to the used series-1 pairs of the store. Throws CommandError with the invalid
// operation's message when the fit is not unique (0/0 in exact arithmetic), and with the
// overflow message when a figure lies beyond the 32-bit range.
FitFigures FitExactly(const DataStore& store, FitModel model);
// The same figures of a solution of `model`'s columns (FittedColumns) over `rows`.
FitFigures RoundedFigures(const ExactRows& rows, const ExactSolution& solution, FitModel model);

// y at the x typed in `xText` by `model`'s formula with the figures' coefficients, as the y box
// shows it; nothing when the text is not a number. An x beyond the 32-bit range throws
// CommandError.
std::optional<std::string> YCalculation(const FitFigures& figures, FitModel model,
                                        std::string_view xText);

}  // namespace orvelt
