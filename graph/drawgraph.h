#pragma once
// The graph: frame, axes, points, fitted curve, deviation bands and the formula block under the
// plot square.

#include "core/datastore.h"
#include "core/fit.h"
#include "graph/canvas.h"

namespace orvelt {

// The plotted range and the mapping from values to pixels of the W x W plot square.
struct PlotRange {
  int W = 0;
  float L = 0, R = 0, B = 0, T = 0;  // left, right, bottom and top ends
  float sx = 0, sy = 0;              // data units per pixel

  // L maps to column 0 and R to column W; T to row 0 and B to row W. Rounded once, ties to even.
  int Column(float x) const;
  int Row(float y) const;
};

// Widens the data ranges so that zero lies inside both, with a margin; every step is stored as a
// 32-bit value. Needs XMax and XMin not both 0.
PlotRange DerivePlotRange(float XMax, float XMin, float YMax, float YMin, int W);

// What the graph reads besides the ranges: the store, the selectors and the window's texts.
struct GraphSources {
  const DataStore& store;
  FitModel model;              // RadioGroup1
  int bandMultiple;            // RadioGroup2: 0 for no band, else the multiple of the deviation
  bool plotSeries2;            // CheckBox1
  const GridCells& grid2;      // StringGrid2, already checked by the grid reader
  const ResultLabels& labels;  // Label2 to Label6
};

// The picture as the results reset leaves it: black outline of the plot square on white, white
// below, pen black, brush white.
void BlankGraphPicture(Canvas& canvas);

// Draws the whole graph over a blanked picture; the brush must be white. Reports no failure.
void DrawGraph(Canvas& canvas, float XMax, float XMin, float YMax, float YMin,
               const GraphSources& sources);

}  // namespace orvelt
