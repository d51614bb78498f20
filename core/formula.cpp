#include "core/formula.h"

namespace orvelt {

const FormulaKind& KindOf(FitModel model) {
  static constexpr FormulaKind kKinds[kFitModels] = {
      {"y = ax + b", 2, {1, 0}},
      {"y = ax", 1, {1}},
      {"y = ax^2 + bx + c", 3, {2, 1, 0}},
      {"y = ax^2 + bx", 2, {2, 1}},
  };
  return kKinds[static_cast<int>(model)];
}

Curve CurveOf(FitModel model, float a, float b, float c) {
  if (KindOf(model).HasSquare()) return {a, b, c};
  return {0, a, b};
}

std::vector<std::string> ResultLines(FitModel model, const ResultTexts& shown) {
  const std::string* coefficients[] = {&shown.a, &shown.b, &shown.c};
  std::vector<std::string> lines;
  for (int i = 0; i < KindOf(model).coefficients; ++i) lines.push_back(*coefficients[i]);
  lines.push_back(shown.count);
  return lines;
}

}  // namespace orvelt
