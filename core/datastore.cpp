#include "core/datastore.h"

#include "core/number.h"

namespace orvelt {

namespace {

// A complete row's two values, or the refusal of its first cell that is not a number.
std::optional<Refusal> ReadPair(const GridCells& cells, int series, int row, float& x, float& y) {
  const ParsedNumber px = ParseNumber(cells[row][kColumnX]);
  if (!px.valid) return RefuseAbout(kNotANumber, CellName(series, row, kColumnX));
  const ParsedNumber py = ParseNumber(cells[row][kColumnY]);
  if (!py.valid) return RefuseAbout(kNotANumber, CellName(series, row, kColumnY));
  // Both values are rounded before anything is stored, so an overflow leaves the row out.
  x = StoreNumber(px);
  y = StoreNumber(py);
  return std::nullopt;
}

bool Complete(const GridCells& cells, int row) {
  return !cells[row][kColumnX].empty() && !cells[row][kColumnY].empty();
}

}  // namespace

std::optional<Refusal> ReadGrids(DataStore& store, const GridInput& input) {
  store.Count1 = 0;
  store.OmitCount1 = 0;
  for (int r = 1; r <= kRows; ++r) {
    float x = 0, y = 0;
    if (Complete(input.series1, r)) {
      if (auto refusal = ReadPair(input.series1, 1, r, x, y)) return refusal;
      const int k = ++store.Count1;
      store.X1[k] = x;
      store.Y1[k] = y;
      const bool omitted = !input.series1[r][kColumnOmit].empty();
      store.Use1[k] = omitted ? 0 : 1;
      store.OmitCount1 += omitted;
    }
    if (input.plotSeries2 && Complete(input.series2, r)) {
      if (auto refusal = ReadPair(input.series2, 2, r, x, y)) return refusal;
      store.X2[r] = x;
      store.Y2[r] = y;
    }
  }
  return std::nullopt;
}

void ClearSeries1(DataStore& store) {
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

}  // namespace orvelt
