#include "graph/canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <utility>

#include "graph/face.h"

namespace orvelt {

namespace {

// The integer nearest to num / den (den > 0), an exact half going down; in 128 bits wide enough
// for any product of two pixel distances.
template <typename Int>
std::int64_t NearestHalfDown(Int num, Int den) {
  // ceil(num / den - 1/2) = ceil((2 num - den) / (2 den)); division truncates towards zero.
  const Int n = 2 * num - den, d = 2 * den;
  Int q = n / d;
  if (n % d != 0 && n > 0) ++q;
  return static_cast<std::int64_t>(q);
}

// Picture pixel x begins at device column Edge(x); a line through it runs in device column
// Centre(x), which lies in the pixel's columns for any ratio of 1 or more. Both are x at ratio 1.
std::int64_t Edge(std::int64_t x, double ratio) {
  return static_cast<std::int64_t>(std::floor(static_cast<double>(x) * ratio + 0.5));
}
std::int64_t Centre(std::int64_t x, double ratio) {
  return static_cast<std::int64_t>(std::floor((static_cast<double>(x) + 0.5) * ratio));
}

// Device pixels of one image, clipped.
class Raster {
 public:
  // Device pixel `origin` lands on the image's top-left pixel.
  Raster(QImage& image, QPoint origin) : image_(image), ox_(origin.x()), oy_(origin.y()) {}

  void Plot(std::int64_t x, std::int64_t y, QRgb color) { PlotInImage(x - ox_, y - oy_, color); }

  void Fill(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, QRgb color) {
    x1 = std::max<std::int64_t>(x1 - ox_, 0);
    y1 = std::max<std::int64_t>(y1 - oy_, 0);
    x2 = std::min<std::int64_t>(x2 - ox_, image_.width());
    y2 = std::min<std::int64_t>(y2 - oy_, image_.height());
    for (std::int64_t y = y1; y < y2; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
      std::fill(line + x1, line + std::max(x1, x2), color);
    }
  }

  void Segment(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, QRgb color) {
    // Walked in the image's own pixels: the rule depends only on the ends' differences.
    x1 -= ox_;
    x2 -= ox_;
    y1 -= oy_;
    y2 -= oy_;
    const std::int64_t dx = x2 - x1, dy = y2 - y1;
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
    // The 128-bit division is for lines far outside the picture; those of a graph fit in 64 bits.
    const bool narrow = n < (std::int64_t{1} << 30) && std::abs(across) < (std::int64_t{1} << 30);
    for (std::int64_t t = first; t <= last; ++t) {
      const std::int64_t along = start + step * t;
      const std::int64_t cross =
          side + (narrow ? NearestHalfDown<std::int64_t>(t * across, n)
                         : NearestHalfDown<__int128>(static_cast<__int128>(t) * across, n));
      if (alongX) {
        PlotInImage(along, cross, color);
      } else {
        PlotInImage(cross, along, color);
      }
    }
  }

 private:
  void PlotInImage(std::int64_t x, std::int64_t y, QRgb color) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)))[x] = color;
  }

  QImage& image_;
  std::int64_t ox_, oy_;
};

// Within the int range, for QPainter, however far off a text was placed.
int Clamped(std::int64_t v) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 30;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

// The rectangle of pixels x1 .. x2 - 1, y1 .. y2 - 1 within `area`, however large the numbers.
QRect Within(const QRect& area, std::int64_t x1, std::int64_t y1, std::int64_t x2,
             std::int64_t y2) {
  const auto clampX = [&](std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, area.left(), area.right() + 1));
  };
  const auto clampY = [&](std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, area.top(), area.bottom() + 1));
  };
  const int l = clampX(x1), r = clampX(x2), t = clampY(y1), b = clampY(y2);
  return r > l && b > t ? QRect(l, t, r - l, b - t) : QRect();
}

}  // namespace

Canvas::Canvas(QImage& image) : image_(&image), size_(image.size()), ground_(image) {
  Q_ASSERT(image.format() == QImage::Format_RGB32);
}

Canvas::Canvas(QSize size) : size_(size) {}

void Canvas::SetFontSize(int points) {
  points_ = points;
}

const Canvas::Face& Canvas::FaceOf(int points, double ratio) const {
  for (const Face& face : faces_)
    if (face.points == points && face.ratio == ratio) return face;
  const int pixels = static_cast<int>(std::lround(points * 96.0 / 72.0));
  QFont font = GraphFont(pixels, ratio);
  const QFontMetrics metrics(font);
  faces_.push_back(
      Face{points, ratio, font, metrics.ascent(), metrics.horizontalAdvance(QLatin1Char('M'))});
  return faces_.back();
}

