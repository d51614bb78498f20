#pragma once
// Undo and redo as the grids show them: the worksheet takes the step back or makes it again, and
// the grids then put the cursor on it. Results, graph and selectors are not data; nothing here
// computes.

#include <array>

#include "sheet/worksheet.h"
#include "ui/datagrid.h"

namespace orvelt {

class DataEdits : public GridChanges {
 public:
  // Both grids of `sheet` take kUndoKeys and kRedoKeys through this from now on.
  DataEdits(Worksheet& sheet, DataGrid* series1, DataGrid* series2);
  ~DataEdits() override;
  DataEdits(const DataEdits&) = delete;
  DataEdits& operator=(const DataEdits&) = delete;

  // Takes the last change back, or makes the last one taken back again: the cells as they were,
  // the current cell on the first of them (series 1 first, then by row and column), the
  // keyboard focus with it when it was in the other grid. False when there is nothing to do.
  bool Undo() override;
  bool Redo() override;

  const EditHistory& History() const { return sheet_.History(); }

 private:
  bool Show(const std::optional<EditStep>& step);
  DataGrid* Grid(int series) const { return grids_[series == 1 ? 0 : 1]; }

  Worksheet& sheet_;
  std::array<DataGrid*, 2> grids_;
};

}  // namespace orvelt
