#include "graph/drawgraph.h"

#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/number.h"

namespace orvelt {

namespace {

constexpr int kFramePoints = 9;  // the frame's texts

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kGrey(128, 128, 128), kRed(255, 0, 0),
    kGreen(0, 128, 0), kBlue(0, 0, 255), kOrange(255, 128, 0), kPurple(192, 0, 192);

// Rounded once, ties to even (the default rounding mode), and held well inside the int range so
// that a stray value cannot wrap around. Every sample of every curve comes here: rintl, not
// nearbyintl, which saves and restores the floating-point environment for a flag nothing reads,
// and the whole number to int by way of double, which holds it exactly, so that the conversion
// does not switch the x87 rounding mode twice.
int Pixel(Ext v) {
  constexpr Ext kLimit = 1 << 30;
  v = std::rintl(v);
  if (!(v > -kLimit)) return -static_cast<int>(kLimit);
  if (v > kLimit) return static_cast<int>(kLimit);
  return static_cast<int>(static_cast<double>(v));
}

// All positive data keep zero at 1/11 of the span, all negative data at 11/12, mixed data gain a
// tenth of the span at the top end and eleven hundredths at the bottom.
void WidenThroughOrigin(float& hi, float& lo) {
  if (lo > 0) {
    hi = UncheckedFloat(hi + Ext{hi} / 10);
    lo = UncheckedFloat(-Ext{hi} / 10);
  } else if (hi < 0) {
    hi = UncheckedFloat(-Ext{lo} / 10);
    lo = UncheckedFloat(lo + Ext{lo} / 10);
  } else {
    hi = UncheckedFloat(hi + (Ext{hi} - lo) / 10);
    lo = UncheckedFloat(lo - (Ext{hi} - lo) / 10);
  }
}

// A tenth of the span beyond each end, the same on both sides.
void FrameOnData(float& hi, float& lo) {
  Ext margin = (Ext{hi} - lo) / 10;
  if (hi == lo) {
    if (hi == 0) {
      hi = 0.5f;
      lo = -0.5f;
      return;
    }
    margin = std::fabs(Ext{hi}) / 10;
  }
  hi = UncheckedFloat(hi + margin);
  lo = UncheckedFloat(lo - margin);
}

QString Text(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Over the data alone a range may leave 0 out; an axis is drawn only where 0 lies inside the
// square, and then off its outline. The numbers of that view go on last.
void DrawFrame(Canvas& canvas, const PlotRange& range, GraphView view) {
  const int W = range.W;
  canvas.SetPenColor(kBlack);
  canvas.Rectangle(0, 0, W, W);

  const int axisRow = range.Row(0), axisColumn = range.Column(0);
  canvas.SetPenColor(kGrey);
  if (view == GraphView::FitData) {
    if (axisRow >= 1 && axisRow <= W - 2) canvas.Segment(1, axisRow, W - 1, axisRow);
    if (axisColumn >= 1 && axisColumn <= W - 2) canvas.Segment(axisColumn, 1, axisColumn, W - 1);
    return;
  }
  canvas.Segment(0, axisRow, W, axisRow);
  canvas.Segment(axisColumn, 0, axisColumn, W);

  canvas.TextOut(axisColumn - 8, axisRow + 1, QStringLiteral("0"));
  const std::string right = FormatNumber(range.R, 4, 2);
  canvas.TextOut(W - 7 * static_cast<int>(right.size()) + 5, axisRow + 1, Text(right));
  canvas.TextOut(axisColumn + 5, 1, Text(FormatNumber(range.T, 4, 2)));
}

// The curve and the bands are sampled out to the square's edge columns; the outline of the data
// view is drawn again over their ends, so that it stays whole.
void StrokeOutline(Canvas& canvas, int W) {
  canvas.SetPenColor(kBlack);
  canvas.Segment(0, 0, W, 0);
  canvas.Segment(0, W - 1, W, W - 1);
  canvas.Segment(0, 0, 0, W);
  canvas.Segment(W - 1, 0, W - 1, W);
}

void DrawMarker(Canvas& canvas, const PlotRange& range, float x, float y) {
  const int c = range.Column(x), r = range.Row(y);
  canvas.Ellipse(c - 2, r - 2, c + 2, r + 2);
}

void DrawSeries1(Canvas& canvas, const PlotRange& range, const std::vector<PlotPoint>& points) {
  canvas.SetPenColor(kRed);
  for (const PlotPoint& point : points) {
    canvas.SetBrushColor(point.used ? kRed : kWhite);
    DrawMarker(canvas, range, point.x, point.y);
  }
}

void DrawPoints(Canvas& canvas, const PlotRange& range, const FitResult& result) {
  DrawSeries1(canvas, range, result.series1);
  canvas.SetPenColor(kGreen);
  canvas.SetBrushColor(kGreen);
  for (const PlotPoint& point : result.series2) DrawMarker(canvas, range, point.x, point.y);
}

// Where a pass may go. A value within half a pixel of B maps to row W, below the square: the
// curve and the deviation bands of the graph have always drawn there; what is new stays inside.
enum class Reach { ToRowW, InsideSquare };

// One sample per column, 0 to W, the offset at x added last. A run of line ends at the last sample
// inside [B, T] and the next sample inside starts a new one; nothing is interpolated at the edges.
template <typename Offset>
void DrawCurvePass(Canvas& canvas, const PlotRange& range, const Curve& q, const Offset& offset,
                   Reach reach = Reach::ToRowW) {
  const int lastRow = reach == Reach::ToRowW ? range.W : range.W - 1;
  bool penUp = true;
  for (int i = 0; i <= range.W; ++i) {
    const float x = UncheckedFloat(range.L + static_cast<Ext>(i) * range.sx);
    const float y = UncheckedFloat(q.At(x) + offset(x));
    if (!(y >= range.B && y <= range.T)) {  // a NaN too
      penUp = true;
      continue;
    }
    const int row = range.Row(y);
    if (row > lastRow) {
      penUp = true;
      continue;
    }
    if (penUp) {
      canvas.MoveTo(i, row);
    } else {
      canvas.LineTo(i, row);
    }
    penUp = false;
  }
}

// The curve shifted by k times the deviation the results box shows, so rounded to 5 decimals. Two
// used rows or fewer have no deviation, and no bands.
void DrawBands(Canvas& canvas, const PlotRange& range, const Curve& curve, const FitResult& result,
               int bandMultiple, Reach reach = Reach::ToRowW) {
  if (bandMultiple == 0 || !result.figures.stdDev) return;
  const float d = UncheckedFloat(bandMultiple * result.shownStdDev);
  if (d == 0) return;
  canvas.SetPenColor(kBlue);
  DrawCurvePass(canvas, range, curve, [d](float) { return -Ext{d}; }, reach);
  DrawCurvePass(canvas, range, curve, [d](float) { return Ext{d}; }, reach);
}

// A 95 % band about the curve drawn, lower pass first: the half width from the exact fit at each
// sample. Without degrees of freedom there is none; an exact fit's would hide the curve.
void Draw95Band(Canvas& canvas, const PlotRange& range, const Curve& curve,
                const BandWidths& widths, Ext (BandWidths::*half)(Ext) const, QColor color) {
  if (!widths.exist || !(widths.s > 0)) return;
  canvas.SetPenColor(color);
  DrawCurvePass(canvas, range, curve, [&](float x) { return -(widths.*half)(x); },
                Reach::InsideSquare);
  DrawCurvePass(canvas, range, curve, [&](float x) { return (widths.*half)(x); },
                Reach::InsideSquare);
}

// The numbers of a frame on the data go over everything, so that they stay whole; the outline
// first, where the curve and the bands may have reached it.
void FinishDataFrame(Canvas& canvas, const PlotRange& range) {
  StrokeOutline(canvas, range.W);
  canvas.SetBrushColor(kWhite);
  for (const PlacedText& number : EndNumbers(canvas, range))
    canvas.TextOut(number.cell.x(), number.cell.y(), number.text);
}

// The residuals framed on themselves, as the data view frames the data, about the zero line, with
// the deviation bands as straight lines: the curve y = 0 and its shifts.
void DrawResiduals(Canvas& canvas, const FitResult& result, int bandMultiple) {
  const std::vector<PlotPoint> points = ResidualPoints(result);
  DataRanges ranges;
  for (std::size_t k = 0; k < result.series1.size(); ++k) {
    const float x = result.series1[k].x;
    ranges.XMax = k == 0 ? x : std::max(ranges.XMax, x);
    ranges.XMin = k == 0 ? x : std::min(ranges.XMin, x);
  }
  for (std::size_t k = 0; k < points.size(); ++k) {
    const float e = points[k].y;
    ranges.YMax = k == 0 ? e : std::max(ranges.YMax, e);
    ranges.YMin = k == 0 ? e : std::min(ranges.YMin, e);
  }
  const PlotRange range = DeriveDataRange(ranges, canvas.Width());
  DrawFrame(canvas, range, GraphView::FitData);
  DrawSeries1(canvas, range, points);
  const Curve zero;
  canvas.SetPenColor(kBlack);
  DrawCurvePass(canvas, range, zero, [](float) { return Ext{0}; }, Reach::InsideSquare);
  DrawBands(canvas, range, zero, result, bandMultiple, Reach::InsideSquare);
  FinishDataFrame(canvas, range);
}

void DrawFormulaBlock(Canvas& canvas, FitModel model, const ResultTexts& texts) {
  canvas.SetFontSize(11);
  canvas.SetBrushColor(kWhite);
  // "^2" gives way to a blank, leaving two after "ax": the exponent goes into that gap, raised
  // by its smaller size.
  QString formula = QString::fromLatin1(FormulaText(model));
  formula.replace(QStringLiteral("^2"), QStringLiteral(" "));
  canvas.TextOut(110, 340, formula);
  if (KindOf(model).HasSquare()) {
    canvas.SetFontSize(8);
    canvas.TextOut(150, 340, QStringLiteral("2"));
    canvas.SetFontSize(11);
  }
  // One result line every 15 rows; the deviation line sits 2 columns left and 2 rows lower.
  int row = 355;
  for (const std::string& line : ResultLines(model, texts)) {
    canvas.TextOut(120, row, Text(line));
    row += 15;
  }
  canvas.TextOut(118, row + 2, Text(texts.stdDev));
}

}  // namespace

int PlotRange::Column(float x) const {
  return Pixel((Ext{x} - L) / sx);
}

int PlotRange::Row(float y) const {
  return W - Pixel((Ext{y} - B) / sy);
}

PlotRange DerivePlotRange(const DataRanges& ranges, int W) {
  PlotRange range;
  range.W = W;
  float &L = range.L, &R = range.R, &B = range.B, &T = range.T;
  R = ranges.XMax;
  L = ranges.XMin;
  T = ranges.YMax;
  B = ranges.YMin;
  if (R == L) {
    if (L >= 0) {
      L = 0;
    } else {
      R = 0;
    }
  }
  if (T == B) {
    if (T == 0) {
      T = 0.5f;
      B = -0.5f;
    } else if (T > 0) {
      B = 0;
    } else {
      T = 0;
    }
  }
  WidenThroughOrigin(R, L);
  WidenThroughOrigin(T, B);
  range.sx = UncheckedFloat((Ext{R} - L) / W);
  range.sy = UncheckedFloat((Ext{T} - B) / W);
  return range;
}

PlotRange DeriveDataRange(const DataRanges& ranges, int W) {
  PlotRange range;
  range.W = W;
  range.R = ranges.XMax;
  range.L = ranges.XMin;
  range.T = ranges.YMax;
  range.B = ranges.YMin;
  FrameOnData(range.R, range.L);
  FrameOnData(range.T, range.B);
  range.sx = UncheckedFloat((Ext{range.R} - range.L) / W);
  range.sy = UncheckedFloat((Ext{range.T} - range.B) / W);
  return range;
}

int EndDecimals(float lo, float hi) {
  // Told apart by value: "-0.00" and "0.00" are the same number.
  auto shown = [](float v, int d) { return ShownValue(v, 4, d); };
  int d = 2;
  while (d < 5 && shown(lo, d) == shown(hi, d)) ++d;
  return d;
}

// The y ends down the left edge, the x ends along the bottom edge, the left one after the bottom y
// end: there they lie in the tenth beyond the data, which holds no point. A text that does not fit
// where it belongs goes up a line at a time until it clears the ones before it.
std::vector<PlacedText> EndNumbers(Canvas& canvas, const PlotRange& range) {
  constexpr int kInset = 2, kGap = 12;
  const int W = range.W;
  canvas.SetFontSize(kFramePoints);
  const int lastLine = W - kInset - canvas.TextCell(QStringLiteral("0")).height();
  std::vector<PlacedText> placed;
  // At (x, y), or ending left of x when it goes from the right.
  auto place = [&](float value, int decimals, int x, int y, bool fromRight = false) {
    const QString text = Text(FormatNumber(value, 4, decimals));
    const QSize size = canvas.TextCell(text);
    if (fromRight) x -= size.width();
    QRect cell(std::max(kInset, std::min(x, W - kInset - size.width())), y, size.width(),
               size.height());
    auto clashes = [&] {
      for (const PlacedText& other : placed)
        if (other.cell.adjusted(-2, -1, 2, 1).intersects(cell)) return true;
      return false;
    };
    while (clashes()) cell.translate(0, -(size.height() + 1));
    placed.push_back({text, cell});
  };
  const int dx = EndDecimals(range.L, range.R), dy = EndDecimals(range.B, range.T);
  place(range.T, dy, kInset, kInset);
  place(range.B, dy, kInset, lastLine);
  place(range.L, dx, placed.back().cell.right() + 1 + kGap, lastLine);
  place(range.R, dx, W - kInset, lastLine, true);
  return placed;
}

void BlankGraphPicture(Canvas& canvas) {
  const int W = canvas.Width();
  canvas.SetPenColor(kBlack);
  canvas.SetBrushColor(kWhite);
  // Covered whole at once, the picture is written where it lies: the canvas need not copy what
  // was under it.
  if (!canvas.Ground().isNull()) canvas.FillRect(0, 0, W, canvas.Height());
  canvas.Rectangle(0, 0, W, W);
  canvas.FillRect(0, W, W, canvas.Height());
}

std::vector<PlotPoint> ResidualPoints(const FitResult& result) {
  std::vector<PlotPoint> points;
  const std::vector<Ext>& residuals = result.statistics.residualValues;
  for (std::size_t k = 0; k < result.series1.size() && k < residuals.size(); ++k) {
    const float e = UncheckedFloat(residuals[k]);
    if (std::isfinite(e)) points.push_back({result.series1[k].x, e, result.series1[k].used});
  }
  return points;
}

void DrawGraph(Canvas& canvas, const FitResult& result, int bandMultiple,
               const GraphChoices& choices) {
  canvas.SetFontSize(kFramePoints);
  if (choices.view == GraphView::Residuals) {
    DrawResiduals(canvas, result, bandMultiple);
  } else {
    const bool onData = choices.view == GraphView::FitData;
    const PlotRange range = onData ? DeriveDataRange(result.ranges, canvas.Width())
                                   : DerivePlotRange(result.ranges, canvas.Width());
    DrawFrame(canvas, range, choices.view);
    DrawPoints(canvas, range, result);
    const FitFigures& f = result.figures;
    const Curve curve = CurveOf(result.model, f.a, f.b, f.c);
    canvas.SetPenColor(kBlack);
    DrawCurvePass(canvas, range, curve, [](float) { return Ext{0}; });
    DrawBands(canvas, range, curve, result, bandMultiple);
    const BandWidths& widths = result.statistics.bands;
    if (choices.confidence)
      Draw95Band(canvas, range, curve, widths, &BandWidths::Confidence, kOrange);
    if (choices.prediction)
      Draw95Band(canvas, range, curve, widths, &BandWidths::Prediction, kPurple);
    if (onData) FinishDataFrame(canvas, range);
  }
  DrawFormulaBlock(canvas, result.model, result.texts);
}

void DrawGraphPicture(Canvas& canvas, const FitResult* result, int bandMultiple,
                      const GraphChoices& choices) {
  BlankGraphPicture(canvas);
  if (result) DrawGraph(canvas, *result, bandMultiple, choices);
}

QString GraphTitle(const FitResult* result) {
  return result ? QString::fromUtf8(FormulaText(result->model)) : QString();
}

}  // namespace orvelt