void Canvas::Paint(const Drawing& d, QImage& target, double ratio, QPoint origin) const {
  Raster raster(target, origin);
  const auto edge = [ratio](std::int64_t v) { return Edge(v, ratio); };
  const auto centre = [ratio](std::int64_t v) { return Centre(v, ratio); };
  switch (d.kind) {
    case Drawing::Kind::Rectangle: {
      raster.Fill(edge(d.x1), edge(d.y1), edge(d.x2), edge(d.y2), d.brush);
      const std::int64_t l = centre(d.x1), r = centre(d.x2 - std::int64_t{1}), t = centre(d.y1),
                         b = centre(d.y2 - std::int64_t{1});
      raster.Fill(l, t, r + 1, t + 1, d.pen);
      raster.Fill(l, b, r + 1, b + 1, d.pen);
      raster.Fill(l, t, l + 1, b + 1, d.pen);
      raster.Fill(r, t, r + 1, b + 1, d.pen);
      break;
    }
    case Drawing::Kind::FillRect:
      raster.Fill(edge(d.x1), edge(d.y1), edge(d.x2), edge(d.y2), d.brush);
      break;
    case Drawing::Kind::Segment:
      raster.Segment(centre(d.x1), centre(d.y1), centre(d.x2), centre(d.y2), d.pen);
      break;
    case Drawing::Kind::Marker: {
      // A disc of diameter 4 pixels around the box's centre: the device pixels whose centres lie
      // within it, those beside one outside it in the pen. At ratio 1 the box without its corners.
      const double cx = (d.x1 + 2.0) * ratio, cy = (d.y1 + 2.0) * ratio, r = 2.0 * ratio;
      const auto inside = [&](std::int64_t i, std::int64_t j) {
        const double u = static_cast<double>(i) + 0.5 - cx, v = static_cast<double>(j) + 0.5 - cy;
        return u * u + v * v <= r * r;
      };
      const auto lo = [](double v) { return static_cast<std::int64_t>(std::floor(v)) - 1; };
      for (std::int64_t j = lo(cy - r); j <= lo(cy + r) + 2; ++j) {
        for (std::int64_t i = lo(cx - r); i <= lo(cx + r) + 2; ++i) {
          if (!inside(i, j)) continue;
          const bool rim =
              !inside(i - 1, j) || !inside(i + 1, j) || !inside(i, j - 1) || !inside(i, j + 1);
          raster.Plot(i, j, rim ? d.pen : d.brush);
        }
      }
      break;
    }
    case Drawing::Kind::Text: {
      const Face& face = FaceOf(d.points, ratio);
      QPainter painter(&target);
      painter.setFont(face.font);
      painter.setPen(QColor(Qt::black));
      painter.setBackgroundMode(Qt::OpaqueMode);
      painter.setBackground(QColor(d.brush));
      painter.drawText(
          QPoint(Clamped(edge(d.x1) - origin.x()), Clamped(edge(d.y1) + face.ascent - origin.y())),
          d.text);
      break;
    }
  }
}

void Canvas::Draw(Drawing drawing) {
  // Nothing of it is in the picture.
  if (drawing.bounds.isEmpty()) return;
  // Pruned first: a drawing that leaves nothing of the ground in sight lets it go before the
  // picture is written, which would otherwise copy the whole picture to keep it.
  Prune(drawing);
  if (image_) Paint(drawing, *image_, 1.0, QPoint());
  drawings_.push_back(std::move(drawing));
}

void Canvas::Prune(const Drawing& drawing) {
  const auto opaque = [](const Drawing& d) {
    return d.kind == Drawing::Kind::Rectangle || d.kind == Drawing::Kind::FillRect;
  };
  if (!opaque(drawing)) return;
  // Drawings that this one and the opaque ones after them paint over wholly are of no more
  // use; so the record stays as short as what can be seen.
  // While the cover is one rectangle, as it mostly is, no region need be made per drawing.
  QRegion cover(drawing.bounds);
  QRect coverRect = drawing.bounds;
  bool single = true;
  std::vector<bool> hidden(drawings_.size());
  for (std::size_t i = drawings_.size(); i-- > 0;) {
    const Drawing& d = drawings_[i];
    if (single ? coverRect.contains(d.bounds) : QRegion(d.bounds).subtracted(cover).isEmpty()) {
      hidden[i] = true;
    } else if (opaque(d)) {
      cover += d.bounds;
      single = cover.rectCount() == 1;
      coverRect = cover.boundingRect();
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < drawings_.size(); ++i)
    if (!hidden[i]) drawings_[kept++] = std::move(drawings_[i]);
  drawings_.resize(kept);
  if (QRegion(Area()).subtracted(cover).isEmpty()) ground_ = QImage();
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x1 == x2 || y1 == y2) return;
  Draw(Drawing{Drawing::Kind::Rectangle, x1, y1, x2, y2, pen_, brush_, 0, QString(),
               Within(Area(), x1, y1, x2, y2)});
  Changed();
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  Draw(Drawing{Drawing::Kind::FillRect, x1, y1, x2, y2, pen_, brush_, 0, QString(),
               Within(Area(), x1, y1, x2, y2)});
  Changed();
}

