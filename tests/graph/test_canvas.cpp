#include <QFontMetrics>
#include <QTest>
#include <climits>

#include "graph/canvas.h"
#include "tests/graph/picture_support.h"

using orvelt::Canvas;

using namespace test;

class TestCanvas : public QObject {
  Q_OBJECT

 private slots:
  void rectangle_data() {
    QTest::addColumn<QList<int>>("corners");  // x1, y1, x2, y2
    QTest::addColumn<QStringList>("picture");
    QTest::newRow("4 x 3") << QList<int>{1, 1, 5, 4}
                           << QStringList{"......", ".PPPP.", ".PBBP.", ".PPPP.", "......"};
    QTest::newRow("corners swapped")
        << QList<int>{5, 4, 1, 1} << QStringList{"......", ".PPPP.", ".PBBP.", ".PPPP.", "......"};
    QTest::newRow("one wide") << QList<int>{2, 0, 3, 3}
                              << QStringList{"..P...", "..P...", "..P...", "......", "......"};
    QTest::newRow("empty") << QList<int>{2, 1, 2, 4}
                           << QStringList{"......", "......", "......", "......", "......"};
    QTest::newRow("clipped") << QList<int>{-2, -2, 3, 2}
                             << QStringList{"BBP...", "PPP...", "......", "......", "......"};
  }
  void rectangle() {
    QFETCH(QList<int>, corners);
    QFETCH(QStringList, picture);
    QImage image = Blank(6, 5);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.SetBrushColor(Qt::blue);
    canvas.Rectangle(corners[0], corners[1], corners[2], corners[3]);
    QCOMPARE(Picture(image), picture);
  }

  void fillAndNotify() {
    QImage image = Blank(4, 3);
    Canvas canvas(image);
    int changes = 0;
    canvas.SetChangedHandler([&] { ++changes; });
    canvas.SetBrushColor(Qt::blue);
    canvas.FillRect(1, 1, 3, 5);
    QCOMPARE(Picture(image), (QStringList{"....", ".BB.", ".BB."}));
    QCOMPARE(canvas.PenColor(), QColor(Qt::black));
    QCOMPARE(changes, 1);
  }

  // Worked by hand from the rule; the origin (6, 6) of a 13 x 13 picture leaves room on all sides.
  void line_data() {
    QTest::addColumn<QList<int>>("ends");  // x1, y1, x2, y2 relative to the origin
    QTest::addColumn<QList<QPoint>>("pixels");
    QTest::newRow("(0,0)-(5,2)") << QList<int>{0, 0, 5, 2}
                                 << QList<QPoint>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
    QTest::newRow("(0,0)-(2,1) half down")
        << QList<int>{0, 0, 2, 1} << QList<QPoint>{{0, 0}, {1, 0}};
    QTest::newRow("(0,0)-(2,-1) half up")
        << QList<int>{0, 0, 2, -1} << QList<QPoint>{{0, 0}, {1, -1}};
    QTest::newRow("(5,2)-(0,0) backwards")
        << QList<int>{5, 2, 0, 0} << QList<QPoint>{{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}};
    QTest::newRow("(2,1)-(0,0)") << QList<int>{2, 1, 0, 0} << QList<QPoint>{{2, 1}, {1, 0}};
    QTest::newRow("(0,0)-(4,-2)") << QList<int>{0, 0, 4, -2}
                                  << QList<QPoint>{{0, 0}, {1, -1}, {2, -1}, {3, -2}};
    QTest::newRow("(0,0)-(-4,2)") << QList<int>{0, 0, -4, 2}
                                  << QList<QPoint>{{0, 0}, {-1, 0}, {-2, 1}, {-3, 1}};
    QTest::newRow("steep (0,0)-(1,3)")
        << QList<int>{0, 0, 1, 3} << QList<QPoint>{{0, 0}, {0, 1}, {1, 2}};
    QTest::newRow("steep half (0,0)-(1,2)")
        << QList<int>{0, 0, 1, 2} << QList<QPoint>{{0, 0}, {0, 1}};
    QTest::newRow("steep half (0,0)-(-1,2)")
        << QList<int>{0, 0, -1, 2} << QList<QPoint>{{0, 0}, {-1, 1}};
    QTest::newRow("steep up (0,0)-(1,-3)")
        << QList<int>{0, 0, 1, -3} << QList<QPoint>{{0, 0}, {0, -1}, {1, -2}};
    QTest::newRow("steep up (0,0)-(-2,-5)")
        << QList<int>{0, 0, -2, -5} << QList<QPoint>{{0, 0}, {0, -1}, {-1, -2}, {-1, -3}, {-2, -4}};
    QTest::newRow("diagonal") << QList<int>{0, 0, 3, 3} << QList<QPoint>{{0, 0}, {1, 1}, {2, 2}};
    QTest::newRow("diagonal back")
        << QList<int>{0, 0, -3, 3} << QList<QPoint>{{0, 0}, {-1, 1}, {-2, 2}};
    QTest::newRow("horizontal") << QList<int>{-2, 0, 2, 0}
                                << QList<QPoint>{{-2, 0}, {-1, 0}, {0, 0}, {1, 0}};
    QTest::newRow("horizontal back")
        << QList<int>{3, 0, 0, 0} << QList<QPoint>{{3, 0}, {2, 0}, {1, 0}};
    QTest::newRow("vertical") << QList<int>{0, -1, 0, 2} << QList<QPoint>{{0, -1}, {0, 0}, {0, 1}};
    QTest::newRow("vertical up") << QList<int>{0, 3, 0, 0} << QList<QPoint>{{0, 3}, {0, 2}, {0, 1}};
    QTest::newRow("one step") << QList<int>{0, 0, 1, 0} << QList<QPoint>{{0, 0}};
    QTest::newRow("zero length") << QList<int>{1, 1, 1, 1} << QList<QPoint>{};
  }
  void line() {
    QFETCH(QList<int>, ends);
    QFETCH(QList<QPoint>, pixels);
    const QPoint origin(6, 6);
    Pixels expected;
    for (QPoint p : pixels) expected.insert({p.x(), p.y()});

    QImage viaSegment = Blank(13, 13);
    Canvas segment(viaSegment);
    segment.SetPenColor(Qt::red);
    segment.Segment(ends[0] + 6, ends[1] + 6, ends[2] + 6, ends[3] + 6);
    QVERIFY(PixelsOf(viaSegment, kRed, origin) == expected);

    QImage viaLineTo = Blank(13, 13);
    Canvas lineTo(viaLineTo);
    lineTo.SetPenColor(Qt::red);
    lineTo.MoveTo(ends[0] + 6, ends[1] + 6);
    lineTo.LineTo(ends[2] + 6, ends[3] + 6);
    QVERIFY(PixelsOf(viaLineTo, kRed, origin) == expected);
  }

