// Whole graph pictures against stored ones. ORVELT_UPDATE_GOLDEN=1 writes them instead; look at
// every written picture before keeping it.
#include <QDir>
#include <QTest>

#include "tests/graph/picture_support.h"
#include "tests/graph/scenes.h"

using orvelt::FitModel;
using orvelt::GraphChoices;
using orvelt::GraphView;
using namespace test;

Q_DECLARE_METATYPE(test::Scene)
Q_DECLARE_METATYPE(orvelt::GraphChoices)

class TestGolden : public QObject {
  Q_OBJECT

 private slots:
  void picture_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<GraphChoices>("choices");
    // As the graph window draws them when the program starts.
    const GraphChoices plain;
    QTest::newRow("linear_omit_series2_band1") << LinearScene() << plain;
    QTest::newRow("quadratic_band2") << QuadraticScene() << plain;
    QTest::newRow("proportional_negative") << ProportionalScene() << plain;
    QTest::newRow("quadratic_no_constant_band3_series2") << NoConstantScene() << plain;
    // Each 95 % band alone, for every kind.
    const auto kinds = KindScenes();
    for (const auto& [kind, scene] : kinds) {
      QTest::addRow("%s_confidence", kind) << scene << GraphChoices{GraphView::ThroughOrigin, true};
      QTest::addRow("%s_prediction", kind)
          << scene << GraphChoices{GraphView::ThroughOrigin, false, true};
    }
    QTest::newRow("quadratic_both_bands_on_data")
        << QuadraticScene() << GraphChoices{GraphView::FitData, true, true};
    // The residual view of every kind, with the bands on: it has none.
    for (const auto& [kind, scene] : kinds)
      QTest::addRow("%s_residuals", kind) << scene << GraphChoices{GraphView::Residuals, true, true};
    QTest::newRow("kelvin_omitted_residuals") << OmittedRowsScene() << GraphChoices{GraphView::Residuals};
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
};

QTEST_MAIN(TestGolden)
#include "test_golden.moc"
