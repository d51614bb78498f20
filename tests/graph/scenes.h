#pragma once
// Fits of every kind as the compute command leaves them, for whole pictures: series 2, omitted
// rows and deviation bands among them.

#include <utility>
#include <vector>

#include "tests/graph/picture_support.h"

namespace test {

inline Scene LinearScene() {
  return Compute(orvelt::FitModel::Linear,
                 {{"1", "2.1"},
                  {"2", "3.9"},
                  {"3", "6.2"},
                  {"4", "7.8"},
                  {"5", "10.3"},
                  {"6", "11.7"},
                  {"7", "14.2"},
                  {"8", "12", "Omit"},
                  {"9", "18.1"},
                  {"10", "19.8"}},
                 {{"1.5", "4"}, {"3.5", "6.5"}, {"5.5", "12"}, {"7.5", "14"}, {"9.5", ""}}, 1);
}

inline Scene QuadraticScene() {
  return Compute(orvelt::FitModel::Quadratic,
                 {{"-3", "9.5"},
                  {"-2", "3.6"},
                  {"-1", "1.2"},
                  {"0", "-0.4"},
                  {"1", "1.3"},
                  {"2", "4.4"},
                  {"3", "8.6"},
                  {"4", "16.5"}},
                 {}, 2);
}

inline Scene ProportionalScene() {
  return Compute(orvelt::FitModel::Proportional,
                 {{"-10", "-25"}, {"-8", "-19"}, {"-5", "-13"}, {"-3", "-7"}, {"-1", "-2.8"}});
}

inline Scene NoConstantScene() {
  return Compute(
      orvelt::FitModel::QuadraticNoConstant,
      {{"0.5", "-1"}, {"1", "-1.6"}, {"2", "-1.9"}, {"3", "-1.1"}, {"4", "0.9"}, {"5", "4.2"}},
      {{"2.5", "-1"}, {"4.5", "2"}}, 3);
}

// Kelvin with two rows left out, one of them far off the line, and the ±2s lines.
inline Scene OmittedRowsScene() {
  return Compute(orvelt::FitModel::Linear,
                 {{"273.15", "1.21"},
                  {"278.15", "1.36"},
                  {"283.15", "1.52", "Omit"},
                  {"288.15", "1.60"},
                  {"293.15", "1.93"},
                  {"298.15", "2.05"},
                  {"303.15", "2.24"},
                  {"308.15", "1.70", "Omit"},
                  {"313.15", "2.81"}},
                 {}, 2);
}


// The scene of each kind, by name.
inline std::vector<std::pair<const char*, Scene>> KindScenes() {
  return {{"linear", LinearScene()},
          {"proportional", ProportionalScene()},
          {"quadratic", QuadraticScene()},
          {"quadratic_no_constant", NoConstantScene()}};
}

}  // namespace test