  // Every line between two points of a 9 x 9 block against the search of ReferenceLine.
  void allShortLines() {
    const QRect window(0, 0, 9, 9);
    int checked = 0;
    for (int a = 0; a < 81; ++a) {
      for (int b = 0; b < 81; ++b) {
        const int x1 = a % 9, y1 = a / 9, x2 = b % 9, y2 = b / 9;
        QImage image = Blank(9, 9);
        Canvas canvas(image);
        canvas.SetPenColor(Qt::red);
        canvas.Segment(x1, y1, x2, y2);
        const Pixels expected = ReferenceLine(x1, y1, x2, y2, window);
        if (PixelsOf(image, kRed) != expected)
          QFAIL(qPrintable(QStringLiteral("(%1,%2)-(%3,%4)").arg(x1).arg(y1).arg(x2).arg(y2)));
        ++checked;
      }
    }
    QCOMPARE(checked, 81 * 81);
  }

  // Clipping drops the outside pixels and keeps the inside ones where they were.
  void clipping_data() {
    QTest::addColumn<QList<int>>("ends");
    QTest::newRow("through, shallow") << QList<int>{-7, -3, 18, 9};
    QTest::newRow("through, steep backwards") << QList<int>{9, 20, 2, -6};
    QTest::newRow("starts outside left") << QList<int>{-5, 4, 6, 1};
    QTest::newRow("ends outside bottom") << QList<int>{3, 2, 7, 30};
    QTest::newRow("passes by") << QList<int>{-5, -1, 20, -3};
    QTest::newRow("far away ends") << QList<int>{-1000000, -499997, 1000000, 500006};
    QTest::newRow("far, steep") << QList<int>{-349995, 2000000, 350005, -2000000};
  }
  void clipping() {
    QFETCH(QList<int>, ends);
    QImage image = Blank(12, 8);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.Segment(ends[0], ends[1], ends[2], ends[3]);
    const Pixels expected = ReferenceLine(ends[0], ends[1], ends[2], ends[3], QRect(0, 0, 12, 8));
    QVERIFY(PixelsOf(image, kRed) == expected);
    if (QTest::currentDataTag() != QLatin1String("passes by")) QVERIFY(!expected.empty());
  }

  void extremeEnds() {
    QImage image = Blank(5, 4);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.Segment(INT_MIN, 1, INT_MAX, 1);
    canvas.Segment(3, INT_MAX, 3, INT_MIN);
    QCOMPARE(Picture(image), (QStringList{"...P.", "PPPPP", "...P.", "...P."}));
  }

  // A run draws every vertex but the last, each pixel once; the current position follows LineTo.
  void lineRun() {
    QImage image = Blank(6, 6);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.MoveTo(1, 1);
    canvas.LineTo(4, 1);
    canvas.LineTo(4, 4);
    canvas.LineTo(2, 5);
    QCOMPARE(Picture(image),
             (QStringList{"......", ".PPPP.", "....P.", "....P.", "...PP.", "......"}));
    canvas.LineTo(2, 5);  // zero length: nothing
    QCOMPARE(Picture(image)[5], QStringLiteral("......"));
  }

