// The view framed on the data: its ranges, the numbers on its frame, and the annual CO2 means
// that the view through the origin squeezes into a few columns, on rendered pictures.
#include <QSet>
#include <QTest>
#include <algorithm>
#include <limits>

#include "core/number.h"
#include "graph/drawgraph.h"
#include "tests/core/grid_builder.h"
#include "tests/graph/picture_support.h"
#include "tests/support.h"

using orvelt::FitModel;
using orvelt::GraphView;
using orvelt::PlotRange;
using namespace test;

namespace {

constexpr int W = 321;

PlotRange DataRange(const Scene& scene) {
  return orvelt::DeriveDataRange(scene.result.ranges, W);
}

// The plot square's outline pixels that are not black.
QStringList OutlineBreaks(const QImage& image) {
  QStringList breaks;
  for (int i = 0; i < W; ++i)
    for (const QPoint p : {QPoint(i, 0), QPoint(i, W - 1), QPoint(0, i), QPoint(W - 1, i)})
      if (image.pixel(p) != kBlack) breaks << QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
  breaks.removeDuplicates();
  return breaks;
}

struct Extent {
  int left = W, right = -1, top = W, bottom = -1;
  int Columns() const { return right - left; }
  int Rows() const { return bottom - top; }
};

Extent ExtentOf(const Pixels& pixels) {
  Extent e;
  for (const auto& [x, y] : pixels) {
    e.left = std::min<int>(e.left, x);
    e.right = std::max<int>(e.right, x);
    e.top = std::min<int>(e.top, y);
    e.bottom = std::max<int>(e.bottom, y);
  }
  return e;
}

std::vector<orvelt::PlacedText> Numbers(const PlotRange& range) {
  QImage image = Blank(W, 450);
  orvelt::Canvas canvas(image);
  return orvelt::EndNumbers(canvas, range);
}

// Cells apart by at least a blank column or row, all inside the outline with a blank pixel beside
// it; every glyph of every text is in the picture. Empty when all is well.
QString NumbersWholeAndApart(const QImage& image, const std::vector<orvelt::PlacedText>& numbers) {
  const QRect inside(2, 2, W - 4, W - 4);
  for (size_t i = 0; i < numbers.size(); ++i) {
    const auto& [text, cell] = numbers[i];
    if (!inside.contains(cell)) return text + QStringLiteral(" leaves the inside of the square");
    for (size_t j = 0; j < i; ++j)
      if (numbers[j].cell.adjusted(-1, -1, 1, 1).intersects(cell))
        return text + QStringLiteral(" touches ") + numbers[j].text;
    const QString missing = Missing(image, TextAlone(cell.x(), cell.y(), 9, text).ink, text);
    if (!missing.isEmpty()) return missing;
  }
  return {};
}

}  // namespace

Q_DECLARE_METATYPE(test::Scene)

class TestDataView : public QObject {
  Q_OBJECT

 private slots:
  void dataRange_data() {
    QTest::addColumn<QList<float>>("data");  // XMax, XMin, YMax, YMin
    QTest::addColumn<QList<float>>("ends");  // L, R, B, T
    QTest::addColumn<bool>("spans");         // both ranges hold more than one value
    QTest::newRow("all positive") << QList<float>{12, 2, 30, 10} << QList<float>{1, 13, 8, 32}
                                  << true;
    QTest::newRow("all negative") << QList<float>{-2, -12, -10, -30}
                                  << QList<float>{-13, -1, -32, -8} << true;
    QTest::newRow("straddling 0") << QList<float>{3, -2, 4, -1}
                                  << QList<float>{-2.5f, 3.5f, -1.5f, 4.5f} << true;
    QTest::newRow("x near 2000, y near 400")
        << QList<float>{2021, 2001, 410, 390} << QList<float>{1999, 2023, 388, 412} << true;
    QTest::newRow("a single value each, 5 and -3")
        << QList<float>{5, 5, -3, -3} << QList<float>{4.5f, 5.5f, -3.3f, -2.7f} << false;
    QTest::newRow("a single value each, 0")
        << QList<float>{0, 0, 0, 0} << QList<float>{-0.5f, 0.5f, -0.5f, 0.5f} << false;
  }
  void dataRange() {
    QFETCH(QList<float>, data);
    QFETCH(QList<float>, ends);
    QFETCH(bool, spans);
    const PlotRange range = orvelt::DeriveDataRange({data[0], data[1], data[2], data[3]}, W);
    QCOMPARE(range.W, W);
    QCOMPARE_EXACT(range.L, ends[0]);
    QCOMPARE_EXACT(range.R, ends[1]);
    QCOMPARE_EXACT(range.B, ends[2]);
    QCOMPARE_EXACT(range.T, ends[3]);
    QCOMPARE_EXACT(range.sx, static_cast<float>((ends[1] - (long double)ends[0]) / W));
    QCOMPARE_EXACT(range.sy, static_cast<float>((ends[3] - (long double)ends[2]) / W));
    QCOMPARE(range.Column(range.L), 0);
    QCOMPARE(range.Column(range.R), W);
    QCOMPARE(range.Row(range.T), 0);
    QCOMPARE(range.Row(range.B), W);
    if (!spans) return;
    // The data fill all but a twelfth of the square on each side.
    QCOMPARE(range.Column(data[1]), 27);
    QCOMPARE(range.Column(data[0]), 294);
    QCOMPARE(range.Row(data[2]), 27);
    QCOMPARE(range.Row(data[3]), 294);
  }

