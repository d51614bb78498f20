#include "graph/export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "output/output.h"

namespace orvelt {

namespace {

using Drawing = Canvas::Drawing;
using Kind = Drawing::Kind;

// One picture pixel wide, scaled with the picture: a cosmetic pen would print hairlines and
// renders as a pixel of its own in PDF viewers. No cap, since a line leaves out its end pixel.
QPen LinePen(QRgb color, Qt::PenCapStyle cap = Qt::FlatCap) {
  return QPen(QColor(color), 1.0, Qt::SolidLine, cap, Qt::MiterJoin);
}

// The line through the centres of the end pixels, moved back half a pixel along the longer axis:
// it covers the start pixel from its edge and stops at the end pixel's edge.
std::pair<QPointF, QPointF> Stroke(const Drawing& d) {
  const double dx = d.x2 - d.x1, dy = d.y2 - d.y1;
  const double t = -0.5 / std::max(std::abs(dx), std::abs(dy));
  return {QPointF(d.x1 + 0.5 + t * dx, d.y1 + 0.5 + t * dy),
          QPointF(d.x2 + 0.5 + t * dx, d.y2 + 0.5 + t * dy)};
}

bool Sloped(const Drawing& d) {
  return d.x1 != d.x2 && d.y1 != d.y2;
}

// A curve is a run of sloped segments, each starting where the last ended: one polyline. Lines
// along an axis stay single, since joins on them cover pixels off the axis in some renderers.
bool Continues(const Drawing& from, const Drawing& next) {
  return next.kind == Kind::Segment && next.pen == from.pen && next.x1 == from.x2 &&
         next.y1 == from.y2 && Sloped(from) && Sloped(next);
}

class Replay {
 public:
  Replay(QPainter& painter, const Canvas& canvas) : p_(painter), canvas_(canvas) {}

  void Rectangle(const Drawing& d) {
    const int w = d.x2 - d.x1, h = d.y2 - d.y1;
    if (w <= 2 || h <= 2) {
      // All outline; a stroked rectangle this thin draws nothing in SVG.
      p_.fillRect(QRectF(d.x1, d.y1, w, h), QColor(d.pen));
      return;
    }
    p_.setPen(LinePen(d.pen, Qt::SquareCap));
    p_.setBrush(QColor(d.brush));
    p_.drawRect(QRectF(d.x1 + 0.5, d.y1 + 0.5, w - 1, h - 1));
  }

  void FillRect(const Drawing& d) {
    if (d.x2 > d.x1 && d.y2 > d.y1)
      p_.fillRect(QRectF(d.x1, d.y1, d.x2 - d.x1, d.y2 - d.y1), QColor(d.brush));
  }

  // Draws the segment at `at` and those that continue it; returns the last one drawn.
  std::size_t Segments(const std::vector<Drawing>& ds, std::size_t at) {
    const Drawing& d = ds[at];
    p_.setPen(LinePen(d.pen));
    p_.setBrush(Qt::NoBrush);
    std::size_t last = at;
    while (last + 1 < ds.size() && Continues(ds[last], ds[last + 1])) ++last;
    if (last == at) {
      const auto [a, b] = Stroke(d);
      p_.drawLine(a, b);
      return at;
    }
    QPolygonF line;
    line << Stroke(d).first;
    for (std::size_t i = at; i < last; ++i) line << QPointF(ds[i].x2 + 0.5, ds[i].y2 + 0.5);
    line << Stroke(ds[last]).second;
    p_.drawPolyline(line);
    return last;
  }

  // The marker's twelve pixels as rectangles, which every renderer fills exactly.
  void Marker(const Drawing& d) {
    const double x = d.x1, y = d.y1;
    p_.fillRect(QRectF(x, y + 1, 4, 2), QColor(d.pen));
    p_.fillRect(QRectF(x + 1, y, 2, 4), QColor(d.pen));
    p_.fillRect(QRectF(x + 1, y + 1, 2, 2), QColor(d.brush));
  }

  void Text(const Drawing& d) {
    const QFont& font = canvas_.FontAt(d.points);
    const QFontMetrics metrics(font);
    p_.fillRect(
        QRectF(d.x1, d.y1, metrics.horizontalAdvance(d.text), metrics.ascent() + metrics.descent()),
        QColor(d.brush));
    p_.setPen(QColor(Qt::black));
    p_.setBackgroundMode(Qt::TransparentMode);
    p_.setFont(font);
    p_.drawText(QPointF(d.x1, d.y1 + metrics.ascent()), d.text);
  }

