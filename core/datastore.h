#pragma once
// The program's one piece of state, and the reading of the two grids into it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/arith.h"

namespace orvelt {

inline constexpr int kRows = 20;

struct DataStore {
  float CoefA = 0, CoefB = 0, CoefC = 0;
  // Series 1 is packed by complete row, series 2 kept by grid row; both indexed from 1.
  std::array<float, kRows + 1> X1{}, Y1{}, Use1{};
  std::array<float, kRows + 1> X2{}, Y2{};
  std::int32_t Count1 = 0, OmitCount1 = 0;

  int UsedCount() const { return Count1 - OmitCount1; }
};

// Cell texts of one grid as [column][row]; row 0 and column 0 are the headers.
using GridCells = std::array<std::array<std::string, kRows + 1>, 4>;

// What the compute command reads from the window.
struct GridInput {
  GridCells grid1;           // series 1: x, y and the Omit mark in columns 1 to 3
  GridCells grid2;           // series 2: x and y in columns 1 and 2
  bool plotSeries2 = false;  // CheckBox1
};

// An error box that ends a command: its text and its left offset from the main window (top + 150).
struct Refusal {
  std::string text;
  int left = 0;
};

// Fills the store from the grids. Returns the box for the first cell that is not a number;
// a number beyond the 32-bit range throws CommandError. Either way the store keeps what was read.
std::optional<Refusal> ReadGrids(DataStore& store, const GridInput& input);

void ResetCoefficients(DataStore& store);
// The store's part of erasing: series 1 also drops the coefficients.
void ClearSeries1(DataStore& store);
void ClearSeries2(DataStore& store);
void ClearAllSeries(DataStore& store);

}  // namespace orvelt
