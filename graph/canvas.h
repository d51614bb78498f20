#pragma once
// Drawing into the graph picture pixel for pixel: right and bottom edges are exclusive, nothing is
// antialiased. The pen, brush, font size and current position stay set between drawings, like a
// device context. Pixels outside the picture are dropped.
//
// The canvas also keeps the drawings that can still be seen, so that the same picture can be
// drawn again, a part at a time or on a finer pixel grid (a screen with more device pixels to the
// pixel): the same geometry, lines one device pixel wide, text in a face of the finer size.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvelt {

class Canvas {
 public:
  // Draws into `image` (32-bit RGB), which must outlive the canvas.
  explicit Canvas(QImage& image);
  // A white picture of `size` that only the record holds: it is drawn when asked for, so that a
  // window need not keep a copy beside its own pixels.
  explicit Canvas(QSize size);

  int Width() const { return size_.width(); }
  int Height() const { return size_.height(); }
  // The picture at one device pixel to the pixel.
  QImage Image() const { return image_ ? *image_ : Render(1); }

  void SetPenColor(QColor color) { pen_ = color.rgb(); }
  void SetBrushColor(QColor color) { brush_ = color.rgb(); }
  QColor PenColor() const { return QColor(pen_); }
  QColor BrushColor() const { return QColor(brush_); }

  // Text size in points (9 until set) at 96 dots per inch: 9 points are 12 pixels high, 11 are
  // 15, 8 are 11.
  void SetFontSize(int points);
  int FontSize() const { return points_; }

  // Outline in the pen colour on columns x1 and x2 - 1 and rows y1 and y2 - 1, inside in the brush.
  void Rectangle(int x1, int y1, int x2, int y2);
  // Columns x1 .. x2 - 1, rows y1 .. y2 - 1 in the brush colour.
  void FillRect(int x1, int y1, int x2, int y2);

  // Lines draw their start and leave out their end. Along the longer axis every pixel gets the
  // nearest pixel of the true line across it; an exact half goes to the smaller coordinate.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);  // from the current position, which then moves to (x, y)
  void Segment(int x1, int y1, int x2, int y2);  // the current position stays

  // The point marker: in a 4 x 4 box the outline is the box without its corners in the pen, the
  // 2 x 2 centre in the brush. The graph draws no other ellipse, so other boxes draw nothing.
  void Ellipse(int x1, int y1, int x2, int y2);

  // Black glyphs on the cell x .. x + advance - 1, y .. y + ascent + descent - 1, which is first
  // filled with the brush colour. Needs a QGuiApplication.
  void TextOut(int x, int y, const QString& text);
  // The cell TextOut fills for `text` at the current size: advance wide, ascent + descent high.
  QSize TextCell(const QString& text) const;
  // The face TextOut draws in at a text size.
  const QFont& FontAt(int points) const { return FaceOf(points, 1.0).font; }

  // Called once after every drawing, so that a view of the picture can repaint.
  void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

  // The picture drawn anew with `ratio` device pixels to the pixel (1 or more), its device pixel
  // ratio set to it: picture pixel x covers the device columns from round(x * ratio) up to
  // round((x + 1) * ratio), and a line through pixel x runs through device column
  // floor((x + 1/2) * ratio). At ratio 1 it is the picture itself.
  QImage Render(double ratio) const;
  // The device pixels of `part` (device pixels, within the picture) of that picture.
  QImage Render(double ratio, const QRect& part) const;
  // How many drawings are kept for that: those that later ones have not wholly painted over.
  std::size_t KeptDrawings() const { return drawings_.size(); }

  // One drawing as it was asked for, in picture pixels.
  struct Drawing {
    enum class Kind { Rectangle, FillRect, Segment, Marker, Text };
    Kind kind;
    int x1, y1, x2, y2;  // text: the top-left corner in x1, y1
    QRgb pen, brush;
    int points;    // text
    QString text;  // text
    QRect bounds;  // the picture's pixels it may touch, at any ratio
  };
  // The kept drawings in their order, for drawing the picture again on other devices.
  const std::vector<Drawing>& Drawings() const { return drawings_; }
  // What lies under them: null once drawings cover the whole picture, as a blank graph does.
  const QImage& Ground() const { return ground_; }

 private:
  // The face of one text size on one pixel grid; made on the first text at that size, since a
  // font needs the application object, and kept: every graph switches sizes four times.
  struct Face {
    int points;
    double ratio;
    QFont font;
    int ascent;
    int advanceOfM;  // for a bound on the text's cell at other ratios
  };
  const Face& FaceOf(int points, double ratio) const;
  QRect Area() const { return QRect(QPoint(), size_); }
  QSize DeviceSize(double ratio) const;  // of the picture at that ratio

  // Draws on the picture and keeps the drawing.
  void Draw(Drawing drawing);
  // Forgets the drawings and the ground that `drawing` will paint over wholly (only an opaque
  // one can).
  void Prune(const Drawing& drawing);
  // Device pixel `origin` of the picture lands on the target's top-left pixel.
  void Paint(const Drawing& drawing, QImage& target, double ratio, QPoint origin) const;
  void Changed() const {
    if (changed_) changed_();
  }

  QImage* image_ = nullptr;  // drawn into as the drawings come, if there is one
  QSize size_;
  // What the picture held before the first drawing, until drawings cover all of it.
  QImage ground_;
  QRgb pen_ = qRgb(0, 0, 0);
  QRgb brush_ = qRgb(255, 255, 255);
  int x_ = 0, y_ = 0;  // current position
  int points_ = 9;
  std::vector<Drawing> drawings_;
  mutable std::vector<Face> faces_;
  std::function<void()> changed_;
};

}  // namespace orvelt
