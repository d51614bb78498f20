#include "ui/edits.h"

#include <QLineEdit>
#include <algorithm>
#include <tuple>

namespace orvelt {

DataEdits::DataEdits(Worksheet& sheet, DataGrid* series1, DataGrid* series2)
    : sheet_(sheet), grids_{series1, series2} {
  for (DataGrid* grid : grids_) grid->SetChanges(this);
}

DataEdits::~DataEdits() {
  for (DataGrid* grid : grids_) grid->SetChanges(nullptr);
}

bool DataEdits::Undo() {
  return Show(sheet_.Undo());
}

bool DataEdits::Redo() {
  return Show(sheet_.Redo());
}

bool DataEdits::Show(const std::optional<EditStep>& step) {
  if (!step) return false;
  const CellEdit& first = *std::min_element(step->begin(), step->end(), [](auto& a, auto& b) {
    return std::tie(a.series, a.row, a.col) < std::tie(b.series, b.row, b.col);
  });
  DataGrid* grid = Grid(first.series);
  DataGrid* other = Grid(first.series == 1 ? 2 : 1);
  // The cursor never rests in the Omit column: a mark's row shows by its y cell.
  grid->SetCurrent(first.col == kColumnOmit ? kColumnY : first.col, first.row);
  if (other->Editor()->hasFocus()) grid->setFocus(Qt::OtherFocusReason);
  return true;
}

}  // namespace orvelt
