#pragma once
// What assistive technology sees of the grids and of labels that show results: each grid is a
// table of its cells, with the header row and the label column as headers and the current cell
// focused; a result label is named by its own text, also when that text is empty.

class QObject;

namespace orvelt {

// Makes the grids and text labels show themselves so, and has the grids tell assistive technology
// of their changes when any listens; before the first of them is made.
void InstallAccessibleControls();

// For a control made while accessibility is on: drops a view of it made before it was complete.
void RenewAccessible(QObject* control);

}  // namespace orvelt
