// Whole graph pictures against stored ones. ORVELT_UPDATE_GOLDEN=1 writes them instead; look at
// every written picture before keeping it.
#include <QDir>
#include <QTest>

#include "tests/graph/picture_support.h"

using orvelt::FitModel;
using namespace test;

Q_DECLARE_METATYPE(test::Scene)

class TestGolden : public QObject {
  Q_OBJECT

 private slots:
  void picture_data() {
    QTest::addColumn<Scene>("scene");
    QTest::newRow("linear_omit_series2_band1")
        << Compute(FitModel::Linear,
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
                   {{"1.5", "4"}, {"3.5", "6.5"}, {"5.5", "12"}, {"7.5", "14"}, {"9.5", ""}}, 1);
    QTest::newRow("quadratic_band2") << Compute(FitModel::Quadratic,
                                                {{"-3", "9.5"},
                                                 {"-2", "3.6"},
                                                 {"-1", "1.2"},
                                                 {"0", "-0.4"},
                                                 {"1", "1.3"},
                                                 {"2", "4.4"},
                                                 {"3", "8.6"},
                                                 {"4", "16.5"}},
                                                {}, 2);
    QTest::newRow("proportional_negative")
        << Compute(FitModel::Proportional,
                   {{"-10", "-25"}, {"-8", "-19"}, {"-5", "-13"}, {"-3", "-7"}, {"-1", "-2.8"}});
    QTest::newRow("quadratic_no_constant_band3_series2") << Compute(
        FitModel::QuadraticNoConstant,
        {{"0.5", "-1"}, {"1", "-1.6"}, {"2", "-1.9"}, {"3", "-1.1"}, {"4", "0.9"}, {"5", "4.2"}},
        {{"2.5", "-1"}, {"4.5", "2"}}, 3);
  }
  void picture() {
    QFETCH(Scene, scene);
    QVERIFY(!scene.refused);
    const QImage image = Draw(scene);
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
