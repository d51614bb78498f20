#include <QTest>
#include <cmath>

#include "core/number.h"
#include "graph/drawgraph.h"
#include "tests/graph/picture_support.h"
#include "tests/support.h"

using orvelt::FitModel;
using orvelt::PlotRange;
using namespace test;

namespace {

// The curve's sample of column i, as the plot defines it: x and y stored as 32-bit values, and
// the sample kept only inside [B, T].
struct Sample {
  bool inside = false;
  int row = 0;
};

Sample SampleAt(const PlotRange& range, long double qa, long double qb, long double qc,
                float offset, int i) {
  const float x = static_cast<float>(range.L + static_cast<long double>(i) * range.sx);
  const float y = static_cast<float>((qa * x) * x + qb * x + qc + offset);
  Sample sample;
  sample.inside = y >= range.B && y <= range.T;
  if (sample.inside)
    sample.row = range.W - static_cast<int>(std::nearbyintl((y - (long double)range.B) / range.sy));
  return sample;
}

// The samples of a pass over the scene's curve, by the formula kind's coefficients.
QList<Sample> Samples(const Scene& scene, float offset) {
  const PlotRange range = scene.Range();
  const auto& s = scene.result.figures;
  const FitModel model = scene.result.model;
  const bool quadratic = model == FitModel::Quadratic || model == FitModel::QuadraticNoConstant;
  const long double qa = quadratic ? s.a : 0, qb = quadratic ? s.b : s.a,
                    qc = quadratic ? s.c : s.b;
  QList<Sample> samples;
  for (int i = 0; i <= range.W; ++i) samples << SampleAt(range, qa, qb, qc, offset, i);
  return samples;
}

// How many runs of samples inside the range a pass has.
int Runs(const Scene& scene, float offset) {
  int runs = 0;
  bool previousInside = false;
  for (const Sample& sample : Samples(scene, offset)) {
    if (sample.inside && !previousInside) ++runs;
    previousInside = sample.inside;
  }
  return runs;
}

// The pixels of one pass: a line between every two neighbouring samples that are both inside.
Pixels ExpectedPass(const Scene& scene, float offset) {
  const QList<Sample> samples = Samples(scene, offset);
  Pixels pixels;
  Sample previous = samples[0];
  for (int i = 1; i < samples.size(); ++i) {
    const Sample next = samples[i];
    if (previous.inside && next.inside) {
      const Pixels line = ReferenceLine(i - 1, previous.row, i, next.row, QRect(0, 0, 321, 450));
      pixels.insert(line.begin(), line.end());
    }
    previous = next;
  }
  return pixels;
}

// The three texts of the frame at 9 points.
QList<QRect> FrameTextCells(const PlotRange& range) {
  const int column = range.Column(0), row = range.Row(0);
  const QString right = QString::fromStdString(orvelt::FormatNumber(range.R, 4, 2));
  const QString top = QString::fromStdString(orvelt::FormatNumber(range.T, 4, 2));
  return {TextCell(column - 8, row + 1, QStringLiteral("0"), 12),
          TextCell(321 - 7 * right.size() + 5, row + 1, right, 12),
          TextCell(column + 5, 1, top, 12)};
}

// Black pixels inside the plot square's outline, leaving out the frame's texts.
Pixels InnerBlack(const QImage& image, const PlotRange& range) {
  const QList<QRect> cells = FrameTextCells(range);
  Pixels pixels;
  for (const auto& p : PixelsOf(image, kBlack)) {
    const QPoint point(p.first, p.second);
    if (!QRect(1, 1, 319, 319).contains(point)) continue;
    bool inText = false;
    for (const QRect& cell : cells) inText = inText || cell.contains(point);
    if (!inText) pixels.insert(p);
  }
  return pixels;
}

Pixels InnerOnly(const Pixels& pixels, const PlotRange& range) {
  const QList<QRect> cells = FrameTextCells(range);
  Pixels inner;
  for (const auto& p : pixels) {
    const QPoint point(p.first, p.second);
    bool inText = false;
    for (const QRect& cell : cells) inText = inText || cell.contains(point);
    if (QRect(1, 1, 319, 319).contains(point) && !inText) inner.insert(p);
  }
  return inner;
}

// The 6 x 6 pixels around the marker of column c, row r.
QStringList MarkerArea(const QImage& image, int c, int r) {
  return Picture(image, QRect(c - 3, r - 3, 6, 6));
}

const QStringList kFilledRed{"......", "..PP..", ".PPPP.", ".PPPP.", "..PP..", "......"};
const QStringList kHollowRed{"......", "..PP..", ".P..P.", ".P..P.", "..PP..", "......"};
const QStringList kFilledGreen{"......", "..gg..", ".gggg.", ".gggg.", "..gg..", "......"};

// A text of the formula block.
struct Placed {
  int x = 0, y = 0, pixels = 0;
  QString text;
};

}  // namespace

