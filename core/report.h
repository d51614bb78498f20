#pragma once
// The text report copied to the clipboard: the formula, the result lines as the window shows them
// and the series-1 table, tab-separated, every line ended by CR LF.

#include <string>

#include "core/cells.h"
#include "core/formula.h"

namespace orvelt {

// `shown` holds the texts of the results box, `series1` the cells of series 1.
std::string TextReport(FitModel model, const ResultTexts& shown, const GridCells& series1);

}  // namespace orvelt
