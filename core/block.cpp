#include "core/block.h"

namespace orvelt {

bool IsBlock(std::string_view text) {
  return text.find_first_of("\t\r\n") != std::string_view::npos;
}

TextBlock SplitBlock(std::string_view text) {
  TextBlock block(1, std::vector<std::string>(1));
  bool lineOpen = true;  // false right after a line break
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (!lineOpen) {
      block.emplace_back(1);
      lineOpen = true;
    }
    if (ch == '\t') {
      block.back().emplace_back();
    } else if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lineOpen = false;
    } else {
      block.back().back() += ch;
    }
  }
  return block;
}

std::vector<PlacedField> PlaceBlock(const TextBlock& block, int col, int row, int lastCol,
                                    int lastRow) {
  std::vector<PlacedField> placed;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const long r = static_cast<long>(row) + static_cast<long>(i);
    if (r > lastRow) break;
    if (r < 1) continue;
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const long c = static_cast<long>(col) + static_cast<long>(j);
      if (c > lastCol) break;
      if (c < 1) continue;
      placed.push_back({static_cast<int>(c), static_cast<int>(r), block[i][j]});
    }
  }
  return placed;
}

std::string JoinBlock(const TextBlock& block) {
  std::string text;
  for (const auto& line : block) {
    for (std::size_t j = 0; j < line.size(); ++j) {
      if (j) text += '\t';
      text += line[j];
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace orvelt