void Canvas::MoveTo(int x, int y) {
  x_ = x;
  y_ = y;
}

void Canvas::LineTo(int x, int y) {
  Segment(x_, y_, x, y);
  MoveTo(x, y);
}

void Canvas::Segment(int x1, int y1, int x2, int y2) {
  if (x1 != x2 || y1 != y2) {
    Draw(Drawing{Drawing::Kind::Segment, x1, y1, x2, y2, pen_, brush_, 0, QString(),
                 Within(Area(), std::min(x1, x2), std::min(y1, y2),
                        std::int64_t{std::max(x1, x2)} + 1, std::int64_t{std::max(y1, y2)} + 1)});
  }
  Changed();
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (std::int64_t{x2} - x1 == 4 && std::int64_t{y2} - y1 == 4) {
    // A device pixel beyond the box on each side, which the disc can touch at some ratios.
    Draw(Drawing{Drawing::Kind::Marker, x1, y1, x2, y2, pen_, brush_, 0, QString(),
                 Within(Area(), std::int64_t{x1} - 1, std::int64_t{y1} - 1, std::int64_t{x2} + 1,
                        std::int64_t{y2} + 1)});
  }
  Changed();
}

void Canvas::TextOut(int x, int y, const QString& text) {
  const Face& face = FaceOf(points_, 1.0);
  const QFontMetrics metrics(face.font);
  // Faces of finer sizes are not exactly proportional: a generous bound on the cell.
  const std::int64_t width =
      metrics.horizontalAdvance(text) * std::int64_t{5} / 4 + face.advanceOfM;
  const std::int64_t height = metrics.height() * std::int64_t{5} / 4 + 2;
  Draw(Drawing{Drawing::Kind::Text, x, y, x, y, pen_, brush_, points_, text,
               text.isEmpty() ? QRect()
                              : Within(Area(), std::int64_t{x} - 2, std::int64_t{y} - 2, x + width,
                                       y + height)});
  Changed();
}

QImage Canvas::Render(double ratio) const {
  ratio = std::max(ratio, 1.0);
  return Render(ratio, QRect(QPoint(), DeviceSize(ratio)));
}

QSize Canvas::DeviceSize(double ratio) const {
  return QSize(static_cast<int>(Edge(Width(), ratio)), static_cast<int>(Edge(Height(), ratio)));
}

QImage Canvas::Render(double ratio, const QRect& part) const {
  ratio = std::max(ratio, 1.0);
  QImage picture;
  if (ground_.isNull()) {
    picture = QImage(part.size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
  } else {
    picture = ground_.scaled(DeviceSize(ratio), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                  .copy(part)
                  .convertToFormat(QImage::Format_RGB32);
  }
  // The picture pixels that reach into the part, a pixel more on each side: a drawing whose
  // bounds miss them has nothing to paint there. The picture is painted a strip at a time, and
  // this test is what every drawing meets in every strip.
  const auto below = [ratio](int v) { return static_cast<int>(std::floor(v / ratio)) - 1; };
  const int left = below(part.left()), top = below(part.top());
  const int right = below(part.right()) + 2, bottom = below(part.bottom()) + 2;
  for (const Drawing& d : drawings_) {
    const QRect& b = d.bounds;
    if (b.right() >= left && b.left() <= right && b.bottom() >= top && b.top() <= bottom)
      Paint(d, picture, ratio, part.topLeft());
  }
  picture.setDevicePixelRatio(ratio);
  return picture;
}

QSize Canvas::TextCell(const QString& text) const {
  const QFontMetrics metrics(FaceOf(points_, 1.0).font);
  return QSize(metrics.horizontalAdvance(text), metrics.height());
}

}  // namespace orvelt