  // Series 2, when plotted, counts with all twenty slots, so its empty ones bring in 0.
  void seriesTwoWidensTheRange() {
    const auto rows1 = {Row{"2", "10"}, Row{"7", "20"}, Row{"12", "30"}};
    Scene alone = Compute(FitModel::Linear, rows1);
    Scene both = Compute(FitModel::Linear, rows1, {Row{"20", "50"}});
    QVERIFY(!alone.refused && !both.refused);
    const PlotRange a = DataRange(alone), b = DataRange(both);
    QCOMPARE(QList<float>({a.L, a.R, a.B, a.T}), QList<float>({1, 13, 8, 32}));
    QCOMPARE(QList<float>({b.L, b.R, b.B, b.T}), QList<float>({-2, 22, -5, 55}));
  }

  void endDecimals_data() {
    QTest::addColumn<float>("lo");
    QTest::addColumn<float>("hi");
    QTest::addColumn<int>("decimals");
    QTest::newRow("1.00 and 13.00") << 1.0f << 13.0f << 2;
    QTest::newRow("1013.20 and 1013.25") << 1013.2f << 1013.25f << 2;
    QTest::newRow("1013.201 and 1013.204") << 1013.2007f << 1013.2043f << 3;
    QTest::newRow("0.12341 and 0.12344") << 0.12341f << 0.12344f << 5;
    QTest::newRow("-0.004 and 0.004, not -0.00 and 0.00") << -0.004f << 0.004f << 3;
    QTest::newRow("alike at 5 decimals") << 1e-7f << 2e-7f << 5;
  }
  void endDecimals() {
    QFETCH(float, lo);
    QFETCH(float, hi);
    QFETCH(int, decimals);
    QCOMPARE(orvelt::EndDecimals(lo, hi), decimals);
  }

  // The frame alone against a picture made from the rules: the outline, an axis where 0 lies
  // inside the square, the y ends down the left edge and the x ends along the bottom edge, the
  // left one after the bottom y end.
  void frame_data() {
    QTest::addColumn<QList<float>>("data");    // XMax, XMin, YMax, YMin
    QTest::addColumn<QStringList>("numbers");  // top, bottom, left, right
    QTest::addColumn<int>("axisColumn");       // -1: none
    QTest::addColumn<int>("axisRow");
    QTest::newRow("0 outside both ranges")
        << QList<float>{12, 2, 30, 10} << QStringList{"32.00", "8.00", "1.00", "13.00"} << -1 << -1;
    // -2.5 .. 3.5 over 321 columns: 0 at 133.75; -1.5 .. 4.5: 0 at 80.25 rows above the bottom.
    QTest::newRow("0 inside both ranges")
        << QList<float>{3, -2, 4, -1} << QStringList{"4.50", "-1.50", "-2.50", "3.50"} << 134
        << 241;
    // 0 on the left end and the bottom end: on the outline and one row below it, so no axis.
    QTest::newRow("0 at the ends")
        << QList<float>{11, 1, 11, 1} << QStringList{"12.00", "0.00", "0.00", "12.00"} << -1 << -1;
    QTest::newRow("more decimals")
        << QList<float>{2021, 2001, 1013.204f, 1013.201f}
        << QStringList{"1013.204", "1013.201", "1999.00", "2023.00"} << -1 << -1;
  }
  void frame() {
    QFETCH(QList<float>, data);
    QFETCH(QStringList, numbers);
    QFETCH(int, axisColumn);
    QFETCH(int, axisRow);
    const QImage image = Draw(FrameOnly(data[0], data[1], data[2], data[3]), GraphView::FitData);

    QImage expected = Blank(W, 450);
    for (int i = 0; i < W; ++i) {
      if (axisRow >= 0) expected.setPixel(i, axisRow, kGrey);
      if (axisColumn >= 0) expected.setPixel(axisColumn, i, kGrey);
    }
    for (int i = 0; i < W; ++i) {
      expected.setPixel(i, 0, kBlack);
      expected.setPixel(i, W - 1, kBlack);
      expected.setPixel(0, i, kBlack);
      expected.setPixel(W - 1, i, kBlack);
    }
    const int height = TextCell(0, 0, numbers[0], 12).height(), lastLine = W - 2 - height;
    const int bottomWidth = TextCell(0, 0, numbers[1], 12).width();
    const int rightWidth = TextCell(0, 0, numbers[3], 12).width();
    ReferenceText(expected, 2, 2, numbers[0], 12);
    ReferenceText(expected, 2, lastLine, numbers[1], 12);
    ReferenceText(expected, 2 + bottomWidth + 12, lastLine, numbers[2], 12);
    ReferenceText(expected, W - 2 - rightWidth, lastLine, numbers[3], 12);
    // Down to the formula block: nothing strays below the square.
    QVERIFY(image.copy(0, 0, W, 335) == expected.copy(0, 0, W, 335));
  }

