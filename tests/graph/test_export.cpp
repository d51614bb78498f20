// The picture as files: the PNG holds its pixels; the SVG and the PDF, rendered back at the
// picture's size by librsvg and poppler, match it but for antialiased glyphs and edges, and keep
// their texts as text.
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include "graph/export.h"
#include "tests/core/grid_builder.h"
#include "tests/graph/picture_support.h"
#include "tests/graph/rendered.h"

using orvelt::Canvas;
using orvelt::FitModel;
using orvelt::GraphChoices;
using orvelt::GraphView;
using orvelt::PictureFormat;
using Kind = orvelt::Canvas::Drawing::Kind;
using namespace test;

namespace {

// Where renderers may blend, from the canvas's record: the glyphs and 2 pixels around them, the
// sloped lines and the markers and a pixel around them. Text cells, lines along the axes and
// everything else must come back exactly.
Pixels Tolerated(const Canvas& canvas) {
  const QImage& picture = canvas.Image();
  Pixels zone;
  for (const Canvas::Drawing& d : canvas.Drawings()) {
    Pixels own;
    int by = 1;
    if (d.kind == Kind::Text) {
      const int pixels = static_cast<int>(std::lround(d.points * 96.0 / 72.0));
      const QRect cell = TextCell(d.x1, d.y1, d.text, pixels).adjusted(-1, -1, 1, 1);
      for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
          if (picture.valid(x, y) && picture.pixel(x, y) == kBlack) own.insert({x, y});
      by = 2;
    } else if (d.kind == Kind::Segment && d.x1 != d.x2 && d.y1 != d.y2) {
      own = ReferenceLine(d.x1, d.y1, d.x2, d.y2, picture.rect());
    } else if (d.kind == Kind::Marker) {
      for (int i = 0; i < 16; ++i) own.insert({d.x1 + i % 4, d.y1 + i / 4});
    }
    for (const auto& [x, y] : own)
      for (int dy = -by; dy <= by; ++dy)
        for (int dx = -by; dx <= by; ++dx) zone.insert({x + dx, y + dy});
  }
  return zone;
}

bool Near(QRgb a, QRgb b, int by) {
  return std::abs(qRed(a) - qRed(b)) <= by && std::abs(qGreen(a) - qGreen(b)) <= by &&
         std::abs(qBlue(a) - qBlue(b)) <= by;
}

// The pixels that differ outside the tolerated ones; and the picture's ink with nothing of about
// its colour within a pixel in the rendering, which a text or a curve lost there would leave.
struct Comparison {
  QStringList outside;
  int lost = 0;
};
Comparison Compare(const QImage& back, const Canvas& canvas) {
  const QImage& picture = canvas.Image();
  const Pixels tolerated = Tolerated(canvas);
  Comparison c;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb p = picture.pixel(x, y);
      if (!tolerated.count({x, y}) && back.pixel(x, y) != p)
        c.outside << QStringLiteral("(%1,%2) %3").arg(x).arg(y).arg(back.pixel(x, y), 0, 16);
      bool near = p == kWhite;
      for (int i = 0; i < 9 && !near; ++i)
        near = back.valid(x + i % 3 - 1, y + i / 3 - 1) &&
               Near(back.pixel(x + i % 3 - 1, y + i / 3 - 1), p, 160);
      c.lost += !near;
    }
  return c;
}

// The words of the picture's texts missing from `text`. Blanks do not count: extracted text keeps
// a run of them as one and joins the raised "2" to its neighbours.
QStringList MissingWords(const Canvas& canvas, QString text) {
  text.remove(QRegularExpression(QStringLiteral("\\s")));
  QStringList missing;
  for (const Canvas::Drawing& d : canvas.Drawings())
    if (d.kind == Kind::Text)
      for (const QString& word : d.text.split(' ', Qt::SkipEmptyParts))
        if (!text.contains(word)) missing << word;
  return missing;
}

}  // namespace

Q_DECLARE_METATYPE(test::Scene)
Q_DECLARE_METATYPE(orvelt::GraphChoices)

