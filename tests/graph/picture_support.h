#pragma once
// Helpers of the picture tests: pixel sets, a line rasterised by search, reference texts drawn
// straight with QPainter, and graphs drawn from grid texts as the compute command would.

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <utility>

#include "core/compute.h"
#include "graph/canvas.h"
#include "graph/drawgraph.h"
#include "graph/face.h"

namespace test {

constexpr QRgb kWhite = 0xffffffff, kBlack = 0xff000000, kGrey = 0xff808080, kRed = 0xffff0000,
               kGreen = 0xff008000, kBlue = 0xff0000ff, kMagenta = 0xffff00ff;

inline QImage Blank(int w, int h, QRgb background = kWhite) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(background);
  return image;
}

// Every pixel as a character: '.' white, 'P' red (the pen), 'B' blue (the brush), '#' black,
// 'g' green, '-' grey.
inline QStringList Picture(const QImage& image, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  QStringList rows;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    QString row;
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb c = image.pixel(x, y);
      row += c == kWhite   ? '.'
             : c == kRed   ? 'P'
             : c == kBlue  ? 'B'
             : c == kBlack ? '#'
             : c == kGreen ? 'g'
             : c == kGrey  ? '-'
                           : '?';
    }
    rows << row;
  }
  return rows;
}

using Pixels = std::set<std::pair<std::int64_t, std::int64_t>>;

inline Pixels PixelsOf(const QImage& image, QRgb color, QPoint origin = {}) {
  Pixels pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == color) pixels.insert({x - origin.x(), y - origin.y()});
  return pixels;
}

inline Pixels Without(Pixels pixels, const Pixels& other) {
  for (const auto& p : other) pixels.erase(p);
  return pixels;
}

inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {  // b > 0
  return a / b - (a % b != 0 && a < 0);
}

// The pixels of a line by search: along the longer axis (x when |dx| > |dy|), from the start up to
// but not including the end, the pixel across whose centre is nearest to the true line, the
// smaller one on a tie. Only positions inside `window` are listed.
inline Pixels ReferenceLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                            QRect window) {
  Pixels pixels;
  const std::int64_t dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return pixels;
  const bool alongX = std::abs(dx) > std::abs(dy);
  const std::int64_t a1 = alongX ? x1 : y1, a2 = alongX ? x2 : y2;
  const std::int64_t b1 = alongX ? y1 : x1, da = a2 - a1, db = alongX ? dy : dx;
  const std::int64_t lo = alongX ? window.left() : window.top();
  const std::int64_t hi = alongX ? window.right() : window.bottom();
  for (std::int64_t a = std::max(std::min(a1, a2), lo); a <= std::min(std::max(a1, a2), hi); ++a) {
    if (a == a2) continue;
    // True position across: b1 + (a - a1) * db / da. Distances are compared scaled by |da|.
    const std::int64_t num = (a - a1) * db * (da > 0 ? 1 : -1), den = std::abs(da);
    const std::int64_t guess = b1 + FloorDiv(num, den);
    std::int64_t best = guess - 1, bestDistance = INT64_MAX;
    for (std::int64_t b = guess - 1; b <= guess + 2; ++b) {
      const std::int64_t distance = std::abs((b - b1) * den - num);
      if (distance < bestDistance) best = b, bestDistance = distance;
    }
    const std::int64_t x = alongX ? a : best, y = alongX ? best : a;
    if (window.contains(static_cast<int>(x), static_cast<int>(y))) pixels.insert({x, y});
  }
  return pixels;
}

// The face of the picture's texts, two-coloured.
inline QFont PictureFont(int pixels) {
  return orvelt::GraphFont(pixels);
}

// A text's cell: its advance wide, ascent + descent high.
inline QRect TextCell(int x, int y, const QString& text, int pixels) {
  const QFontMetrics metrics(PictureFont(pixels));
  return QRect(x, y, metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent());
}

// Black text on a white cell with its top-left corner at (x, y), drawn by QPainter directly.
inline void ReferenceText(QImage& image, int x, int y, const QString& text, int pixels) {
  QPainter painter(&image);
  painter.setFont(PictureFont(pixels));
  painter.setPen(Qt::black);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(Qt::white);
  painter.drawText(QPoint(x, y + QFontMetrics(PictureFont(pixels)).ascent()), text);
}

