#pragma once
// Rectangular blocks of cell texts as spreadsheets put them on the clipboard: lines of fields
// separated by tabs. Texts are UTF-8 and are never parsed or trimmed.

#include <string>
#include <string_view>
#include <vector>

namespace orvelt {

// Lines, each a list of fields, top to bottom and left to right.
using TextBlock = std::vector<std::vector<std::string>>;

// Whether a pasted text is a block rather than text for one cell: it holds a tab or a line break.
bool IsBlock(std::string_view text);

// Lines end at LF, CR LF or a lone CR; a line break at the very end ends the last line and does
// not begin another. Fields are separated by tabs; an empty line is one empty field.
TextBlock SplitBlock(std::string_view text);

// One field of a block with the grid cell it goes to.
struct PlacedField {
  int col = 0, row = 0;
  std::string text;

  bool operator==(const PlacedField&) const = default;
};

// The fields of `block` laid out from cell (`col`, `row`) to the right and down, row by row. Only
// cells with 1 <= column <= `lastCol` and 1 <= row <= `lastRow` take a field: the fixed header row
// and label column are never written, and what lies beyond the grid is dropped.
std::vector<PlacedField> PlaceBlock(const TextBlock& block, int col, int row, int lastCol,
                                    int lastRow);

// The block as text: fields separated by tabs, every line ended by CR LF.
std::string JoinBlock(const TextBlock& block);

}  // namespace orvelt
