#pragma once
// The one way the data of both grids change, every cell text and Omit mark, so that each change
// can be taken back and made again: the commands, pasted blocks and typing in a cell all pass
// through here. Results, graph and selectors are not data; nothing here computes.

#include <QKeyCombination>
#include <array>
#include <vector>

#include "ui/history.h"

namespace orvelt {

class DataGrid;

// The keys that take the last change back and make it again, in either grid. A cell's editor
// with typing of its own to take back or make again acts on that first.
inline constexpr std::array kUndoKeys{QKeyCombination(Qt::ControlModifier, Qt::Key_Z)};
inline constexpr std::array kRedoKeys{
    QKeyCombination(Qt::ControlModifier, Qt::Key_Y),
    QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)};

// A cell of series 1 or 2 and the text it is to hold.
struct CellWrite {
  int series, col, row;
  QString text;
};

class DataEdits {
 public:
  // Both grids change their data through this from now on, and take the keys above.
  DataEdits(DataGrid* series1, DataGrid* series2);
  ~DataEdits();
  DataEdits(const DataEdits&) = delete;
  DataEdits& operator=(const DataEdits&) = delete;

  // Writes the texts, in order, as one step; typing in either grid's current cell becomes a
  // step of its own before it.
  void Change(const std::vector<CellWrite>& writes);
  // A grid's typing in its current cell, done with: the cell held `before` when it became
  // current and holds `after` now.
  void Typed(const DataGrid* grid, int col, int row, const QString& before, const QString& after);
  // A grid's current cell is being typed into: a new change, after which nothing can be made
  // again.
  void Typing() { history_.DropRedo(); }
  // Takes the last change back, or makes the last one taken back again: the cells as they were,
  // the current cell on the first of them (series 1 first, then by row and column), the
  // keyboard focus with it when it was in the other grid. False when there is nothing to do.
  bool Undo();
  bool Redo();

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
