// Whole graph pictures against stored ones. ORVELT_UPDATE_GOLDEN=1 writes them instead; look at
// every written picture before keeping it. The 95 % bands and the residual view also by rule: the
// bands about the curve from the canvas's record, only where the statistics give them; the
// residuals those of the statistics, without series 2 or the 95 % bands.
#include <QDir>
#include <QTest>
#include <map>

#include "tests/graph/picture_support.h"

using orvelt::FitModel;
using orvelt::GraphChoices;
using orvelt::GraphView;
using namespace test;

Q_DECLARE_METATYPE(test::Scene)
Q_DECLARE_METATYPE(orvelt::GraphChoices)

namespace {

constexpr QRgb kOrange = 0xffff8000, kPurple = 0xffc000c0;

// One fit of each kind, series 2, omitted rows and deviation bands among them.
std::vector<std::pair<const char*, Scene>> Kinds() {
  return {
      {"linear",
       Compute(FitModel::Linear,
               {{"1", "2.1"},
                {"2", "3.9"},
                {"3", "6.2"},
                {"4", "7.8"},
                {"5", "10.3"},
                {"6", "11.7"},
                {"7", "14.2"},
                {"8", "12", "Omit"},
                {"9", "18.1"},
                {"10", "19.8"}},
               {{"1.5", "4"}, {"3.5", "6.5"}, {"5.5", "12"}, {"7.5", "14"}, {"9.5", ""}}, 1)},
      {"proportional",
       Compute(FitModel::Proportional,
               {{"-10", "-25"}, {"-8", "-19"}, {"-5", "-13"}, {"-3", "-7"}, {"-1", "-2.8"}})},
      {"quadratic", Compute(FitModel::Quadratic,
                            {{"-3", "9.5"},
                             {"-2", "3.6"},
                             {"-1", "1.2"},
                             {"0", "-0.4"},
                             {"1", "1.3"},
                             {"2", "4.4"},
                             {"3", "8.6"},
                             {"4", "16.5"}},
                            {}, 2)},
      {"quadratic_no_constant",
       Compute(
           FitModel::QuadraticNoConstant,
           {{"0.5", "-1"}, {"1", "-1.6"}, {"2", "-1.9"}, {"3", "-1.1"}, {"4", "0.9"}, {"5", "4.2"}},
           {{"2.5", "-1"}, {"4.5", "2"}}, 3)}};
}

// Kelvin with two rows left out, one of them far off the line, and the ±2s lines.
Scene OmittedRows() {
  return Compute(FitModel::Linear,
                 {{"273.15", "1.21"},
                  {"278.15", "1.36"},
                  {"283.15", "1.52", "Omit"},
                  {"288.15", "1.60"},
                  {"293.15", "1.93"},
                  {"298.15", "2.05"},
                  {"303.15", "2.24"},
                  {"308.15", "1.70", "Omit"},
                  {"313.15", "2.81"}},
                 {}, 2);
}

// Where each pass of one pen colour starts its segments, column to row: a pass begins again at
// the left.
std::vector<std::map<int, int>> Passes(const orvelt::Canvas& canvas, QRgb pen) {
  std::vector<std::map<int, int>> passes;
  int last = INT_MAX;
  for (const auto& d : canvas.Drawings()) {
    if (d.kind != orvelt::Canvas::Drawing::Kind::Segment || d.pen != pen || d.x2 - d.x1 != 1)
      continue;
    if (d.x1 <= last) passes.emplace_back();
    passes.back()[last = d.x1] = d.y1;
  }
  return passes;
}

int Outside(const QImage& image, QRgb color) {
  int n = 0;
  for (const auto& [x, y] : PixelsOf(image, color)) n += x >= 321 || y >= 321;
  return n;
}

}  // namespace

class TestGolden : public QObject {
  Q_OBJECT