Q_DECLARE_METATYPE(Placed)
Q_DECLARE_METATYPE(test::Scene)

class TestDrawGraph : public QObject {
  Q_OBJECT

 private slots:
  void plotRange_data() {
    QTest::addColumn<QList<float>>("data");  // XMax, XMin, YMax, YMin
    QTest::addColumn<QList<float>>("ends");  // L, R, B, T
    QTest::addColumn<int>("axisColumn");
    QTest::addColumn<int>("axisRow");
    QTest::newRow("all positive") << QList<float>{10, 1, 20, 2}
                                  << QList<float>{-1.1f, 11, -2.2f, 22} << 29 << 292;
    QTest::newRow("x all negative")
        << QList<float>{-1, -10, 20, 2} << QList<float>{-11, 1, -2.2f, 22} << 294 << 292;
    QTest::newRow("straddling zero")
        << QList<float>{3, -2, 4, -1} << QList<float>{-2.55f, 3.5f, -1.55f, 4.5f} << 135 << 239;
    QTest::newRow("-1 to 1") << QList<float>{1, -1, 1, -1}
                             << QList<float>{-1.22f, 1.2f, -1.22f, 1.2f} << 162 << 159;
    QTest::newRow("y all 0") << QList<float>{10, 1, 0, 0} << QList<float>{-1.1f, 11, -0.61f, 0.6f}
                             << 29 << 159;
    QTest::newRow("y all 7") << QList<float>{10, 1, 7, 7} << QList<float>{-1.1f, 11, -0.77f, 7.7f}
                             << 29 << 292;
    QTest::newRow("x all -3") << QList<float>{-3, -3, 20, 2}
                              << QList<float>{-3.33f, 0.3f, -2.2f, 22} << 294 << 292;
    QTest::newRow("x all 5, y all 0")
        << QList<float>{5, 5, 0, 0} << QList<float>{-0.55f, 5.5f, -0.61f, 0.6f} << 29 << 159;
    QTest::newRow("y all -4") << QList<float>{10, 1, -4, -4}
                              << QList<float>{-1.1f, 11, -4.44f, 0.4f} << 29 << 27;
  }
  void plotRange() {
    QFETCH(QList<float>, data);
    QFETCH(QList<float>, ends);
    QFETCH(int, axisColumn);
    QFETCH(int, axisRow);
    const PlotRange range = orvelt::DerivePlotRange({data[0], data[1], data[2], data[3]}, 321);
    QCOMPARE(range.W, 321);
    QCOMPARE_EXACT(range.L, ends[0]);
    QCOMPARE_EXACT(range.R, ends[1]);
    QCOMPARE_EXACT(range.B, ends[2]);
    QCOMPARE_EXACT(range.T, ends[3]);
    QCOMPARE_EXACT(range.sx, static_cast<float>((ends[1] - (long double)ends[0]) / 321));
    QCOMPARE_EXACT(range.sy, static_cast<float>((ends[3] - (long double)ends[2]) / 321));
    QCOMPARE(range.Column(0), axisColumn);
    QCOMPARE(range.Row(0), axisRow);
    QCOMPARE(range.Column(range.L), 0);
    QCOMPARE(range.Column(range.R), 321);
    QCOMPARE(range.Row(range.T), 0);
    QCOMPARE(range.Row(range.B), 321);
  }