  // Texts too long for one line go up a line at a time: never over each other or the outline.
  void longNumbersApart_data() {
    QTest::addColumn<QList<float>>("data");  // XMax, XMin, YMax, YMin
    QTest::addColumn<int>("lines");          // the bottom lines the numbers take
    QTest::newRow("short") << QList<float>{12, 2, 30, 10} << 1;
    QTest::newRow("x ends too long for one line")
        << QList<float>{1e15f, -1e15f, 1e13f, -1e13f} << 2;
    QTest::newRow("all ends long") << QList<float>{1e30f, -1e30f, 1e30f, -1e30f} << 3;
    QTest::newRow("near the largest float") << QList<float>{3e38f, -3e38f, 3e38f, -3e38f} << 1;
  }
  void longNumbersApart() {
    QFETCH(QList<float>, data);
    QFETCH(int, lines);
    Scene scene = FrameOnly(data[0], data[1], data[2], data[3]);
    scene.result.figures.b = std::numeric_limits<float>::infinity();
    const QImage image = Draw(scene, GraphView::FitData);
    const auto numbers = Numbers(DataRange(scene));
    QCOMPARE(numbers.size(), size_t{4});
    const QString fault = NumbersWholeAndApart(image, numbers);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QSet<int> tops;
    for (size_t i = 1; i < numbers.size(); ++i) tops << numbers[i].cell.top();
    QCOMPARE(tops.size(), lines);
    QVERIFY2(OutlineBreaks(image).isEmpty(), qPrintable(OutlineBreaks(image).join(' ')));
  }

  // The annual CO2 means of 2001 to 2020, fitted exactly: spread over the square, the curve
  // through them, the outline whole, the four ends readable.
  void carbonDioxide_data() {
    QTest::addColumn<Scene>("scene");
    QTest::newRow("parabola") << Compute(FitModel::Quadratic, Years(2001, kCarbonDioxide));
    QTest::newRow("parabola, band 1s")
        << Compute(FitModel::Quadratic, Years(2001, kCarbonDioxide), 1);
    QTest::newRow("straight line, band 3s")
        << Compute(FitModel::Linear, Years(2001, kCarbonDioxide), 3);
  }
  void carbonDioxide() {
    QFETCH(Scene, scene);
    QVERIFY(!scene.refused);
    QCOMPARE(scene.result.usedCount, 20);
    const QImage image = Draw(scene, GraphView::FitData);
    const PlotRange range = DataRange(scene);

    // Through the origin the points make a smear of a few columns; here they fill the square.
    QVERIFY(ExtentOf(PixelsOf(Draw(scene), kRed)).Columns() < 10);
    const Extent points = ExtentOf(PixelsOf(image, kRed));
    QVERIFY2(
        points.Columns() >= 250 && points.Rows() >= 150,
        qPrintable(QStringLiteral("%1 columns, %2 rows").arg(points.Columns()).arg(points.Rows())));

    // At each year the curve is drawn within a pixel of the fitted value.
    const auto& s = scene.result.figures;
    const orvelt::Curve curve = orvelt::CurveOf(scene.result.model, s.a, s.b, s.c);
    for (const orvelt::PlotPoint& p : scene.result.series1) {
      const int c = range.Column(p.x), r = range.Row(static_cast<float>(curve.At(p.x)));
      QVERIFY2(image.pixel(c, r - 1) == kBlack || image.pixel(c, r) == kBlack ||
                   image.pixel(c, r + 1) == kBlack,
               qPrintable(QStringLiteral("no curve near (%1, %2)").arg(c).arg(r)));
    }

    QVERIFY2(OutlineBreaks(image).isEmpty(), qPrintable(OutlineBreaks(image).join(' ')));
    const auto numbers = Numbers(range);
    QStringList texts;
    for (const auto& number : numbers) texts << number.text;
    QCOMPARE(texts, QStringList({"418.50", "367.03", "1999.10", "2021.90"}));
    const QString fault = NumbersWholeAndApart(image, numbers);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    // They lie in the tenth beyond the data: no point under them.
    for (const orvelt::PlotPoint& p : scene.result.series1) {
      const QRect marker(range.Column(p.x) - 2, range.Row(p.y) - 2, 4, 4);
      for (const auto& number : numbers) QVERIFY(!number.cell.intersects(marker));
    }
  }
};

QTEST_MAIN(TestDataView)
#include "test_dataview.moc"
