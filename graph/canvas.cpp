#include "graph/canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "graph/face.h"

namespace orvelt {

namespace {

// The integer nearest to num / den (den > 0), an exact half going down. Wide enough for any
// product of two pixel distances.
std::int64_t NearestHalfDown(__int128 num, __int128 den) {
  // ceil(num / den - 1/2) = ceil((2 num - den) / (2 den)); division truncates towards zero.
  const __int128 n = 2 * num - den, d = 2 * den;
  __int128 q = n / d;
  if (n % d != 0 && n > 0) ++q;
  return static_cast<std::int64_t>(q);
}

}  // namespace

Canvas::Canvas(QImage& image) : image_(image) {
  Q_ASSERT(image.format() == QImage::Format_RGB32);
}

void Canvas::SetFontSize(int points) {
  points_ = points;
}

int Canvas::FontPixels() const {
  return static_cast<int>(std::lround(points_ * 96.0 / 72.0));
}

void Canvas::Fill(int x1, int y1, int x2, int y2, QRgb color) {
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, image_.width());
  y2 = std::min(y2, image_.height());
  for (int y = y1; y < y2; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(line + x1, line + std::max(x1, x2), color);
  }
}

void Canvas::Plot(std::int64_t x, std::int64_t y, QRgb color) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)))[x] = color;
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x1 == x2 || y1 == y2) return;
  Fill(x1, y1, x2, y1 + 1, pen_);
  Fill(x1, y2 - 1, x2, y2, pen_);
  Fill(x1, y1, x1 + 1, y2, pen_);
  Fill(x2 - 1, y1, x2, y2, pen_);
  Fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, brush_);
  Changed();
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  Fill(x1, y1, x2, y2, brush_);
  Changed();
}

void Canvas::Segment(int x1, int y1, int x2, int y2) {
  const std::int64_t dx = std::int64_t{x2} - x1, dy = std::int64_t{y2} - y1;
  const bool alongX = std::abs(dx) > std::abs(dy);
  const std::int64_t n = alongX ? std::abs(dx) : std::abs(dy);  // pixels to draw
  if (n == 0) return;
  const std::int64_t across = alongX ? dy : dx;
  const std::int64_t step = (alongX ? dx : dy) > 0 ? 1 : -1;
  const std::int64_t start = alongX ? x1 : y1, side = alongX ? y1 : x1;
  const std::int64_t size = alongX ? image_.width() : image_.height();
  // Walk only the steps that land inside the picture along the longer axis.
  std::int64_t first = 0, last = n - 1;
  if (step > 0) {
    first = std::max(first, -start);
    last = std::min(last, size - 1 - start);
  } else {
    first = std::max(first, start - (size - 1));
    last = std::min(last, start);
  }
  for (std::int64_t t = first; t <= last; ++t) {
    const std::int64_t along = start + step * t;
    const std::int64_t cross = side + NearestHalfDown(static_cast<__int128>(t) * across, n);
    if (alongX) {
      Plot(along, cross, pen_);
    } else {
      Plot(cross, along, pen_);
    }
  }
}

void Canvas::MoveTo(int x, int y) {
  x_ = x;
  y_ = y;
}

void Canvas::LineTo(int x, int y) {
  Segment(x_, y_, x, y);
  MoveTo(x, y);
  Changed();
}

void Canvas::Polyline(int x1, int y1, int x2, int y2) {
  Segment(x1, y1, x2, y2);
  Changed();
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (std::int64_t{x2} - x1 == 4 && std::int64_t{y2} - y1 == 4) {
    for (int i = 1; i <= 2; ++i) {
      Plot(x1 + i, y1, pen_);
      Plot(x1 + i, y1 + 3, pen_);
      Plot(x1, y1 + i, pen_);
      Plot(x1 + 3, y1 + i, pen_);
    }
    Fill(x1 + 1, y1 + 1, x1 + 3, y1 + 3, brush_);
  }
  Changed();
}

const Canvas::Face& Canvas::CurrentFace() {
  for (const Face& face : faces_)
    if (face.points == points_) return face;
  QFont font = GraphFont(FontPixels());
  const QFontMetrics metrics(font);
  faces_.push_back(Face{points_, font, metrics.ascent(), metrics.ascent() + metrics.descent()});
  return faces_.back();
}

void Canvas::TextOut(int x, int y, const QString& text) {
  const Face& face = CurrentFace();
  QPainter painter(&image_);
  painter.setFont(face.font);
  painter.setPen(QColor(Qt::black));
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(QColor(brush_));
  painter.drawText(QPoint(x, y + face.ascent), text);
  painter.end();
  Changed();
}

QSize Canvas::TextCell(const QString& text) {
  const Face& face = CurrentFace();
  return QSize(QFontMetrics(face.font).horizontalAdvance(text), face.height);
}

}  // namespace orvelt