  // A segment neither uses nor moves the current position.
  void segmentKeepsPosition() {
    QImage image = Blank(5, 5);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.MoveTo(0, 0);
    canvas.Segment(0, 4, 4, 4);
    canvas.LineTo(3, 0);
    QCOMPARE(Picture(image), (QStringList{"PPP..", ".....", ".....", ".....", "PPPP."}));
  }

  void marker_data() {
    QTest::addColumn<QColor>("brush");
    QTest::addColumn<QList<int>>("box");
    QTest::addColumn<QStringList>("picture");
    QTest::newRow("filled") << QColor(Qt::blue) << QList<int>{1, 1, 5, 5}
                            << QStringList{"######", "##PP##", "#PBBP#",
                                           "#PBBP#", "##PP##", "######"};
    QTest::newRow("hollow") << QColor(Qt::white) << QList<int>{1, 1, 5, 5}
                            << QStringList{"######", "##PP##", "#P..P#",
                                           "#P..P#", "##PP##", "######"};
    QTest::newRow("corners swapped")
        << QColor(Qt::blue) << QList<int>{6, 6, 2, 2}
        << QStringList{"######", "######", "###PP#", "##PBBP", "##PBBP", "###PP#"};
    QTest::newRow("clipped top left")
        << QColor(Qt::blue) << QList<int>{-2, -2, 2, 2}
        << QStringList{"BP####", "P#####", "######", "######", "######", "######"};
    QTest::newRow("clipped bottom right")
        << QColor(Qt::blue) << QList<int>{5, 4, 9, 8}
        << QStringList{"######", "######", "######", "######", "######", "#####P"};
  }
  void marker() {
    QFETCH(QColor, brush);
    QFETCH(QList<int>, box);
    QFETCH(QStringList, picture);
    QImage image = Blank(6, 6, kBlack);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.SetBrushColor(brush);
    canvas.Ellipse(box[0], box[1], box[2], box[3]);
    QCOMPARE(Picture(image), picture);
  }

  void fontSizes_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pixels");
    QTest::newRow("9 pt") << 9 << 12;
    QTest::newRow("11 pt") << 11 << 15;
    QTest::newRow("8 pt") << 8 << 11;
  }
  // The cell is brush-coloured behind two-colour glyphs and ends where the advance ends.
  void fontSizes() {
    QFETCH(int, points);
    QFETCH(int, pixels);
    const QFontMetrics metrics(PictureFont(pixels));
    const int cellHeight = metrics.ascent() + metrics.descent();
    for (const QString& text :
         {QStringLiteral("0"), QStringLiteral("22.00"), QStringLiteral("標準偏差 =")}) {
      const int advance = metrics.horizontalAdvance(text);
      QImage image = Blank(advance + 10, cellHeight + 10, kGreen);
      Canvas canvas(image);
      canvas.SetPenColor(Qt::red);  // the pen does not colour text
      canvas.SetBrushColor(Qt::blue);
      canvas.SetFontSize(points);
      int changes = 0;
      canvas.SetChangedHandler([&] { ++changes; });
      canvas.TextOut(4, 3, text);
      QCOMPARE(changes, 1);

      const QRect cell(4, 3, advance, cellHeight);
      QCOMPARE(canvas.TextCell(text), cell.size());
      int glyph = 0, background = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          const QRgb c = image.pixel(x, y);
          if (!cell.contains(x, y)) {
            if (c != kGreen)
              QFAIL(qPrintable(QStringLiteral("%1 at (%2,%3)").arg(text).arg(x).arg(y)));
            continue;
          }
          QVERIFY(c == kBlack || c == kBlue);
          (c == kBlack ? glyph : background)++;
        }
      }
      QVERIFY(glyph > 0);
      QVERIFY(background > glyph);
    }
  }

  void emptyText() {
    QImage image = Blank(8, 8);
    Canvas canvas(image);
    canvas.SetBrushColor(Qt::blue);
    canvas.TextOut(2, 2, QString());
    QCOMPARE(PixelsOf(image, kWhite).size(), std::size_t{64});
  }

  void notifications() {
    QImage image = Blank(8, 8);
    Canvas canvas(image);
    int changes = 0;
    canvas.SetChangedHandler([&] { ++changes; });
    canvas.MoveTo(1, 1);
    canvas.SetFontSize(11);
    QCOMPARE(changes, 0);
    canvas.LineTo(6, 3);
    canvas.Segment(0, 0, 7, 7);
    canvas.Ellipse(2, 2, 6, 6);
    canvas.Rectangle(0, 0, 8, 8);
    QCOMPARE(changes, 4);
  }
};

QTEST_MAIN(TestCanvas)
#include "test_canvas.moc"
