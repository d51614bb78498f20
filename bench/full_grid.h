#pragma once
// A full grid for the benchmarks: 20 pairs in each series near a parabola, one row marked Omit.

#include <cstdio>

#include "core/datastore.h"

inline orvelt::GridInput FullGrids(bool plotSeries2) {
  orvelt::GridInput input;
  char text[32];
  for (int r = 1; r <= orvelt::kRows; ++r) {
    std::snprintf(text, sizeof text, "%.3f", 0.37 * r - 2.1);
    input.series1[r][orvelt::kColumnX] = input.series2[r][orvelt::kColumnX] = text;
    std::snprintf(text, sizeof text, "%.4e", 1.5 * r * r - 3.25 * r + 2.5 * (r % 3));
    input.series1[r][orvelt::kColumnY] = text;
    std::snprintf(text, sizeof text, "%.4e", 1.4 * r * r - 2.5 * r - 4.0 * (r % 2));
    input.series2[r][orvelt::kColumnY] = text;
  }
  input.series1[7][orvelt::kColumnOmit] = "Omit";
  input.plotSeries2 = plotSeries2;
  return input;
}
