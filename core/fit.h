#pragma once
// Least-squares fits of the four formula kinds, in closed form, and the compute command's path.

#include <optional>
#include <string>
#include <string_view>

#include "core/datastore.h"

namespace orvelt {

// The selected item of RadioGroup1.
enum class FitModel { Linear = 0, Proportional = 1, Quadratic = 2, QuadraticNoConstant = 3 };

// "y = ax + b", "y = ax", "y = ax^2 + bx + c", "y = ax^2 + bx".
const char* FormulaText(FitModel model);

struct FitSums {
  float SumX4 = 0, SumX3 = 0, SumX2 = 0, SumX = 0, SumX2Y = 0, SumXY = 0, SumY = 0, SumN = 0;
  float XMax = 0, XMin = 0, YMax = 0, YMin = 0;
};

// Sums over the used series-1 pairs; ranges over every complete series-1 row and, when series 2
// is plotted, all twenty series-2 slots. Needs Count1 >= 1.
void AccumulateSums(FitSums& sums, const DataStore& store, bool plotSeries2);

// Solves `model` and stores CoefA, CoefB, CoefC. Throws CommandError on a floating-point fault.
void FitCoefficients(DataStore& store, const FitSums& sums, FitModel model);

// Standard deviation of the residuals of the used pairs (divisor UsedCount - 1), as the results
// box shows it. Only for UsedCount > 2.
std::string StdDevText(const DataStore& store, FitModel model);

// The five result labels, Label2 to Label6.
struct ResultLabels {
  std::string a = "a =";
  std::string b = "b =";
  std::string c = "c =";
  std::string count = "data :";
  std::string stdDev = "標準偏差 =";

  bool operator==(const ResultLabels&) const = default;
};

// y at the x typed in `xText` by `model`'s formula with the stored coefficients, as the y box shows
// it; nothing when the text is not a number. An x beyond the 32-bit range throws CommandError.
std::optional<std::string> YCalculation(const DataStore& store, FitModel model,
                                        std::string_view xText);

struct ComputeOutcome {
  std::optional<Refusal> refusal;  // the check that stopped the command, if any
  FitSums sums;                    // the ranges for the graph, once fitted
};

// The compute command without its window: reset the coefficients, read the grids, check, fit and
// write the labels. `labels` is written as the command goes, so after a CommandError it shows how
// far the command got.
ComputeOutcome RunCompute(DataStore& store, const GridInput& input, FitModel model,
                          ResultLabels& labels);

}  // namespace orvelt
