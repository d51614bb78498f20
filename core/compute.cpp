#include "core/compute.h"

#include "core/number.h"

namespace orvelt {

namespace {

std::string ResultText(float value) {
  return FormatNumber(value, kResultWidth, kResultDecimals);
}

std::optional<Refusal> CheckCount(FitModel model, int used) {
  if (model == FitModel::Proportional && used < 1) return Refuse(kTooFewPairsForOne);
  if (model != FitModel::Proportional && used < 2) return Refuse(kTooFewPairsForTwo);
  return std::nullopt;
}

// Over the ranges, which see omitted rows and series 2 too.
std::optional<Refusal> CheckX(const DataRanges& ranges, int used) {
  if (ranges.XMax == 0 && used == 1) return Refuse(kOnlyZeroX);
  if (ranges.XMax == ranges.XMin && used != 1) return Refuse(kAllSameX);
  return std::nullopt;
}

ResultTexts Texts(FitModel model, const FitFigures& figures, int used) {
  ResultTexts texts;
  const float coefficients[] = {figures.a, figures.b, figures.c};
  std::string* lines[] = {&texts.a, &texts.b, &texts.c};
  const char* names[] = {"a =", "b =", "c ="};
  for (int i = 0; i < 3; ++i)
    *lines[i] = i < KindOf(model).coefficients ? names[i] + ResultText(coefficients[i]) : "";
  texts.count = "data : " + std::to_string(used) + " 組";
  if (figures.stdDev) texts.stdDev += ResultText(*figures.stdDev);
  return texts;
}

}  // namespace

ComputeOutcome RunCompute(DataStore& store, const GridInput& input, FitModel model) {
  ComputeOutcome outcome;
  outcome.refusal = ReadGrids(store, input);
  if (outcome.refusal) return outcome;

  const int used = store.UsedCount();
  outcome.refusal = CheckCount(model, used);
  if (outcome.refusal) return outcome;
  const DataRanges ranges = AccumulateRanges(store, input.plotSeries2);
  outcome.refusal = CheckX(ranges, used);
  if (outcome.refusal) return outcome;

  auto result = std::make_shared<FitResult>();
  result->model = model;
  const ExactRows rows = RowsOf(store);
  const ExactSolution solution = SolveExactly(rows, FittedColumns(model, used));
  result->figures = RoundedFigures(rows, solution, model);
  result->usedCount = used;
  if (const auto& s = result->figures.stdDev)
    result->shownStdDev = ShownValue(*s, kResultWidth, kResultDecimals);
  result->ranges = ranges;
  for (int k = 1; k <= store.Count1; ++k)
    result->series1.push_back({store.X1[k], store.Y1[k], store.Use1[k] != 0});
  if (input.plotSeries2) {
    for (int r = 1; r <= kRows; ++r) {
      const auto& row = input.series2[r];
      if (!row[kColumnX].empty() && !row[kColumnY].empty())
        result->series2.push_back({store.X2[r], store.Y2[r]});
    }
  }
  result->texts = Texts(model, result->figures, used);
  std::vector<int> gridRows;
  for (int r = 1; r <= kRows; ++r) {
    if (!input.series1[r][kColumnX].empty() && !input.series1[r][kColumnY].empty())
      gridRows.push_back(r);
  }
  result->statistics = Statistics(store, rows, solution, model, gridRows);
  outcome.result = std::move(result);
  return outcome;
}

}  // namespace orvelt
