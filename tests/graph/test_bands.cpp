// The 95 % bands and the residual view by rule: the bands from the canvas's record, about the curve
// and inside the square, only where the statistics give them; the residual view's points are the
// statistics' residuals, and it draws neither series 2 nor the 95 % bands.
#include <QTest>
#include <cmath>
#include <map>

#include "tests/graph/picture_support.h"
#include "tests/graph/scenes.h"

using orvelt::FitModel;
using orvelt::GraphChoices;
using orvelt::GraphView;
using namespace test;
using Kind = orvelt::Canvas::Drawing::Kind;

namespace {

constexpr int W = 321;
constexpr QRgb kOrange = 0xffff8000, kPurple = 0xffc000c0;

// Where each pass of one pen colour's curve starts its segments, column to row, in the order
// drawn: a pass begins again at the left.
std::vector<std::map<int, int>> Passes(const orvelt::Canvas& canvas, QRgb pen) {
  std::vector<std::map<int, int>> passes;
  int last = W + 1;
  for (const auto& d : canvas.Drawings()) {
    if (d.kind != Kind::Segment || d.pen != pen || d.x2 - d.x1 != 1) continue;
    if (d.x1 <= last) passes.emplace_back();
    passes.back()[d.x1] = d.y1;
    last = d.x1;
  }
  return passes;
}

// Pixels of a colour outside the plot square.
int Outside(const QImage& image, QRgb color) {
  int n = 0;
  for (const auto& [x, y] : PixelsOf(image, color)) n += x >= W || y >= W;
  return n;
}

Scene Fitted(FitModel model, std::initializer_list<Row> rows) {
  Scene scene = Compute(model, rows);
  if (scene.refused) qFatal("refused");
  return scene;
}

}  // namespace

Q_DECLARE_METATYPE(test::Scene)

class TestBands : public QObject {
  Q_OBJECT

