#pragma once
// The graph picture outside the program: as a PNG file pixel for pixel, as SVG and PDF drawn again
// from the canvas's record (lines stay lines, points shapes, texts text), and fitted onto a page.
//
// The vector drawing follows the pixel rules: a pen one picture pixel wide runs through the pixel
// centres, shortened by half a pixel at its end, which the canvas leaves out; so that rendered back
// at the picture's size only antialiased edges and glyphs differ from the picture.

#include <QByteArray>
#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <optional>

#include "graph/canvas.h"

class QPainter;

namespace orvelt {

enum class PictureFormat { Png, Svg, Pdf };
inline constexpr int kPictureFormats = 3;

// "png", "svg" or "pdf".
const char* PictureExtension(PictureFormat format);
// The format a file name's extension names (".png", ".svg" or ".pdf", in any case); none for any
// other name.
std::optional<PictureFormat> PictureFormatOf(const QString& name);

// Draws the picture from (0, 0) to (width, height) in the painter's coordinates, one unit a pixel.
void PaintPicture(QPainter& painter, const Canvas& canvas);
// Centred in `area`, as large as fits with its proportions kept.
void PaintPictureFitted(QPainter& painter, const Canvas& canvas, const QRectF& area);

// The picture as a PNG file: exactly its pixels.
QByteArray PngBytes(const QImage& picture);
// The picture as an SVG file of the picture's size in pixels, titled `title`.
QByteArray SvgBytes(const Canvas& canvas, const QString& title);
// The picture as a PDF file of one page titled `title`, the faces embedded: a page of the
// picture's size, a pixel a point; or `page`, the picture fitted into its printable area.
QByteArray PdfBytes(const Canvas& canvas, const QString& title,
                    const std::optional<QPageLayout>& page = std::nullopt);

// The picture's file in `format`: PNG from the picture, the others from the canvas's record.
QByteArray PictureBytes(const Canvas& canvas, PictureFormat format, const QString& title);

}  // namespace orvelt
