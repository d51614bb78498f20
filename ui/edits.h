#pragma once
// The one way the data of both grids change, every cell text and Omit mark, so that each change
// can be taken back and made again: the commands, pasted blocks and typing in a cell all pass
// through here. Results, graph and selectors are not data; nothing here computes.

#include <array>
#include <vector>

#include "ui/datagrid.h"
#include "ui/history.h"

namespace orvelt {

// A cell of series 1 or 2 and the text it is to hold.
struct CellWrite {
  int series, col, row;
  QString text;
};

class DataEdits : public GridChanges {
 public:
  // Both grids change their data through this from now on, and take kUndoKeys and kRedoKeys.
  DataEdits(DataGrid* series1, DataGrid* series2);
  ~DataEdits() override;
  DataEdits(const DataEdits&) = delete;
  DataEdits& operator=(const DataEdits&) = delete;

  // Writes the texts, in order, as one step; typing in either grid's current cell becomes a
  // step of its own before it.
  void Change(const std::vector<CellWrite>& writes);
  // A grid's typing in its current cell, done with: the cell held `before` when it became
  // current and holds `after` now.
  void Typed(const DataGrid* grid, int col, int row, const QString& before,
             const QString& after) override;
  // A grid's current cell is being typed into: a new change, after which nothing can be made
  // again.
  void Typing() override { history_.DropRedo(); }
  // A grid's own change, a pasted block: Change on that grid's series.
  void Write(const DataGrid* grid, const std::vector<CellText>& cells) override;
  // Takes the last change back, or makes the last one taken back again: the cells as they were,
  // the current cell on the first of them (series 1 first, then by row and column), the
  // keyboard focus with it when it was in the other grid. False when there is nothing to do.
  bool Undo() override;
  bool Redo() override;

  const EditHistory& History() const { return history_; }
  int SeriesOf(const DataGrid* grid) const { return grid == grids_[0] ? 1 : 2; }

 private:
  void CommitTyping();
  void Show(const EditStep& step);
  DataGrid* Grid(int series) const { return grids_[series == 1 ? 0 : 1]; }

  std::array<DataGrid*, 2> grids_;
  EditHistory history_;
};

}  // namespace orvelt