 private slots:
  void picture_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<GraphChoices>("choices");
    const auto kinds = Kinds();
    // As the graph window draws them when the program starts.
    const char* plain[] = {"linear_omit_series2_band1", "proportional_negative", "quadratic_band2",
                           "quadratic_no_constant_band3_series2"};
    for (int k = 0; k < 4; ++k) QTest::newRow(plain[k]) << kinds[k].second << GraphChoices{};
    // Each 95 % band alone for every kind, both on the data; the residuals, which have none.
    for (const auto& [kind, scene] : kinds) {
      QTest::addRow("%s_confidence", kind) << scene << GraphChoices{GraphView::ThroughOrigin, true};
      QTest::addRow("%s_prediction", kind)
          << scene << GraphChoices{GraphView::ThroughOrigin, false, true};
      QTest::addRow("%s_residuals", kind)
          << scene << GraphChoices{GraphView::Residuals, true, true};
    }
    QTest::newRow("quadratic_both_bands_on_data")
        << kinds[2].second << GraphChoices{GraphView::FitData, true, true};
    QTest::newRow("kelvin_omitted_residuals")
        << OmittedRows() << GraphChoices{GraphView::Residuals};
  }
  void picture() {
    QFETCH(Scene, scene);
    QFETCH(GraphChoices, choices);
    QVERIFY(!scene.refused);
    const QImage image = Draw(scene, choices);
    const QString name = QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".png");
    const QString path = QStringLiteral(ORVELT_GOLDEN_DIR "/") + name;
    if (qEnvironmentVariableIntValue("ORVELT_UPDATE_GOLDEN") == 1) {
      QVERIFY(image.save(path));
      QSKIP("golden picture written");
    }
    QImage golden(path);
    QVERIFY2(!golden.isNull(), qPrintable(path));
    golden = golden.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(golden.size(), image.size());
    int differing = 0;
    QPoint first;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) == golden.pixel(x, y)) continue;
        if (differing++ == 0) first = QPoint(x, y);
      }
    }
    if (differing != 0) {
      const QString actual = QDir::current().filePath(QStringLiteral("actual_") + name);
      image.save(actual);
      QFAIL(qPrintable(QStringLiteral("%1 pixels differ, the first at (%2, %3); see %4")
                           .arg(differing)
                           .arg(first.x())
                           .arg(first.y())
                           .arg(actual)));
    }
  }
  // Both bands on: a lower and an upper pass each, mirrored about the curve to a pixel, the band of
  // the mean response inside that of a new measurement, nothing outside the square.
  void bandsAboutTheCurve_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<GraphView>("view");
    for (const auto& [name, scene] : Kinds()) {
      QTest::addRow("%s, through the origin", name) << scene << GraphView::ThroughOrigin;
      QTest::addRow("%s, on the data", name) << scene << GraphView::FitData;
    }
  }
  void bandsAboutTheCurve() {
    QFETCH(Scene, scene);
    QFETCH(GraphView, view);
    Drawing drawing;
    drawing.Draw(scene, GraphChoices{view, true, true});
    const auto curve = Passes(drawing.canvas, kBlack), inner = Passes(drawing.canvas, kOrange),
               outer = Passes(drawing.canvas, kPurple);
    QVERIFY(curve.size() == 1 && inner.size() == 2 && outer.size() == 2);
    int compared = 0;
    for (const auto& [x, row] : curve[0]) {
      // Top to bottom: the upper passes drawn second, the lower ones first.
      const std::map<int, int>* bands[] = {&outer[1], &inner[1], &inner[0], &outer[0]};
      int r[4], found = 0;
      for (int i = 0; i < 4; ++i)
        if (bands[i]->count(x)) r[found++] = bands[i]->at(x);
      if (found < 4) continue;
      ++compared;
      QVERIFY(std::abs(r[3] + r[0] - 2 * row) <= 1 && std::abs(r[2] + r[1] - 2 * row) <= 1);
      QVERIFY(r[0] <= r[1] && r[1] <= row && row <= r[2] && r[2] <= r[3]);
    }
    QVERIFY2(compared > 60, qPrintable(QString::number(compared)));
    QCOMPARE(Outside(drawing.image, kOrange) + Outside(drawing.image, kPurple), 0);
  }

  // No band without degrees of freedom, nor for an exact fit, where it would hide the curve.
  void bandsOnlyWithDegreesOfFreedom_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("a line on two pairs")
        << Compute(FitModel::Linear, {{"1", "2"}, {"3", "5"}}) << false;
    QTest::newRow("a parabola on three pairs")
        << Compute(FitModel::Quadratic, {{"1", "2"}, {"2", "3"}, {"3", "5"}}) << false;
    QTest::newRow("a parabola on two pairs")
        << Compute(FitModel::Quadratic, {{"1", "2"}, {"2", "3"}}) << false;
    QTest::newRow("y = ax on one pair") << Compute(FitModel::Proportional, {{"2", "3"}}) << false;
    QTest::newRow("an exact line")
        << Compute(FitModel::Linear, {{"1", "2"}, {"2", "4"}, {"3", "6"}}) << false;
    QTest::newRow("one degree of freedom")
        << Compute(FitModel::Linear, {{"1", "2"}, {"2", "4.5"}, {"3", "6"}}) << true;
  }
  void bandsOnlyWithDegreesOfFreedom() {
    QFETCH(Scene, scene);
    QFETCH(bool, drawn);
    QVERIFY(!scene.refused);
    QCOMPARE(Draw(scene) != Draw(scene, GraphChoices{GraphView::ThroughOrigin, true, true}), drawn);
  }

  // The residual view's points: every complete series-1 row, used or omitted, at its x and the
  // residual of the statistics' table (6 digits there); nothing of series 2 or the 95 % bands.
  void residuals_data() {
    QTest::addColumn<Scene>("scene");
    for (const auto& [name, scene] : Kinds()) QTest::newRow(name) << scene;
    QTest::newRow("kelvin, two rows omitted") << OmittedRows();
  }
  void residuals() {
    QFETCH(Scene, scene);
    const std::vector<orvelt::PlotPoint> points = orvelt::ResidualPoints(scene.result);
    const auto& table = scene.result.statistics.residuals.rows;
    QCOMPARE(points.size(), table.size());
    for (size_t k = 0; k < points.size(); ++k) {
      QCOMPARE(points[k].x, scene.result.series1[k].x);
      QCOMPARE(points[k].used, scene.result.series1[k].used);
      const double shown = std::stod(table[k][4]);
      QVERIFY(std::fabs(points[k].y - shown) <= 5e-6 * std::fabs(shown) + 1e-30);
    }
    const QImage image = Draw(scene, GraphChoices{GraphView::Residuals, true, true});
    for (QRgb color : {kGreen, kOrange, kPurple}) QVERIFY(PixelsOf(image, color).empty());
    QCOMPARE(Outside(image, kRed) + Outside(image, kBlue), 0);
  }

  // A residual beyond the 32-bit range (an omitted row far out on a steep line) cannot be plotted:
  // it is left out, the others stay.
  void residualBeyondTheRange() {
    const Scene scene =
        Compute(FitModel::Linear,
                {{"0", "0"}, {"1", "3e38"}, {"2", "1e38", "Omit"}, {"0.5", "1e38", "Omit"}});
    const std::vector<orvelt::PlotPoint> points = orvelt::ResidualPoints(scene.result);
    QCOMPARE(points.size(), size_t(3));
    QVERIFY(points[2].x == 0.5f && !points[2].used);
  }
};

QTEST_MAIN(TestGolden)
#include "test_golden.moc"