 private:
  QPainter& p_;
  const Canvas& canvas_;
};

}  // namespace

void PaintPicture(QPainter& painter, const Canvas& canvas) {
  painter.save();
  const QRectF all(0, 0, canvas.Width(), canvas.Height());
  painter.fillRect(all, Qt::white);
  if (!canvas.Ground().isNull()) painter.drawImage(all, canvas.Ground());
  Replay replay(painter, canvas);
  const std::vector<Drawing>& ds = canvas.Drawings();
  for (std::size_t i = 0; i < ds.size(); ++i) {
    switch (ds[i].kind) {
      case Kind::Rectangle:
        replay.Rectangle(ds[i]);
        break;
      case Kind::FillRect:
        replay.FillRect(ds[i]);
        break;
      case Kind::Segment:
        i = replay.Segments(ds, i);
        break;
      case Kind::Marker:
        replay.Marker(ds[i]);
        break;
      case Kind::Text:
        replay.Text(ds[i]);
        break;
    }
  }
  painter.restore();
}

void PaintPictureFitted(QPainter& painter, const Canvas& canvas, const QRectF& area) {
  const double w = canvas.Width(), h = canvas.Height();
  const double scale = std::min(area.width() / w, area.height() / h);
  painter.save();
  painter.translate(area.center() - QPointF(w, h) * scale / 2);
  painter.scale(scale, scale);
  PaintPicture(painter, canvas);
  painter.restore();
}

QByteArray PngBytes(const QImage& picture) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return buffer.data();
}

QByteArray SvgBytes(const Canvas& canvas, const QString& title) {
  const QSize size(canvas.Width(), canvas.Height());
  // The generator writes both as they are given.
  QByteArray bytes = ProgramOutput().Svg(size, title.toHtmlEscaped(), QStringLiteral("Orvelt"),
                                         [&](QPainter& painter) { PaintPicture(painter, canvas); });
  // The generator states the size in millimetres, which viewers round to a pixel more; the
  // picture's size is in pixels.
  const qsizetype from = bytes.indexOf("<svg width=\"");
  const qsizetype height = bytes.indexOf("height=\"", from);
  const qsizetype to = bytes.indexOf('"', height + 8);
  if (from >= 0 && height > from && to > height) {
    bytes.replace(from, to + 1 - from,
                  "<svg width=\"" + QByteArray::number(size.width()) + "\" height=\"" +
                      QByteArray::number(size.height()) + '"');
  }
  return bytes;
}

QByteArray PdfBytes(const Canvas& canvas, const QString& title,
                    const std::optional<QPageLayout>& page) {
  QBuffer buffer;
  // The writer writes nothing into a device it finds closed.
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  const QSizeF size(canvas.Width(), canvas.Height());
  pdf.setPageLayout(
      page.value_or(QPageLayout(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                QPageLayout::Portrait, QMarginsF())));
  // A device unit a point.
  pdf.setResolution(72);
  pdf.setTitle(title);
  pdf.setCreator(QStringLiteral("Orvelt"));
  QPainter painter(&pdf);
  if (page) {
    PaintPictureFitted(painter, canvas,
                       QRectF(QPointF(0, 0), page->paintRect(QPageLayout::Point).size()));
  } else {
    PaintPicture(painter, canvas);
  }
  painter.end();
  return buffer.data();
}

const char* PictureExtension(PictureFormat format) {
  static constexpr const char* kExtensions[kPictureFormats] = {"png", "svg", "pdf"};
  return kExtensions[static_cast<int>(format)];
}

std::optional<PictureFormat> PictureFormatOf(const QString& name) {
  const QString extension = QFileInfo(name).suffix().toLower();
  for (int f = 0; f < kPictureFormats; ++f) {
    const auto format = static_cast<PictureFormat>(f);
    if (extension == QLatin1String(PictureExtension(format))) return format;
  }
  return std::nullopt;
}

QByteArray PictureBytes(const Canvas& canvas, PictureFormat format, const QString& title) {
  switch (format) {
    case PictureFormat::Png:
      return PngBytes(canvas.Image());
    case PictureFormat::Svg:
      return SvgBytes(canvas, title);
    case PictureFormat::Pdf:
      return PdfBytes(canvas, title);
  }
  return {};
}

}  // namespace orvelt