// One text drawn by the canvas alone, on a picture wide enough that nothing of it is dropped.
struct Alone {
  Pixels ink;   // black glyph pixels
  Pixels cell;  // everything the text coloured: its background cell and the glyphs
};

inline Alone TextAlone(int x, int y, int points, const QString& text) {
  QImage image = Blank(640, 480, kMagenta);
  orvelt::Canvas canvas(image);
  canvas.SetBrushColor(Qt::white);
  canvas.SetFontSize(points);
  canvas.TextOut(x, y, text);
  Alone alone{PixelsOf(image, kBlack), {}};
  for (int row = 0; row < image.height(); ++row)
    for (int column = 0; column < image.width(); ++column)
      if (image.pixel(column, row) != kMagenta) alone.cell.insert({column, row});
  return alone;
}

// The glyph pixels of the text that are missing from the picture, at most the first one named.
inline QString Missing(const QImage& image, const Pixels& ink, const QString& text) {
  for (const auto& [x, y] : ink) {
    if (x >= image.width() || y >= image.height() ||
        image.pixel(static_cast<int>(x), static_cast<int>(y)) != kBlack)
      return QStringLiteral("\"%1\" lost its pixel (%2, %3)").arg(text).arg(x).arg(y);
  }
  return {};
}

// What DrawGraph gets from the compute command: a fit, which a test may change, and the band.
struct Scene {
  orvelt::FitResult result;
  int bandMultiple = 0;
  bool refused = false;

  orvelt::PlotRange Range() const { return orvelt::DerivePlotRange(result.ranges, 321); }
};

// A scene without points whose curve stays far above any range, for the frame alone.
inline Scene FrameOnly(float XMax, float XMin, float YMax, float YMin) {
  Scene scene;
  scene.result.figures.b = 1e6f;
  scene.result.ranges = {XMax, XMin, YMax, YMin};
  return scene;
}

struct Row {
  const char* x;
  const char* y;
  const char* omit = "";
};

// Grid texts through the compute command.
inline Scene Compute(orvelt::FitModel model, const orvelt::GridInput& input, int band = 0) {
  Scene scene;
  scene.bandMultiple = band;
  orvelt::DataStore store;
  const orvelt::ComputeOutcome outcome = orvelt::RunCompute(store, input, model);
  scene.refused = !outcome.result;
  if (outcome.result) scene.result = *outcome.result;
  return scene;
}

// Series 2 is plotted when it has rows.
inline Scene Compute(orvelt::FitModel model, std::initializer_list<Row> rows1,
                     std::initializer_list<Row> rows2 = {}, int band = 0) {
  orvelt::GridInput input;
  int r = 1;
  for (const Row& row : rows1) input.series1[r++] = {"", row.x, row.y, row.omit};
  r = 1;
  for (const Row& row : rows2) input.series2[r++] = {"", row.x, row.y, ""};
  input.plotSeries2 = rows2.size() > 0;
  return Compute(model, input, band);
}

// The graph picture after the results reset, on a canvas whose state the test can read.
struct Drawing {
  QImage image = Blank(321, 450, kMagenta);
  orvelt::Canvas canvas{image};

  Drawing() { orvelt::BlankGraphPicture(canvas); }
  const QImage& Draw(const Scene& scene, const orvelt::GraphChoices& choices = {}) {
    orvelt::DrawGraph(canvas, scene.result, scene.bandMultiple, choices);
    return image;
  }
  const QImage& Draw(const Scene& scene, orvelt::GraphView view) {
    return Draw(scene, orvelt::GraphChoices{view});
  }
};

inline QImage Draw(const Scene& scene, const orvelt::GraphChoices& choices = {}) {
  Drawing drawing;
  return drawing.Draw(scene, choices);
}

inline QImage Draw(const Scene& scene, orvelt::GraphView view) {
  return Draw(scene, orvelt::GraphChoices{view});
}

}  // namespace test
