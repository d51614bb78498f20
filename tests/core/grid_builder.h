#pragma once
// Compact construction of grid contents for the core tests.

#include <initializer_list>
#include <string>

#include "core/datastore.h"

struct Row1 {
  int row;
  const char* x;
  const char* y;
  const char* omit = "";
};
struct Row2 {
  int row;
  const char* x;
  const char* y;
};

inline orvelt::GridInput Grids(std::initializer_list<Row1> series1,
                               std::initializer_list<Row2> series2 = {}, bool plotSeries2 = false) {
  orvelt::GridInput input;
  for (const Row1& r : series1) {
    input.grid1[1][r.row] = r.x;
    input.grid1[2][r.row] = r.y;
    input.grid1[3][r.row] = r.omit;
  }
  for (const Row2& r : series2) {
    // Built, then moved in: g++ 12 warns falsely (-Wrestrict) on assigning the pointer here.
    input.grid2[1][r.row] = std::string(r.x);
    input.grid2[2][r.row] = std::string(r.y);
  }
  input.plotSeries2 = plotSeries2;
  return input;
}
