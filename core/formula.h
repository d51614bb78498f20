#pragma once
// What a formula kind is, in one place: its text, the coefficients it has, the result lines it
// shows and the curve its coefficients make. The fit, the report, the graph, the y calculation
// and the window all read it here.

#include <array>
#include <string>
#include <vector>

#include "core/arith.h"

namespace orvelt {

// The formula kinds, in the order the window offers them.
enum class FitModel { Linear = 0, Proportional = 1, Quadratic = 2, QuadraticNoConstant = 3 };
inline constexpr int kFitModels = 4;

struct FormulaKind {
  const char* text;           // "y = ax^2 + bx + c"
  int coefficients;           // a only; a and b; or a, b and c
  std::array<int, 3> powers;  // the power of x that a, b and c multiply, for those it has

  // The kinds with a square take a, b, c as the curve's q2, q1, q0; the others a, b as q1, q0.
  bool HasSquare() const { return powers[0] == 2; }
};

const FormulaKind& KindOf(FitModel model);

// "y = ax + b", "y = ax", "y = ax^2 + bx + c", "y = ax^2 + bx".
inline const char* FormulaText(FitModel model) {
  return KindOf(model).text;
}

// y = q2·x² + q1·x + q0, any fitted formula as the graph samples it.
struct Curve {
  Ext q2 = 0, q1 = 0, q0 = 0;

  Ext At(Ext x) const { return ((q2 * x) * x + q1 * x) + q0; }
};

// The curve of `model` made of the stored coefficients. All three are read whatever the kind
// has: the selector is not tied to the fit that stored them.
Curve CurveOf(FitModel model, float a, float b, float c);

// The five texts of the results box: a, b, c, the count and the standard deviation. Bare captions
// until a fit has written them.
struct ResultTexts {
  std::string a = "a =";
  std::string b = "b =";
  std::string c = "c =";
  std::string count = "data :";
  std::string stdDev = "標準偏差 =";

  bool operator==(const ResultTexts&) const = default;
};

// The lines a report or picture repeats of the results box for `model`, in order: the
// coefficients the kind has, then the count. The deviation line follows them.
std::vector<std::string> ResultLines(FitModel model, const ResultTexts& shown);

}  // namespace orvelt
