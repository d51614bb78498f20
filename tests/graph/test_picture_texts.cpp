// The texts of the graph picture are whole and stay where they belong: the x-axis end number
// left of the frame's right column, the raised "2" clear of "x" and "+", the result lines inside
// the picture and none of them erased by a later text's background. Measured on rendered pixels.
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>
#include <algorithm>

#include "core/number.h"
#include "graph/drawgraph.h"
#include "tests/graph/picture_support.h"

using orvelt::FitModel;
using namespace test;

namespace {

std::int64_t Right(const Pixels& pixels) {
  std::int64_t right = INT64_MIN;
  for (const auto& p : pixels) right = std::max(right, p.first);
  return right;
}
std::int64_t Left(const Pixels& pixels) {
  std::int64_t left = INT64_MAX;
  for (const auto& p : pixels) left = std::min(left, p.first);
  return left;
}
std::int64_t Top(const Pixels& pixels) {
  std::int64_t top = INT64_MAX;
  for (const auto& p : pixels) top = std::min(top, p.second);
  return top;
}

// Whether some pixel of `a` is one of the eight neighbours of, or the same as, a pixel of `b`.
bool Touch(const Pixels& a, const Pixels& b) {
  for (const auto& [x, y] : a)
    for (std::int64_t dx = -1; dx <= 1; ++dx)
      for (std::int64_t dy = -1; dy <= 1; ++dy)
        if (b.count({x + dx, y + dy})) return true;
  return false;
}

Scene Frame(float XMax, float XMin) {
  return FrameOnly(XMax, XMin, 20, 2);
}

// A result line at 11 points with its top-left corner at (x, y).
struct Placed {
  int x = 0, y = 0;
  QString text;
};

}  // namespace

Q_DECLARE_METATYPE(Placed)
Q_DECLARE_METATYPE(test::Scene)

class TestPictureTexts : public QObject {
  Q_OBJECT

 private slots:
  // The frame's numbers come from the narrow-digit face, the block from a Japanese face that
  // has the block's kanji; only installed families are asked for.
  void faces_data() {
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QString>("first");
    QTest::newRow("frame, 9 pt") << 12 << "PT Sans";
    QTest::newRow("block, 11 pt") << 15 << "IPAPGothic";
    QTest::newRow("exponent, 8 pt") << 11 << "IPAPGothic";
  }
  void faces() {
    QFETCH(int, pixels);
    QFETCH(QString, first);
    const QFont font = orvelt::GraphFont(pixels);
    QCOMPARE(QFontInfo(font).family(), first);
    QCOMPARE(font.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);
    const QStringList installed = QFontDatabase::families();
    for (const QString& asked : font.families())
      QVERIFY2(installed.contains(asked, Qt::CaseInsensitive), qPrintable(asked));
    const QFontMetrics metrics(font);
    for (const QChar c : QStringLiteral("標準偏差組")) QVERIFY(metrics.inFont(c));
  }

  // Every length the fixed-point end number takes below ten million, with wide and narrow digits.
  void rightEndNumber_data() {
    QTest::addColumn<float>("XMax");
    QTest::addColumn<float>("XMin");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.30") << -3.0f << -3.0f << "0.30";
    QTest::newRow("1.00") << -1.0f << -10.0f << "1.00";
    QTest::newRow("3.30") << 3.0f << 1.0f << "3.30";
    QTest::newRow("8.80") << 8.0f << 1.0f << "8.80";
    QTest::newRow("11.00") << 10.0f << 1.0f << "11.00";
    QTest::newRow("88.00") << 80.0f << 1.0f << "88.00";
    QTest::newRow("96.80") << 88.0f << 1.0f << "96.80";
    QTest::newRow("880.00") << 800.0f << 1.0f << "880.00";
    QTest::newRow("4567.89") << 4152.6274f << 1.0f << "4567.89";
    QTest::newRow("88000.00") << 80000.0f << 1.0f << "88000.00";
    QTest::newRow("880000.00") << 800000.0f << 1.0f << "880000.00";
    QTest::newRow("8800000.00") << 8000000.0f << 1.0f << "8800000.00";
    QTest::newRow("9999999.00") << 9090908.0f << 1.0f << "9999999.00";
  }
  void rightEndNumber() {
    QFETCH(float, XMax);
    QFETCH(float, XMin);
    QFETCH(QString, text);
    const Scene scene = Frame(XMax, XMin);
    const orvelt::PlotRange range = scene.Range();
    QCOMPARE(QString::fromStdString(orvelt::FormatNumber(range.R, 4, 2)), text);
    const QImage image = Draw(scene);

    const int x = 321 - 7 * static_cast<int>(text.size()) + 5, y = range.Row(0) + 1;
    const Alone alone = TextAlone(x, y, 9, text);
    QVERIFY(!alone.ink.empty());
    // Glyphs and background end left of the frame's right column.
    QVERIFY2(Right(alone.ink) <= 319, qPrintable(QString::number(Right(alone.ink))));
    QVERIFY2(Right(alone.cell) <= 319, qPrintable(QString::number(Right(alone.cell))));
    // The frame's right column stays black beside it. (The top number may reach the frame when
    // every x is negative: its place is right of the vertical axis.)
    std::int64_t top = INT64_MAX, bottom = INT64_MIN;
    for (const auto& p : alone.cell)
      top = std::min(top, p.second), bottom = std::max(bottom, p.second);
    QVERIFY(top == y && bottom > y);
    for (std::int64_t row = top; row <= bottom; ++row)
      QVERIFY2(image.pixel(320, static_cast<int>(row)) == kBlack, qPrintable(QString::number(row)));
    const QString missing = Missing(image, alone.ink, text);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
  }

