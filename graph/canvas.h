#pragma once
// Drawing into the graph picture pixel for pixel: right and bottom edges are exclusive, nothing is
// antialiased. The pen, brush and font size stay set between drawings, like a device context.

#include <QColor>
#include <QImage>
#include <functional>

namespace orvelt {

class Canvas {
 public:
  // Draws into `image` (32-bit RGB), which must outlive the canvas.
  explicit Canvas(QImage& image);

  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  const QImage& Image() const { return image_; }

  void SetPenColor(QColor color) { pen_ = color.rgb(); }
  void SetBrushColor(QColor color) { brush_ = color.rgb(); }
  QColor PenColor() const { return QColor(pen_); }
  QColor BrushColor() const { return QColor(brush_); }

  // Outline in the pen colour on columns x1 and x2 - 1 and rows y1 and y2 - 1, inside in the brush.
  void Rectangle(int x1, int y1, int x2, int y2);
  // Columns x1 .. x2 - 1, rows y1 .. y2 - 1 in the brush colour.
  void FillRect(int x1, int y1, int x2, int y2);

  // Called after every drawing, so that a view of the picture can repaint.
  void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

 private:
  void Fill(int x1, int y1, int x2, int y2, QRgb color);  // clipped, no notification
  void Changed() const {
    if (changed_) changed_();
  }

  QImage& image_;
  QRgb pen_ = qRgb(0, 0, 0);
  QRgb brush_ = qRgb(255, 255, 255);
  std::function<void()> changed_;
};

}  // namespace orvelt
