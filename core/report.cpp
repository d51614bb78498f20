#include "core/report.h"

namespace orvelt {

std::string TextReport(FitModel model, const ResultTexts& shown, const GridCells& series1) {
  constexpr const char* kEnd = "\r\n";
  std::string text = std::string(FormulaText(model)) + kEnd;
  auto line = [&](const std::string& label) { text += "  " + label + kEnd; };
  for (const std::string& shownLine : ResultLines(model, shown)) line(shownLine);
  line(shown.stdDev);
  text += "No.\tx\ty";
  text += kEnd;
  for (int r = 1; r <= kRows; ++r) {
    const auto& row = series1[r];
    if (row[kColumnX].empty() || row[kColumnY].empty()) continue;
    text += std::to_string(r) + '\t' + row[kColumnX] + '\t' + row[kColumnY] + '\t' +
            row[kColumnOmit] + kEnd;
  }
  return text;
}

}  // namespace orvelt
