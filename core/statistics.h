#pragma once
// How good a fit is: the fit's quality, its coefficients' standard errors and 95 % intervals,
// each row's residual and leverage, and the four formula kinds on the same pairs. Every figure
// that is rational or the root of a rational is the 6-digit decimal nearest to its exact value;
// p values and interval bounds come from Student's t. "-" stands for a figure that does not exist.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/arith.h"
#include "core/datastore.h"
#include "core/lsq.h"

namespace orvelt {

// A part of the statistics as its lines read: the captions, then the figures of each line.
struct StatisticsTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;

  bool operator==(const StatisticsTable&) const = default;
};

// What the 95 % bands of the mean response and of a new measurement need at any x0:
// t(0.975, df)·s·√h(x0) and t(0.975, df)·s·√(1 + h(x0)), with the leverage
// h(x0) = x0ᵀ(XᵀX)⁻¹x0 held as x0^originPower times a polynomial in x0 - centre, whose
// coefficients (from the exact inverse) stay small near the data, years and kelvin included; the
// power 2 for the kinds through the origin, where h is 0.
struct BandWidths {
  bool exist = false;  // there are degrees of freedom left
  Ext s = 0;           // √(SSE / df)
  Ext t975 = 0;        // t(0.975, df)
  Ext centre = 0;
  int originPower = 0;
  std::array<Ext, 5> leverage{};  // h(x0) = x0^originPower·Σ leverage[j]·(x0 - centre)^j

  Ext Leverage(Ext x0) const;
  Ext Confidence(Ext x0) const;  // half width of the band of the mean response
  Ext Prediction(Ext x0) const;  // half width of the band of a new measurement
};

struct FitStatistics {
  std::vector<std::pair<std::string, std::string>> summary;  // caption and figure, in order
  StatisticsTable coefficients, residuals, comparison;
  // Of each residual line: 3 where |standardised residual| > 3, 2 where > 2, else 0.
  std::vector<int> residualsOff;
  // Of each residual line, y - ŷ to the extended format's precision: what the graph plots.
  std::vector<Ext> residualValues;
  BandWidths bands;

  bool operator==(const FitStatistics& other) const {
    return summary == other.summary && coefficients == other.coefficients &&
           residuals == other.residuals && comparison == other.comparison &&
           residualsOff == other.residualsOff;
  }
};

// The statistics of `model` over the store's series 1: `rows` and `solution` as the fit solved
// them, `gridRows` the grid row of each complete row.
FitStatistics Statistics(const DataStore& store, const ExactRows& rows,
                         const ExactSolution& solution, FitModel model,
                         const std::vector<int>& gridRows);

// The whole of it as tab-separated lines, each ended by CR LF, one empty line between the parts.
std::string StatisticsText(const FitStatistics& statistics);

}  // namespace orvelt
