#include "core/datastore.h"

#include "core/number.h"

namespace orvelt {

namespace {

constexpr int kReadBoxLeft = 130;

Refusal NotANumber(const char* series, int row, const char* cell) {
  return {std::string("正しい数字ではありません\n\n") + series + "Data No. " + std::to_string(row) +
              " の " + cell,
          kReadBoxLeft};
}

}  // namespace

std::optional<Refusal> ReadGrids(DataStore& store, const GridInput& input) {
  store.Count1 = 0;
  store.OmitCount1 = 0;
  for (int r = 1; r <= kRows; ++r) {
    const auto& g1 = input.grid1;
    if (!g1[1][r].empty() && !g1[2][r].empty()) {
      const ParsedNumber x = ParseNumber(g1[1][r]);
      if (!x.valid) return NotANumber("  ", r, "x");
      const ParsedNumber y = ParseNumber(g1[2][r]);
      if (!y.valid) return NotANumber("  ", r, "y");
      // Both values are rounded before anything is stored, so an overflow leaves the row out.
      const float xs = StoreNumber(x), ys = StoreNumber(y);
      const int k = ++store.Count1;
      store.X1[k] = xs;
      store.Y1[k] = ys;
      if (g1[3][r].empty()) {
        store.Use1[k] = 1;
      } else {
        store.Use1[k] = 0;
        ++store.OmitCount1;
      }
    }
    const auto& g2 = input.grid2;
    if (input.plotSeries2 && !g2[1][r].empty() && !g2[2][r].empty()) {
      const ParsedNumber x = ParseNumber(g2[1][r]);
      if (!x.valid) return NotANumber("系列２ ", r, "x");
      const ParsedNumber y = ParseNumber(g2[2][r]);
      if (!y.valid) return NotANumber("系列２ ", r, "y");
      const float xs = StoreNumber(x), ys = StoreNumber(y);
      store.X2[r] = xs;
      store.Y2[r] = ys;
    }
  }
  return std::nullopt;
}

void ResetCoefficients(DataStore& store) {
  store.CoefA = store.CoefB = store.CoefC = 0;
}

void ClearSeries1(DataStore& store) {
  ResetCoefficients(store);
  store.X1.fill(0);
  store.Y1.fill(0);
  store.Use1.fill(0);
  store.Count1 = 0;
  store.OmitCount1 = 0;
}

void ClearSeries2(DataStore& store) {
  store.X2.fill(0);
  store.Y2.fill(0);
}

void ClearAllSeries(DataStore& store) {
  ClearSeries1(store);
  ClearSeries2(store);
}

}  // namespace orvelt
