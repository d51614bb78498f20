#pragma once
// The cells of one series as its grid holds them, with the grid's columns named.

#include <array>
#include <string>

namespace orvelt {

inline constexpr int kRows = 20;

// The grid's columns: the row labels, x, y and the Omit mark, which series 2 has not. Row 0 holds
// the headers.
inline constexpr int kLabelColumn = 0, kColumnX = 1, kColumnY = 2, kColumnOmit = 3;
inline constexpr int kColumns = 4;

// Cell texts as [row][column], indexed like the grid. The core reads them as UTF-8 (GridCells);
// the windows and the data files keep them as UTF-16 (GridTexts, files/seriesfile.h), in which a
// byte of a data file that reads as no character survives.
template <class Text>
using CellGrid = std::array<std::array<Text, kColumns>, kRows + 1>;
using GridCells = CellGrid<std::string>;

}  // namespace orvelt
