#pragma once
// Compact construction of grid contents for the core tests.

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

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
  for (const Row1& r : series1) input.series1[r.row] = {"", r.x, r.y, r.omit};
  for (const Row2& r : series2) input.series2[r.row] = {"", r.x, r.y, ""};
  input.plotSeries2 = plotSeries2;
  return input;
}

// Series 1 from (x, y) texts, in rows 1, 2, ...
inline orvelt::GridInput Pairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
  orvelt::GridInput input;
  int r = 0;
  for (const auto& [x, y] : pairs) {
    ++r;
    input.series1[r][orvelt::kColumnX] = x;
    input.series1[r][orvelt::kColumnY] = y;
  }
  return input;
}

// x from `first` on, one a row, against the y texts.
inline orvelt::GridInput Years(int first, const std::vector<std::string>& ys) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const std::string& y : ys) pairs.emplace_back(std::to_string(first++), y);
  return Pairs(pairs);
}

// Annual mean CO2 at Mauna Loa in ppm, 2001 to 2020.
inline const std::vector<std::string> kCarbonDioxide = {
    "371.32", "373.45", "375.98", "377.70", "379.98", "382.09", "384.02",
    "385.83", "387.64", "390.10", "391.85", "394.06", "396.74", "398.81",
    "401.01", "404.41", "406.76", "408.72", "411.65", "414.21"};
