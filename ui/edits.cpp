#include "ui/edits.h"

#include <QLineEdit>
#include <algorithm>
#include <tuple>

#include "core/cells.h"
#include "ui/datagrid.h"

namespace orvelt {

DataEdits::DataEdits(DataGrid* series1, DataGrid* series2) : grids_{series1, series2} {
  for (DataGrid* grid : grids_) grid->SetChanges(this);
}

DataEdits::~DataEdits() {
  for (DataGrid* grid : grids_) grid->SetChanges(nullptr);
}

void DataEdits::CommitTyping() {
  for (DataGrid* grid : grids_) grid->Commit();
}

void DataEdits::Change(const std::vector<CellWrite>& writes) {
  CommitTyping();
  EditStep step;
  for (const CellWrite& write : writes) {
    DataGrid* grid = Grid(write.series);
    if (write.col < 1 || write.col >= grid->ColCount() || write.row < 1 || write.row > kRows)
      continue;
    QString before = grid->Cell(write.col, write.row);
    if (before == write.text) continue;
    grid->SetCell(write.col, write.row, write.text);
    step.push_back({write.series, write.col, write.row, std::move(before), write.text});
  }
  history_.Record(std::move(step));
}

void DataEdits::Write(const DataGrid* grid, const std::vector<CellText>& cells) {
  std::vector<CellWrite> writes;
  for (const CellText& cell : cells)
    writes.push_back({SeriesOf(grid), cell.col, cell.row, cell.text});
  Change(writes);
}

void DataEdits::Typed(const DataGrid* grid, int col, int row, const QString& before,
                      const QString& after) {
  history_.Record({{SeriesOf(grid), col, row, before, after}});
}

bool DataEdits::Undo() {
  CommitTyping();
  const std::optional<EditStep> step = history_.Undo();
  if (!step) return false;
  // Backwards, so that a cell written twice in the step ends as it was before the first.
  for (auto edit = step->rbegin(); edit != step->rend(); ++edit)
    Grid(edit->series)->SetCell(edit->col, edit->row, edit->before);
  Show(*step);
  return true;
}

bool DataEdits::Redo() {
  CommitTyping();
  const std::optional<EditStep> step = history_.Redo();
  if (!step) return false;
  for (const CellEdit& edit : *step) Grid(edit.series)->SetCell(edit.col, edit.row, edit.after);
  Show(*step);
  return true;
}

void DataEdits::Show(const EditStep& step) {
  const CellEdit& first = *std::min_element(step.begin(), step.end(), [](auto& a, auto& b) {
    return std::tie(a.series, a.row, a.col) < std::tie(b.series, b.row, b.col);
  });
  DataGrid* grid = Grid(first.series);
  DataGrid* other = Grid(first.series == 1 ? 2 : 1);
  // The cursor never rests in the Omit column: a mark's row shows by its y cell.
  grid->SetCurrent(first.col == kColumnOmit ? kColumnY : first.col, first.row);
  if (other->Editor()->hasFocus()) grid->setFocus(Qt::OtherFocusReason);
}

}  // namespace orvelt
