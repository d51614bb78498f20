#include "graph/canvas.h"

#include <algorithm>
#include <utility>

namespace orvelt {

Canvas::Canvas(QImage& image) : image_(image) {
  Q_ASSERT(image.format() == QImage::Format_RGB32);
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

}  // namespace orvelt
