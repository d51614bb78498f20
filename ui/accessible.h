#pragma once
// What assistive technology sees of the grids and of labels that show results: each grid is a
// table of its cells, with the header row and the label column as headers and the current cell
// focused; a result label is named by its own text, also when that text is empty.

class QObject;

namespace orvelt {

class DataGrid;

// Makes the grids and text labels show themselves so; once per process, before the first of
// them is made. Their constructors call it.
void InstallAccessibleControls();

// For a control made while accessibility is on: drops a view of it made before it was complete.
void RenewAccessible(QObject* control);

// Tell assistive technology, when any listens, that a cell's text changed, and which cell is
// current once the cursor moved or the grid got the keyboard focus.
void NotifyCellText(DataGrid* grid, int col, int row);
void NotifyCurrentCell(DataGrid* grid);

}  // namespace orvelt