  // The exponent stands in the gap after "ax", raised above the "x", touching neither "x" nor "+",
  // and its background erases nothing of the formula.
  void raisedTwo_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("formula");
    QTest::newRow("y = ax^2 + bx + c") << 2 << "y = ax  + bx + c";
    QTest::newRow("y = ax^2 + bx") << 3 << "y = ax  + bx";
  }
  void raisedTwo() {
    QFETCH(int, model);
    QFETCH(QString, formula);
    Scene scene = Frame(10, 1);
    scene.result.model = static_cast<FitModel>(model);
    scene.result.figures.c = 1e6f;
    const QImage image = Draw(scene);

    const Alone whole = TextAlone(110, 340, 11, formula);
    const Alone two = TextAlone(150, 340, 8, QStringLiteral("2"));
    // A prefix lays its glyphs where the whole text does, so the difference is the last glyph.
    const Pixels x = Without(TextAlone(110, 340, 11, QStringLiteral("y = ax")).ink,
                             TextAlone(110, 340, 11, QStringLiteral("y = a")).ink);
    const Pixels plus = Without(TextAlone(110, 340, 11, QStringLiteral("y = ax  +")).ink,
                                TextAlone(110, 340, 11, QStringLiteral("y = ax  ")).ink);
    QVERIFY(!two.ink.empty() && !x.empty() && !plus.empty());
    QVERIFY2(Right(x) + 1 < Left(two.ink),
             qPrintable(
                 QStringLiteral("x ends at %1, 2 starts at %2").arg(Right(x)).arg(Left(two.ink))));
    QVERIFY2(
        Right(two.ink) + 1 < Left(plus),
        qPrintable(
            QStringLiteral("2 ends at %1, + starts at %2").arg(Right(two.ink)).arg(Left(plus))));
    QVERIFY(!Touch(two.ink, whole.ink));
    QVERIFY2(Top(two.ink) < Top(x),
             qPrintable(QStringLiteral("2 top %1, x top %2").arg(Top(two.ink)).arg(Top(x))));
    const QString formulaMissing = Missing(image, whole.ink, formula);
    QVERIFY2(formulaMissing.isEmpty(), qPrintable(formulaMissing));
    const QString twoMissing = Missing(image, two.ink, QStringLiteral("2"));
    QVERIFY2(twoMissing.isEmpty(), qPrintable(twoMissing));
  }

  // The longest result lines fit in the 321 columns, and no line's background cuts the glyphs
  // of the line above it.
  void resultLines_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QStringList>("labels");  // a, b, c, data count, deviation
    QTest::addColumn<QList<Placed>>("lines");
    const QString a = QStringLiteral("a = 123456.78906"), b = QStringLiteral("b = -12345.67871"),
                  c = QStringLiteral("c =  99999.99219"), count = QStringLiteral("data : 20 組"),
                  sd = QStringLiteral("標準偏差 =123456.78906");
    const QStringList labels{a, b, c, count, sd};
    QTest::newRow("y = ax + b") << 0 << labels
                                << QList<Placed>{{120, 355, a},
                                                 {120, 370, b},
                                                 {120, 385, count},
                                                 {118, 402, sd}};
    QTest::newRow("y = ax") << 1 << labels
                            << QList<Placed>{{120, 355, a}, {120, 370, count}, {118, 387, sd}};
    QTest::newRow("y = ax^2 + bx + c")
        << 2 << labels
        << QList<Placed>{
               {120, 355, a}, {120, 370, b}, {120, 385, c}, {120, 400, count}, {118, 417, sd}};
    const QString few = QStringLiteral("data : 2 組"), bare = QStringLiteral("標準偏差 =");
    QTest::newRow("y = ax^2 + bx, two rows")
        << 3 << QStringList{a, b, c, few, bare}
        << QList<Placed>{{120, 355, a}, {120, 370, b}, {120, 385, few}, {118, 402, bare}};
  }
  void resultLines() {
    QFETCH(int, model);
    QFETCH(QStringList, labels);
    QFETCH(QList<Placed>, lines);
    Scene scene = Frame(10, 1);
    scene.result.model = static_cast<FitModel>(model);
    scene.result.figures.c = 1e6f;
    scene.result.texts = {labels[0].toStdString(), labels[1].toStdString(), labels[2].toStdString(),
                          labels[3].toStdString(), labels[4].toStdString()};
    const QImage image = Draw(scene);
    for (const Placed& line : lines) {
      const Alone alone = TextAlone(line.x, line.y, 11, line.text);
      QVERIFY(!alone.ink.empty());
      QVERIFY2(
          Right(alone.cell) <= 320,
          qPrintable(QStringLiteral("\"%1\" ends at %2").arg(line.text).arg(Right(alone.cell))));
      const QString missing = Missing(image, alone.ink, line.text);
      QVERIFY2(missing.isEmpty(), qPrintable(missing));
    }
  }
};

QTEST_MAIN(TestPictureTexts)
#include "test_picture_texts.moc"