  void mapping() {
    const PlotRange range = orvelt::DerivePlotRange({10, 1, 20, 2}, 321);
    QCOMPARE(range.Column(1), 56);
    QCOMPARE(range.Row(2), 265);
    QCOMPARE(range.Column(10), 294);
    QCOMPARE(range.Row(20), 27);
  }

  // Difference and quotient in extended precision, then one rounding, ties to even.
  void mappingRoundsOnce() {
    PlotRange range;
    range.W = 10;
    range.sx = range.sy = 1;
    QCOMPARE(range.Column(2.5f), 2);
    QCOMPARE(range.Column(3.5f), 4);
    QCOMPARE(range.Column(-1.5f), -2);
    QCOMPARE(range.Row(2.5f), 8);
    QCOMPARE(range.Row(3.5f), 6);
    // 3.5 - 2^-30 would become the tie 3.5 if the difference were rounded to 32 bits first.
    range.L = range.B = std::ldexp(1.0f, -30);
    QCOMPARE(range.Column(3.5f), 3);
    QCOMPARE(range.Row(3.5f), 7);
    // 0.75 / 0.1f is 7.4999998...; rounded to 32 bits first it would be the tie 7.5 and go to 8.
    range.L = 0;
    range.sx = 0.1f;
    QCOMPARE(range.Column(0.75f), 7);
  }

  void blankPicture() {
    QImage image = Blank(321, 450, kMagenta);
    orvelt::Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.SetBrushColor(Qt::blue);
    orvelt::BlankGraphPicture(canvas);
    QCOMPARE(canvas.PenColor(), QColor(Qt::black));
    QCOMPARE(canvas.BrushColor(), QColor(Qt::white));
    QImage expected = Blank(321, 450);
    for (int i = 0; i < 321; ++i) {
      expected.setPixel(i, 0, kBlack);
      expected.setPixel(i, 320, kBlack);
      expected.setPixel(0, i, kBlack);
      expected.setPixel(320, i, kBlack);
    }
    QVERIFY(image == expected);
  }

  // The frame alone, against a picture made from the rules: outline, grey axes over it, texts.
  void frame_data() {
    QTest::addColumn<QList<float>>("data");  // XMax, XMin, YMax, YMin
    QTest::addColumn<int>("axisColumn");
    QTest::addColumn<int>("axisRow");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("rightColumn");
    QTest::addColumn<QString>("top");
    QTest::newRow("x 1..10, y 2..20")
        << QList<float>{10, 1, 20, 2} << 29 << 292 << "11.00" << 291 << "22.00";
    QTest::newRow("x -10..-1, y -1..4")
        << QList<float>{-1, -10, 4, -1} << 294 << 239 << "1.00" << 298 << "4.50";
    QTest::newRow("x -2..3, y -1..4")
        << QList<float>{3, -2, 4, -1} << 135 << 239 << "3.50" << 298 << "4.50";
    QTest::newRow("x -1..1, y -1..1")
        << QList<float>{1, -1, 1, -1} << 162 << 159 << "1.20" << 298 << "1.20";
    QTest::newRow("y all 0") << QList<float>{10, 1, 0, 0} << 29 << 159 << "11.00" << 291 << "0.60";
    QTest::newRow("x all 5") << QList<float>{5, 5, 3, -1} << 29 << 225 << "5.50" << 298 << "3.40";
  }
  void frame() {
    QFETCH(QList<float>, data);
    QFETCH(int, axisColumn);
    QFETCH(int, axisRow);
    QFETCH(QString, right);
    QFETCH(int, rightColumn);
    QFETCH(QString, top);
    const QImage image = Draw(FrameOnly(data[0], data[1], data[2], data[3]));

    QImage expected = Blank(321, 450);
    for (int i = 0; i < 321; ++i) {
      expected.setPixel(i, 0, kBlack);
      expected.setPixel(i, 320, kBlack);
      expected.setPixel(0, i, kBlack);
      expected.setPixel(320, i, kBlack);
    }
    for (int i = 0; i < 321; ++i) expected.setPixel(i, axisRow, kGrey);
    for (int i = 0; i < 321; ++i) expected.setPixel(axisColumn, i, kGrey);
    ReferenceText(expected, axisColumn - 8, axisRow + 1, QStringLiteral("0"), 12);
    ReferenceText(expected, rightColumn, axisRow + 1, right, 12);
    ReferenceText(expected, axisColumn + 5, 1, top, 12);
    // The formula block below has its own test.
    QVERIFY(image.copy(0, 0, 321, 335) == expected.copy(0, 0, 321, 335));
  }

