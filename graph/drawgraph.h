#pragma once
// The graph: frame, axes, points, fitted curve, deviation bands and the formula block under the
// plot square.

#include <QRect>
#include <QString>
#include <vector>

#include "core/compute.h"
#include "graph/canvas.h"

namespace orvelt {

// The graph picture: the plot square, its width, above the formula block.
inline constexpr int kPictureWidth = 321, kPictureHeight = 450;

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
PlotRange DerivePlotRange(const DataRanges& ranges, int W);

// How the plot square frames the fit: its graph with the origin inside or on the data alone, or
// the residuals of series 1 on theirs.
enum class GraphView { ThroughOrigin, FitData, Residuals };

// What the graph window adds to a fit's own choices: the frame, and the 95 % bands of the mean
// response and of a new measurement, which the graph of the curve shows.
struct GraphChoices {
  GraphView view = GraphView::ThroughOrigin;
  bool confidence = false;
  bool prediction = false;

  bool operator==(const GraphChoices&) const = default;
};

// The frame on the data alone: each range gains a tenth of its span beyond both ends; a range of
// one value a tenth of its magnitude, or half a unit around 0. Stored as 32-bit values.
PlotRange DeriveDataRange(const DataRanges& ranges, int W);

// The decimals that tell the two ends of an axis apart in the frame's numbers: 2, or more up to 5.
int EndDecimals(float lo, float hi);

// A text of the frame and the cell it fills.
struct PlacedText {
  QString text;
  QRect cell;
};

// The data view's numbers in the order drawn, the top, bottom, left and right ends, at the frame's
// text size: inside the plot square clear of its outline and of each other.
std::vector<PlacedText> EndNumbers(Canvas& canvas, const PlotRange& range);

// The picture as the results reset leaves it: black outline of the plot square on white, white
// below, pen black, brush white.
void BlankGraphPicture(Canvas& canvas);

// Every complete series-1 row at (x, y - ŷ), used or omitted, with the residual the statistics
// give it as a 32-bit value; a row whose residual lies beyond the 32-bit range is left out.
std::vector<PlotPoint> ResidualPoints(const FitResult& result);

// Draws the graph of a fit as `choices` ask over a blanked picture, with bands at `bandMultiple`
// times the deviation shown (none for 0); the brush must be white. Reports no failure.
void DrawGraph(Canvas& canvas, const FitResult& result, int bandMultiple,
               const GraphChoices& choices = {});

// The picture of a fit as the graph window shows it: blanked, then its graph drawn as `choices`
// ask; blank without a fit.
void DrawGraphPicture(Canvas& canvas, const FitResult* result, int bandMultiple,
                      const GraphChoices& choices);

// The formula of a fit, the title of the picture's files; empty without one.
QString GraphTitle(const FitResult* result);

}  // namespace orvelt
