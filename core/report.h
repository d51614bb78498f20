#pragma once
// The text report copied to the clipboard: the formula, the result lines as the window shows them
// and the series-1 table, tab-separated, every line ended by CR LF.

#include <string>

#include "core/fit.h"

namespace orvelt {

// `shown` holds the current texts of the five result labels; `grid1` the cells of series 1.
std::string TextReport(FitModel model, const ResultLabels& shown, const GridCells& grid1);

}  // namespace orvelt