 private slots:
  // Both bands on: each a lower and an upper pass, mirrored about the curve to a pixel, the
  // band of the mean response inside that of a new measurement, nothing outside the square.
  void aboutTheCurve_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<GraphView>("view");
    for (const auto& [name, scene] : KindScenes()) {
      QTest::addRow("%s, through the origin", name) << scene << GraphView::ThroughOrigin;
      QTest::addRow("%s, on the data", name) << scene << GraphView::FitData;
    }
  }
  void aboutTheCurve() {
    QFETCH(Scene, scene);
    QFETCH(GraphView, view);
    Drawing drawing;
    drawing.Draw(scene, GraphChoices{view, true, true});
    const auto curve = Passes(drawing.canvas, kBlack), confidence = Passes(drawing.canvas, kOrange),
               prediction = Passes(drawing.canvas, kPurple);
    QCOMPARE(curve.size(), size_t(1));
    QCOMPARE(confidence.size(), size_t(2));
    QCOMPARE(prediction.size(), size_t(2));
    int compared = 0;
    for (const auto& [x, row] : curve[0]) {
      const std::map<int, int>* bands[] = {&prediction[1], &confidence[1], &confidence[0],
                                           &prediction[0]};  // top to bottom
      int rows[4];
      bool all = true;
      for (int i = 0; i < 4; ++i) {
        const auto at = bands[i]->find(x);
        all = all && at != bands[i]->end();
        if (all) rows[i] = at->second;
      }
      if (!all) continue;
      ++compared;
      for (int i : {0, 1}) {
        const int asymmetry = rows[3 - i] + rows[i] - 2 * row;
        QVERIFY2(std::abs(asymmetry) <= 1, qPrintable(QStringLiteral("column %1").arg(x)));
      }
      QVERIFY(rows[0] <= rows[1] && rows[1] <= row && row <= rows[2] && rows[2] <= rows[3]);
    }
    QVERIFY2(compared > 60, qPrintable(QString::number(compared)));
    for (QRgb color : {kOrange, kPurple}) {
      QVERIFY(!PixelsOf(drawing.image, color).empty());
      QCOMPARE(Outside(drawing.image, color), 0);
    }
  }

  // No band without degrees of freedom, nor for an exact fit, where it would hide the curve.
  void onlyWithDegreesOfFreedom_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("a line through two pairs")
        << Fitted(FitModel::Linear, {{"1", "2"}, {"3", "5"}}) << false;
    QTest::newRow("a parabola through three pairs")
        << Fitted(FitModel::Quadratic, {{"1", "2"}, {"2", "3"}, {"3", "5"}}) << false;
    QTest::newRow("a parabola on two pairs")
        << Fitted(FitModel::Quadratic, {{"1", "2"}, {"2", "3"}}) << false;
    QTest::newRow("an exact line")
        << Fitted(FitModel::Linear, {{"1", "2"}, {"2", "4"}, {"3", "6"}}) << false;
    QTest::newRow("one degree of freedom")
        << Fitted(FitModel::Linear, {{"1", "2"}, {"2", "4.5"}, {"3", "6"}}) << true;
    QTest::newRow("a line through the origin on one pair")
        << Fitted(FitModel::Proportional, {{"2", "3"}}) << false;
  }
  void onlyWithDegreesOfFreedom() {
    QFETCH(Scene, scene);
    QFETCH(bool, drawn);
    for (GraphView view : {GraphView::ThroughOrigin, GraphView::FitData}) {
      const QImage plain = Draw(scene, view), both = Draw(scene, GraphChoices{view, true, true});
      QCOMPARE(plain != both, drawn);
    }
  }

  // The points of the residual view: every complete series-1 row, used or omitted, at its x and
  // the residual of the statistics' table (6 digits there, 32 bits here).
  void residualPoints_data() {
    QTest::addColumn<Scene>("scene");
    for (const auto& [name, scene] : KindScenes()) QTest::newRow(name) << scene;
    QTest::newRow("kelvin, two rows omitted") << OmittedRowsScene();
    QTest::newRow("a parabola on two pairs")
        << Fitted(FitModel::Quadratic, {{"1", "2"}, {"2", "3"}, {"3", "9", "Omit"}});
  }
  void residualPoints() {
    QFETCH(Scene, scene);
    const orvelt::FitResult& result = scene.result;
    const std::vector<orvelt::PlotPoint> points = orvelt::ResidualPoints(result);
    const auto& table = result.statistics.residuals.rows;
    QCOMPARE(points.size(), result.series1.size());
    QCOMPARE(points.size(), table.size());
    for (size_t k = 0; k < points.size(); ++k) {
      QCOMPARE(points[k].x, result.series1[k].x);
      QCOMPARE(points[k].used, result.series1[k].used);
      const double shown = std::stod(table[k][4]);
      QVERIFY2(std::fabs(points[k].y - shown) <= 5e-6 * std::fabs(shown) + 1e-30,
               qPrintable(QStringLiteral("row %1: %2 against %3")
                              .arg(k + 1)
                              .arg(double(points[k].y), 0, 'g', 9)
                              .arg(QString::fromStdString(table[k][4]))));
    }
  }

  // A residual beyond the 32-bit range (an omitted row far out on a steep line) has no place in
  // the view: it is left out, and the frame is that of the others.
  void residualBeyondTheRange() {
    const Scene scene = Fitted(
        FitModel::Linear, {{"0", "0"}, {"1", "3e38"}, {"2", "1e38", "Omit"}, {"0.5", "1e38", "Omit"}});
    const std::vector<orvelt::PlotPoint> points = orvelt::ResidualPoints(scene.result);
    QCOMPARE(points.size(), size_t(3));
    QCOMPARE(points[2].x, 0.5f);
    QCOMPARE(points[2].used, false);
    const QImage image = Draw(scene, GraphView::Residuals);
    QVERIFY(!PixelsOf(image, kRed).empty());
  }

  // Series 2 and the 95 % bands stay out of the residual view; all it draws is inside the
  // square, the formula block below it.
  void residualViewDrawsItsOwn_data() {
    QTest::addColumn<Scene>("scene");
    for (const auto& [name, scene] : KindScenes()) QTest::newRow(name) << scene;
    QTest::newRow("kelvin, two rows omitted") << OmittedRowsScene();
  }
  void residualViewDrawsItsOwn() {
    QFETCH(Scene, scene);
    const QImage image = Draw(scene, GraphChoices{GraphView::Residuals, true, true});
    QCOMPARE(image, Draw(scene, GraphView::Residuals));
    for (QRgb color : {kGreen, kOrange, kPurple}) QVERIFY(PixelsOf(image, color).empty());
    for (QRgb color : {kRed, kBlue, kGrey}) QCOMPARE(Outside(image, color), 0);
    QVERIFY(!PixelsOf(image, kRed).empty());
    // The zero line crosses the square.
    int zeroRows = 0;
    for (int y = 1; y < W - 1; ++y) {
      int black = 0;
      for (int x = 1; x < W - 1; ++x) black += image.pixel(x, y) == kBlack;
      zeroRows += black > W / 2;
    }
    QCOMPARE(zeroRows, 1);
  }
};

QTEST_MAIN(TestBands)
#include "test_bands.moc"
