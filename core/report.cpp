#include "core/report.h"

namespace orvelt {

std::string TextReport(FitModel model, const ResultLabels& shown, const GridCells& grid1) {
  constexpr const char* kEnd = "\r\n";
  std::string text = std::string(FormulaText(model)) + kEnd;
  auto line = [&](const std::string& label) { text += "  " + label + kEnd; };
  for (const std::string& shownLine : ResultLines(model, shown)) line(shownLine);
  line(shown.stdDev);
  text += "No.\tx\ty";
  text += kEnd;
  for (int r = 1; r <= kRows; ++r) {
    if (grid1[1][r].empty() || grid1[2][r].empty()) continue;
    text += std::to_string(r) + '\t' + grid1[1][r] + '\t' + grid1[2][r] + '\t' + grid1[3][r] + kEnd;
  }
  return text;
}

}  // namespace orvelt
