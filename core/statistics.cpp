#include "core/statistics.h"

// Boost.Math's root finders include <iostream> for the output of its instrumented builds alone;
// here that would bring the standard streams' static initialiser, which sets up the streams and
// their locales at every start of the program (a third of a megabyte of the C++ library paged
// in) for nothing. The guard keeps the header out; a use of the streams would not compile.
#define _GLIBCXX_IOSTREAM 1
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/exact.h"

namespace orvelt {

namespace {

// In the integers of the solve: x = X·2^ex, y = Y·2^ey, Ci = N[i] / D. With S = Σ residuals²
// (steps of 2^ey / D) and A = adjugate (the inverse of XᵀX is A / D over 2^-(pi+pj)·ex):
// SSE = S / D² · 2^2ey, s² = SSE / df, SE_i² = s²·A_ii / D · 2^-2·pi·ex, t_i² = N_i²·D·df /
// (S·A_ii), h = Σ A_ij·X^(pi+pj) / D, and the standardised residual² = R²·df·D / (S·(D - H)).

const char* const kNone = "-";

bool HasIntercept(const FormulaKind& kind) {
  return kind.powers[kind.coefficients - 1] == 0;
}

std::string Written(Ext v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6Lg", v);
  return text;
}

std::string Stored(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", static_cast<double>(v));
  return text;
}

// The figures of a fit's quality: p, df, SSE, s, R², adjusted R², and the basis of R².
struct Quality {
  std::string p, df, sse, s, rSquared, adjusted, basis;
};

Quality QualityOf(const ExactRows& rows, const ExactSolution& fit, bool intercept) {
  const long n = rows.usedCount, df = n - fit.Count();
  const long e = 2 * rows.yExponent;
  const mpz_class D2 = fit.D * fit.D;
  Quality q;
  q.p = std::to_string(fit.Count());
  q.df = std::to_string(df);
  q.sse = SignificantText(fit.squares, D2, e);
  q.s = df > 0 ? SignificantTextOfRoot(fit.squares, D2 * df, e) : kNone;
  // SSE / SST = A / B: SST centred, (n·ΣY² - (ΣY)²) / n, or from 0, ΣY².
  const mpz_class sst =
      intercept ? n * rows.sumYSquared - rows.sumXPowerY[0] * rows.sumXPowerY[0] : rows.sumYSquared;
  const mpz_class A = intercept ? n * fit.squares : fit.squares, B = D2 * sst;
  const bool spread = sgn(sst) != 0;
  q.rSquared = spread ? SignificantText(B - A, B) : kNone;
  const long lost = intercept ? n - 1 : n;
  q.adjusted = spread && df > 0 ? SignificantText(df * B - lost * A, df * B) : kNone;
  q.basis = intercept ? "平均" : "原点";
  return q;
}

bool Fits(const ExactRows& rows, FitModel model) {
  return rows.usedCount >= (model == FitModel::Proportional ? 1 : 2);
}

std::vector<std::string> Comparison(FitModel model, const Quality* q) {
  const std::string none = kNone;
  if (!q) return {FormulaText(model), none, none, none, none, none, none, none};
  return {FormulaText(model), q->p, q->df, q->sse, q->s, q->rSquared, q->adjusted, q->basis};
}

using StudentsT = boost::math::students_t_distribution<Ext>;

std::vector<std::string> Coefficient(const char* name, const ExactRows& rows,
                                     const ExactSolution& fit, int i, const StudentsT& t,
                                     Ext t975) {
  const long n = rows.usedCount, df = n - fit.Count();
  const long e = rows.yExponent - fit.Power(i) * rows.xExponent;
  const std::string value = SignificantText(fit.N[i], fit.D, e);
  if (df == 0) return {name, value, kNone, kNone, kNone, kNone, kNone};
  if (sgn(fit.squares) == 0) return {name, value, "0", kNone, kNone, value, value};
  const mpz_class& A = fit.adjugate[i][i];
  const mpz_class seNum = fit.squares * A, seDen = fit.D * fit.D * fit.D * df;
  const mpz_class tNum = fit.N[i] * fit.N[i] * fit.D * df;
  const Ext se = std::sqrt(Approximately(seNum, seDen, 2 * e));
  const Ext tValue = std::sqrt(Approximately(tNum, seNum));
  const Ext p = 2 * cdf(complement(t, tValue));
  const Ext centre = Approximately(fit.N[i], fit.D, e), half = t975 * se;
  return {name,
          value,
          SignificantTextOfRoot(seNum, seDen, 2 * e),
          SignificantTextOfRoot(tNum, seNum, 0, sgn(fit.N[i]) < 0),
          Written(p),
          Written(centre - half),
          Written(centre + half)};
}

// h(x0)·D as a polynomial in X0 (x0 = X0·2^ex): Σ C_k·X0^k. Without a constant every column
// holds x0, so X0² divides it; the rest is moved to X0 - M: X0^z·Σ E_j·(X0 - M)^j.
BandWidths Bands(const ExactRows& rows, const ExactSolution& fit, long df, Ext t975) {
  BandWidths bands;
  bands.exist = true;
  bands.t975 = t975;
  bands.s = std::sqrt(Approximately(fit.squares, fit.D * fit.D * df, 2 * rows.yExponent));
  std::array<mpz_class, 5> C;
  for (int i = 0; i < fit.Count(); ++i)
    for (int j = 0; j < fit.Count(); ++j) C[fit.Power(i) + fit.Power(j)] += fit.adjugate[i][j];
  const int z = HasIntercept(*fit.columns) ? 0 : 2;
  bands.originPower = z;
  // The centre: the mean of the used X to 24 bits, which the extended format holds exactly.
  mpz_class M;
  mpz_fdiv_q_ui(M.get_mpz_t(), rows.sumXPower[1].get_mpz_t(),
                static_cast<unsigned long>(rows.usedCount));
  const long extra = static_cast<long>(mpz_sizeinbase(M.get_mpz_t(), 2)) - 24;
  if (extra > 0) {
    mpz_tdiv_q_2exp(M.get_mpz_t(), M.get_mpz_t(), static_cast<mp_bitcnt_t>(extra));
    mpz_mul_2exp(M.get_mpz_t(), M.get_mpz_t(), static_cast<mp_bitcnt_t>(extra));
  }
  bands.centre = Approximately(M, 1, rows.xExponent);
  static constexpr int kBinomial[5][5] = {{1}, {1, 1}, {1, 2, 1}, {1, 3, 3, 1}, {1, 4, 6, 4, 1}};
  for (int j = 0; j + z < 5; ++j) {
    mpz_class E, power = 1;
    for (int k = j; k + z < 5; ++k) {
      E += C[k + z] * kBinomial[k][j] * power;
      power *= M;
    }
    bands.leverage[j] = Approximately(E, fit.D, -(j + z) * rows.xExponent);
  }
  return bands;
}

}  // namespace

Ext BandWidths::Leverage(Ext x0) const {
  const Ext u = x0 - centre;
  Ext h = 0;
  for (int j = 4; j >= 0; --j) h = h * u + leverage[j];
  for (int i = 0; i < originPower; ++i) h *= x0;
  return h < 0 ? 0 : h;
}

Ext BandWidths::Confidence(Ext x0) const {
  return t975 * s * std::sqrt(Leverage(x0));
}

Ext BandWidths::Prediction(Ext x0) const {
  return t975 * s * std::sqrt(1 + Leverage(x0));
}

FitStatistics Statistics(const DataStore& store, const ExactRows& rows, const ExactSolution& fit,
                         FitModel model, const std::vector<int>& gridRows) {
  FitStatistics st;
  const FormulaKind& kind = KindOf(model);
  const bool intercept = HasIntercept(kind);
  const long n = rows.usedCount, df = n - fit.Count();
  const Quality q = QualityOf(rows, fit, intercept);
  const std::string deviation =
      n > 1 ? SignificantTextOfRoot(fit.squares, fit.D * fit.D * (n - 1), 2 * rows.yExponent)
            : kNone;
  st.summary = {{"式", FormulaText(model)},
                {"データ数 n", std::to_string(n)},
                {"係数の数 p", q.p},
                {"自由度 n-p", q.df},
                {"残差平方和", q.sse},
                {"回帰の標準誤差 s", q.s},
                {"標準偏差 (n-1)", deviation},
                {"決定係数 R^2", q.rSquared},
                {"自由度調整済み R^2", q.adjusted},
                {"R^2 の基準", q.basis}};

  // Without degrees of freedom there is no t distribution, and no figure needs one.
  const StudentsT t(static_cast<Ext>(df > 0 ? df : 1));
  const Ext t975 = df > 0 ? quantile(complement(t, 0.025L)) : 0;
  st.coefficients.header = {"係数", "値", "標準誤差", "t 値", "p 値", "95% 下限", "95% 上限"};
  const char* names[] = {"a", "b", "c"};
  for (int j = 0; j < kind.coefficients; ++j) {
    int column = -1;
    for (int i = 0; i < fit.Count(); ++i)
      if (fit.Power(i) == kind.powers[j]) column = i;
    // a of the parabola through two points is no estimate.
    if (column < 0) {
      st.coefficients.rows.push_back({names[j], "0", kNone, kNone, kNone, kNone, kNone});
      continue;
    }
    st.coefficients.rows.push_back(Coefficient(names[j], rows, fit, column, t, t975));
  }

  st.residuals.header = {"No.", "x", "y", "予測値", "残差", "標準化残差", "てこ比", ""};
  const bool scattered = df > 0 && sgn(fit.squares) != 0;
  for (std::size_t k = 0; k < rows.y.size(); ++k) {
    const mpz_class& R = fit.residuals[k];
    std::vector<std::string> line = {std::to_string(gridRows[k]), Stored(store.X1[k + 1]),
                                     Stored(store.Y1[k + 1]),
                                     SignificantText(rows.y[k] * fit.D - R, fit.D, rows.yExponent),
                                     SignificantText(R, fit.D, rows.yExponent)};
    int off = 0;
    if (rows.used[k]) {
      mpz_class H;
      for (int i = 0; i < fit.Count(); ++i)
        for (int j = 0; j < fit.Count(); ++j)
          H += fit.adjugate[i][j] * rows.xPowers[k][fit.Power(i) + fit.Power(j)];
      const mpz_class rest = fit.D - H;
      if (scattered && sgn(rest) != 0) {
        const mpz_class num = R * R * df * fit.D, den = fit.squares * rest;
        line.push_back(SignificantTextOfRoot(num, den, 0, sgn(R) < 0));
        off = num > 9 * den ? 3 : num > 4 * den ? 2 : 0;
      } else {
        line.push_back(kNone);
      }
      line.push_back(SignificantText(H, fit.D));
      line.push_back("");
    } else {
      line.insert(line.end(), {"", "", "Omit"});
    }
    st.residuals.rows.push_back(std::move(line));
    st.residualsOff.push_back(off);
    st.residualValues.push_back(Approximately(R, fit.D, rows.yExponent));
  }

  st.comparison.header = {
      "式",           "係数の数 p",         "自由度",    "残差平方和", "回帰の標準誤差 s",
      "決定係数 R^2", "自由度調整済み R^2", "R^2 の基準"};
  for (int m = 0; m < kFitModels; ++m) {
    const auto other = static_cast<FitModel>(m);
    if (other == model) {
      st.comparison.rows.push_back(Comparison(other, &q));
      continue;
    }
    std::optional<Quality> quality;
    if (Fits(rows, other)) {
      const ExactSolution solution = SolveExactly(rows, FittedColumns(other, rows.usedCount));
      if (solution.Unique()) quality = QualityOf(rows, solution, HasIntercept(KindOf(other)));
    }
    st.comparison.rows.push_back(Comparison(other, quality ? &*quality : nullptr));
  }

  if (df > 0) st.bands = Bands(rows, fit, df, t975);
  return st;
}

std::string StatisticsText(const FitStatistics& st) {
  constexpr const char* kEnd = "\r\n";
  std::string text;
  auto line = [&](const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? "\t" : "") + fields[i];
    text += kEnd;
  };
  for (const auto& [caption, figure] : st.summary) line({caption, figure});
  for (const StatisticsTable* table : {&st.coefficients, &st.residuals, &st.comparison}) {
    text += kEnd;
    line(table->header);
    for (const auto& row : table->rows) line(row);
  }
  return text;
}

}  // namespace orvelt
