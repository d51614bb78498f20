#pragma once
// The series as the last compute read them, and the reading of the two grids into them.

#include <array>
#include <cstdint>
#include <optional>

#include "core/cells.h"
#include "core/messages.h"

namespace orvelt {

struct DataStore {
  // Series 1 is packed by complete row, series 2 kept by grid row; both indexed from 1. A series-2
  // slot keeps its values until a reading writes it again or series 2 is erased.
  std::array<float, kRows + 1> X1{}, Y1{}, Use1{};
  std::array<float, kRows + 1> X2{}, Y2{};
  std::int32_t Count1 = 0, OmitCount1 = 0;

  int UsedCount() const { return Count1 - OmitCount1; }
};

// What the compute command reads of the grids.
struct GridInput {
  GridCells series1;         // x, y and the Omit mark
  GridCells series2;         // x and y
  bool plotSeries2 = false;  // series 2 is read and plotted too
};

// Fills the store from the grids. Returns the refusal of the first cell that is not a number; a
// number beyond the 32-bit range throws CommandError. Either way the store keeps what was read.
std::optional<Refusal> ReadGrids(DataStore& store, const GridInput& input);

// The store's part of erasing a series.
void ClearSeries1(DataStore& store);
void ClearSeries2(DataStore& store);

}  // namespace orvelt