class TestExport : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void files_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<GraphChoices>("choices");
    QTest::newRow("blank") << Scene{{}, 0, true} << GraphChoices{};
    const std::pair<const char*, Scene> scenes[] = {
        {"line, omitted row, series 2, band 1",
         Compute(FitModel::Linear,
                 {{"1", "2.1"}, {"2", "3.9"}, {"3", "6.2"}, {"5", "10.3"}, {"6", "12", "Omit"}},
                 {{"1.5", "4"}, {"3.5", "6.5"}, {"5.5", "12"}}, 1)},
        {"years, parabola, band 2", Compute(FitModel::Quadratic, Years(2001, kCarbonDioxide), 2)},
        {"parabola without constant, series 2, band 3",
         Compute(FitModel::QuadraticNoConstant,
                 {{"0.5", "-1"}, {"1", "-1.6"}, {"2", "-1.9"}, {"4", "0.9"}, {"5", "4.2"}},
                 {{"2.5", "-1"}, {"4.5", "2"}}, 3)}};
    for (const auto& [name, scene] : scenes) {
      QTest::addRow("%s, through the origin", name) << scene << GraphChoices{};
      QTest::addRow("%s, on the data", name) << scene << GraphChoices{GraphView::FitData};
    }
    // The 95 % bands and the residuals, which the canvas's record carries too.
    const Scene& years = scenes[1].second;
    QTest::newRow("years, parabola, both 95% bands")
        << years << GraphChoices{GraphView::ThroughOrigin, true, true};
    QTest::newRow("years, parabola, both 95% bands, on the data")
        << years << GraphChoices{GraphView::FitData, true, true};
    QTest::newRow("line, omitted row, residuals")
        << scenes[0].second << GraphChoices{GraphView::Residuals};
  }
  void files() {
    QFETCH(Scene, scene);
    QFETCH(GraphChoices, choices);
    const bool blank = scene.refused;  // the picture the results reset leaves
    Drawing drawing;
    if (!blank) drawing.Draw(scene, choices);
    const Canvas& canvas = drawing.canvas;
    const QString title = blank ? QString() : orvelt::FormulaText(scene.result.model);
    const QImage png = QImage::fromData(orvelt::PictureBytes(canvas, PictureFormat::Png, title));
    QCOMPARE(png.convertToFormat(QImage::Format_RGB32), drawing.image);

    for (PictureFormat format : {PictureFormat::Svg, PictureFormat::Pdf}) {
      const QString path = dir_.filePath(format == PictureFormat::Svg ? "p.svg" : "p.pdf");
      const QByteArray bytes = orvelt::PictureBytes(canvas, format, title);
      QVERIFY(Write(path, bytes));
      const QImage back = RenderedBack(path);
      QCOMPARE(back.size(), drawing.image.size());
      const Comparison c = Compare(back, canvas);
      QVERIFY2(c.outside.isEmpty(), qPrintable(c.outside.mid(0, 8).join(' ')));
      // A pixel or two of a glyph, or of a line crossing another, blends away.
      QVERIFY2(c.lost <= 4, qPrintable(QString::number(c.lost)));
      QString texts;
      if (format == PictureFormat::Svg) {
        // Well formed, titled, lines as lines, texts as text, no picture inside.
        QXmlStreamReader xml(bytes);
        QMap<QString, int> elements;
        QString svgTitle;
        while (!xml.atEnd()) {
          if (xml.readNext() != QXmlStreamReader::StartElement) continue;
          ++elements[xml.name().toString()];
          if (xml.name() == QLatin1String("title")) svgTitle = xml.readElementText();
          if (xml.name() == QLatin1String("text")) texts += xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(svgTitle, title);
        QCOMPARE(elements.value("polyline") > 0, !blank);
        QCOMPARE(elements.value("image"), 0);
      } else {
        const QMap<QString, QString> info = PdfInfo(path);
        QCOMPARE(info.value("Title"), title);
        QCOMPARE(info.value("Page size"), QStringLiteral("321 x 450 pts"));
        // Every face embedded: "emb" is the fifth word from the end of a font's line.
        const QStringList fonts =
            QString::fromUtf8(Tool("pdffonts", {path})).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(fonts.size() > 2, !blank);
        for (const QString& font : fonts.mid(2)) {
          const QStringList words = font.split(' ', Qt::SkipEmptyParts);
          QCOMPARE(words.value(words.size() - 5), QStringLiteral("yes"));
        }
        texts = QString::fromUtf8(Tool("pdftotext", {path, "-"}));
      }
      QCOMPARE(MissingWords(canvas, texts), QStringList());
    }
  }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