  void points() {
    Scene scene = FrameOnly(10, 1, 20, 2);
    scene.result.series1 = {{1, 2}, {5, 11, false}, {10, 20}};

    QImage image = Draw(scene);
    QCOMPARE(MarkerArea(image, 56, 265), kFilledRed);
    QCOMPARE(MarkerArea(image, 294, 27), kFilledRed);
    QCOMPARE(MarkerArea(image, 162, 146), kHollowRed);  // (5, 11), omitted
    QVERIFY(PixelsOf(image, kGreen).empty());
    QCOMPARE(PixelsOf(image, kRed).size(), std::size_t{12 + 12 + 8});

    // Series 2: (3, 5) and a point on top of series-1 (1, 2).
    scene.result.series2 = {{3, 5}, {1, 2}};
    image = Draw(scene);
    QCOMPARE(MarkerArea(image, 56, 265), kFilledGreen);
    QCOMPARE(MarkerArea(image, 109, 225), kFilledGreen);  // (3, 5)
    QCOMPARE(PixelsOf(image, kGreen).size(), std::size_t{24});
    QCOMPARE(MarkerArea(image, 294, 27), kFilledRed);
    QCOMPARE(MarkerArea(image, 162, 146), kHollowRed);
  }

  void laterRowsOnTop() {
    Scene scene = FrameOnly(10, 1, 20, 2);
    scene.result.series1 = {{1, 2}, {1, 2, false}, {10, 20}};
    QCOMPARE(MarkerArea(Draw(scene), 56, 265), kHollowRed);
    scene.result.series1 = {{1, 2, false}, {1, 2}, {10, 20}};
    QCOMPARE(MarkerArea(Draw(scene), 56, 265), kFilledRed);
  }

  // The curve and the bands pixel by pixel: a line between neighbouring samples inside the range,
  // nothing where a sample lies outside, bands over the curve.
  void passes_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<float>("d");          // the band offset where worked out by hand
    QTest::addColumn<QList<int>>("runs");  // of the curve, the lower and the upper band
    QTest::newRow("parabola leaving at the top")
        << Compute(FitModel::Quadratic, {{"-2", "4"}, {"0", "0"}, {"3", "9"}}) << 0.0f
        << QList<int>{1, 0, 0};
    QTest::newRow("parabola dipping below the range")
        << Compute(FitModel::Quadratic, {{"1", "4"}, {"2", "0"}, {"4", "0"}, {"5", "4"}}) << 0.0f
        << QList<int>{2, 0, 0};
    QTest::newRow("steep line, gaps at the edges")
        << Compute(FitModel::Linear, {{"0", "0"}, {"1", "10"}, {"2", "20"}}, {{"10", "0"}}) << 0.0f
        << QList<int>{1, 0, 0};
    QTest::newRow("y = ax through the crossing")
        << Compute(FitModel::Proportional, {{"-3", "-6.3"}, {"1", "2.2"}, {"2", "3.7"}}) << 0.0f
        << QList<int>{1, 0, 0};
    // Below the range about the vertex, above it at the right.
    QTest::newRow("y = ax^2 + bx")
        << Compute(FitModel::QuadraticNoConstant, {{"-1", "2"}, {"1", "0.1"}, {"3", "3"}}) << 0.0f
        << QList<int>{2, 0, 0};
    // Residuals 0.5, -0.5, 0, -0.5, 0.5 about y = x: s = 0.5, twice that each way.
    QTest::newRow("bands at 2s, s = 0.5")
        << Compute(FitModel::Linear,
                   {{"-2", "-1.5"}, {"-1", "-1.5"}, {"0", "0"}, {"1", "0.5"}, {"2", "2.5"}}, {}, 2)
        << 1.0f << QList<int>{1, 1, 1};
    QTest::newRow("no band for two used rows")
        << Compute(FitModel::Linear, {{"1", "1"}, {"2", "3", "Omit"}, {"3", "2"}}, {}, 1) << 0.0f
        << QList<int>{1, 0, 0};
    // y = ax misses two points, yet two used rows have no deviation to draw.
    QTest::newRow("no band for two used rows of y = ax")
        << Compute(FitModel::Proportional, {{"1", "1"}, {"2", "3", "Omit"}, {"3", "2"}}, {}, 3)
        << 0.0f << QList<int>{1, 0, 0};
    QTest::newRow("no band for one used row")
        << Compute(FitModel::Proportional, {{"1", "1"}, {"2", "3", "Omit"}}, {}, 2) << 0.0f
        << QList<int>{1, 0, 0};
    // Found by search: rows that depend on the sample's x being rounded to 32 bits, and on y.
    QTest::newRow("x of the samples stored")
        << Compute(FitModel::Linear, {{"7", "-0.4"}, {"-2", "8.7"}, {"5", "-4.3"}, {"-1", "1.0"}})
        << 0.0f << QList<int>{1, 0, 0};
    QTest::newRow("y of the samples stored")
        << Compute(FitModel::Linear,
                   {{"-2", "-10.0"}, {"3", "-4.7"}, {"-1", "7.6"}, {"0.3", "-8.9"}})
        << 0.0f << QList<int>{1, 0, 0};
    QTest::newRow("no band when s shows as 0")
        << Compute(FitModel::Linear, {{"1", "2"}, {"2", "4"}, {"3", "6"}}, {}, 3) << 0.0f
        << QList<int>{1, 0, 0};
    // y = 0.6x + 0.6 with s = sqrt(2.4): 3s lies beyond both ends of the range everywhere.
    QTest::newRow("bands beyond the range")
        << Compute(FitModel::Linear, {{"0", "0"}, {"1", "3"}, {"2", "0"}, {"3", "3"}}, {}, 3)
        << 4.64757f << QList<int>{1, 0, 0};
    // Near the vertex the lower band dips below the range and comes back.
    QTest::newRow("bands leaving and coming back")
        << Compute(FitModel::Quadratic,
                   {{"-2", "4.25"}, {"-1", "0.5"}, {"0", "-0.25"}, {"1", "1.5"}, {"2", "4"},
                    {"3", "6"}},
                   {}, 3)
        << 0.0f << QList<int>{1, 2, 1};
  }
  void passes() {
    QFETCH(Scene, scene);
    QFETCH(float, d);
    QFETCH(QList<int>, runs);
    QVERIFY(!scene.refused);
    const PlotRange range = scene.Range();
    Drawing drawing;
    const QImage& image = drawing.Draw(scene);

    // The offset is k times the shown deviation; where the deviation is shown it comes back from
    // the label text.
    float offset = 0;
    if (scene.bandMultiple != 0 && scene.result.usedCount > 2) {
      const std::string prefix = "標準偏差 =";
      const std::string& label = scene.result.texts.stdDev;
      QVERIFY(label.rfind(prefix, 0) == 0);
      const auto shown = orvelt::ParseNumber(label.substr(prefix.size()));
      QVERIFY(shown.valid);
      offset = static_cast<float>(scene.bandMultiple * shown.value);
    }
    if (d != 0 || offset == 0) QCOMPARE(offset, d);  // hand-worked where given; fuzzy on purpose

    QCOMPARE(Runs(scene, 0), runs[0]);
    QCOMPARE(offset != 0 ? Runs(scene, -offset) : 0, runs[1]);
    QCOMPARE(offset != 0 ? Runs(scene, offset) : 0, runs[2]);

    const Pixels curve = ExpectedPass(scene, 0);
    Pixels bands;
    if (offset != 0) {
      const Pixels lower = ExpectedPass(scene, -offset), upper = ExpectedPass(scene, offset);
      bands.insert(lower.begin(), lower.end());
      bands.insert(upper.begin(), upper.end());
    }
    QVERIFY(!curve.empty());
    QVERIFY(PixelsOf(image, kBlue) == bands);
    QVERIFY(InnerBlack(image, range) == InnerOnly(Without(curve, bands), range));
    QCOMPARE(drawing.canvas.PenColor(), offset != 0 ? QColor(Qt::blue) : QColor(Qt::black));
    QCOMPARE(drawing.canvas.FontSize(), 11);
    QCOMPARE(drawing.canvas.BrushColor(), QColor(Qt::white));
  }

  // Every sample that lies outside the range leaves its column without the curve.
  void curveBreaksOutsideRange() {
    const Scene scene =
        Compute(FitModel::Quadratic, {{"1", "4"}, {"2", "0"}, {"4", "0"}, {"5", "4"}});
    const PlotRange range = scene.Range();
    const QImage image = Draw(scene);
    const Pixels black = InnerBlack(image, range);
    const QList<Sample> samples = Samples(scene, 0);
    int outside = 0;
    for (int i = 1; i < 320; ++i) {
      if (samples[i].inside) continue;
      ++outside;
      for (int row = 1; row < 320; ++row) QVERIFY(!black.count({i, row}));
    }
    QCOMPARE(Runs(scene, 0), 2);
    QVERIFY(outside > 20);
  }

  // Samples beyond the 32-bit range are outside the plot, not a failure.
  void samplesBeyondSingleRange() {
    Scene scene = FrameOnly(1e5f, -1e5f, 1, 0);
    scene.result.model = FitModel::Quadratic;
    scene.result.figures.a = 1e30f;
    scene.result.figures.b = 0;
    QVERIFY(std::isinf(static_cast<float>(1e30L * 1e5L * 1e5L)));
    QImage image;
    try {
      image = Draw(scene);
    } catch (const std::exception& e) {
      QFAIL(e.what());
    }
    QVERIFY(ExpectedPass(scene, 0).empty());
    QVERIFY(InnerBlack(image, scene.Range()).empty());
    QVERIFY(PixelsOf(image, kBlue).empty());
  }

  // The first blue pixels to appear belong to the lower band.
  void lowerBandFirst() {
    const Scene scene =
        Compute(FitModel::Linear,
                {{"-2", "-1.5"}, {"-1", "-1.5"}, {"0", "0"}, {"1", "0.5"}, {"2", "2.5"}}, {}, 2);
    const Pixels lower = ExpectedPass(scene, -1), upper = ExpectedPass(scene, 1);
    QImage firstBlue;
    Drawing drawing;
    drawing.canvas.SetChangedHandler([&] {
      if (firstBlue.isNull() && !PixelsOf(drawing.image, kBlue).empty())
        firstBlue = drawing.image.copy();
    });
    drawing.Draw(scene);
    QVERIFY(!firstBlue.isNull());
    const Pixels blue = PixelsOf(firstBlue, kBlue);
    QVERIFY(!blue.empty());
    QVERIFY(Without(blue, lower).empty());
    QVERIFY(Without(lower, upper) != lower || !upper.empty());
    for (const auto& p : Without(upper, lower)) QVERIFY(!blue.count(p));
  }

  // The block under the plot square, against the texts placed by hand at the given positions.
  void formulaBlock_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QList<Placed>>("texts");
    const QString a = QStringLiteral("a =   2.00000"), b = QStringLiteral("b =  -0.50000"),
                  c = QStringLiteral("c =   1.25000"), count = QStringLiteral("data : 3 組"),
                  sd = QStringLiteral("標準偏差 =   0.12346");
    QTest::newRow("y = ax + b") << 0
                                << QList<Placed>{{110, 340, 15, QStringLiteral("y = ax + b")},
                                                 {120, 355, 15, a},
                                                 {120, 370, 15, b},
                                                 {120, 385, 15, count},
                                                 {118, 402, 15, sd}};
    QTest::newRow("y = ax") << 1
                            << QList<Placed>{{110, 340, 15, QStringLiteral("y = ax")},
                                             {120, 355, 15, a},
                                             {120, 370, 15, count},
                                             {118, 387, 15, sd}};
    QTest::newRow("y = ax^2 + bx + c")
        << 2
        << QList<Placed>{{110, 340, 15, QStringLiteral("y = ax  + bx + c")},
                         {150, 340, 11, QStringLiteral("2")},
                         {120, 355, 15, a},
                         {120, 370, 15, b},
                         {120, 385, 15, c},
                         {120, 400, 15, count},
                         {118, 417, 15, sd}};
    // Below the range about the vertex, above it at the right.
    QTest::newRow("y = ax^2 + bx") << 3
                                   << QList<Placed>{{110, 340, 15, QStringLiteral("y = ax  + bx")},
                                                    {150, 340, 11, QStringLiteral("2")},
                                                    {120, 355, 15, a},
                                                    {120, 370, 15, b},
                                                    {120, 385, 15, count},
                                                    {118, 402, 15, sd}};
  }
  void formulaBlock() {
    QFETCH(int, model);
    QFETCH(QList<Placed>, texts);
    Scene scene = FrameOnly(10, 1, 20, 2);
    scene.result.model = static_cast<FitModel>(model);
    // Every caption is set, so a line the formula kind does not have would show.
    scene.result.texts = {"a =   2.00000", "b =  -0.50000", "c =   1.25000", "data : 3 組",
                          "標準偏差 =   0.12346"};
    scene.result.figures.c = 1e6f;  // keeps the quadratic curves out of the range too
    Drawing drawing;
    const QImage& image = drawing.Draw(scene);
    QImage expected = Blank(321, 450);
    for (const Placed& text : texts)
      ReferenceText(expected, text.x, text.y, text.text, text.pixels);
    QVERIFY(image.copy(0, 321, 321, 129) == expected.copy(0, 321, 321, 129));
    QCOMPARE(drawing.canvas.FontSize(), 11);
    QCOMPARE(drawing.canvas.BrushColor(), QColor(Qt::white));
  }

  // The deviation line of two used rows is the bare caption.
  void formulaBlockWithoutDeviation() {
    const Scene scene =
        Compute(FitModel::Quadratic, {{"1", "1"}, {"2", "7", "Omit"}, {"3", "5"}}, {}, 2);
    QVERIFY(!scene.refused);
    const QImage image = Draw(scene);
    QImage expected = Blank(321, 450);
    ReferenceText(expected, 110, 340, QStringLiteral("y = ax  + bx + c"), 15);
    ReferenceText(expected, 150, 340, QStringLiteral("2"), 11);
    ReferenceText(expected, 120, 355, QStringLiteral("a =   0.00000"), 15);
    ReferenceText(expected, 120, 370, QStringLiteral("b =   2.00000"), 15);
    ReferenceText(expected, 120, 385, QStringLiteral("c =  -1.00000"), 15);
    ReferenceText(expected, 120, 400, QStringLiteral("data : 2 組"), 15);
    ReferenceText(expected, 118, 417, QStringLiteral("標準偏差 ="), 15);
    QVERIFY(image.copy(0, 321, 321, 129) == expected.copy(0, 321, 321, 129));
    QVERIFY(PixelsOf(image, kBlue).empty());
  }
};

QTEST_MAIN(TestDrawGraph)
#include "test_drawgraph.moc"
