// The graph picture drawn again on a finer pixel grid, and the graph window on a screen with two
// device pixels to the pixel (this test runs with QT_SCALE_FACTOR=2).

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <cmath>

#include "graph/canvas.h"
#include "graph/graph.h"
#include "tests/graph/picture_support.h"

using namespace orvelt;
using namespace test;

Q_DECLARE_METATYPE(test::Scene)

namespace {

QImage WithoutRatio(QImage image) {
  image.setDevicePixelRatio(1);
  return image;
}

// Where the rule puts a line through picture pixel v, and where pixel v begins.
std::int64_t Centre(std::int64_t v, double ratio) {
  return static_cast<std::int64_t>(std::floor((v + 0.5) * ratio));
}
std::int64_t Edge(std::int64_t v, double ratio) {
  return static_cast<std::int64_t>(std::floor(v * ratio + 0.5));
}

// The black pixels' columns and rows, as a rectangle.
QRect Ink(const QImage& image, QRgb ink = kBlack) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == ink) box |= QRect(x, y, 1, 1);
  return box;
}

// Several graphs on one canvas, the last one kept, as a working session leaves it.
void Session(Canvas& canvas, const QList<Scene>& scenes) {
  for (const Scene& s : scenes) {
    BlankGraphPicture(canvas);
    DrawGraph(canvas, s.result, s.bandMultiple);
  }
}

QList<Scene> Scenes() {
  return {
      Compute(FitModel::Linear, {{"1", "2.1"}, {"2", "3.9"}, {"3", "6.2"}, {"8", "12", "Omit"}},
              {{"1.5", "4"}, {"3.5", "6.5"}}, 1),
      Compute(FitModel::Quadratic,
              {{"-3", "9.5"}, {"-1", "1.2"}, {"0", "-0.4"}, {"2", "4.4"}, {"4", "16.5"}}, {}, 2),
      Compute(FitModel::Proportional, {{"-10", "-25"}, {"-5", "-13"}, {"-1", "-2.8"}})};
}

}  // namespace

class TestRender : public QObject {
  Q_OBJECT

 private slots:
  // Drawn again at ratio 1, the record gives back the picture, pixel for pixel: it holds every
  // drawing that can be seen, the ground included.
  void ratioOneIsThePicture_data() {
    QTest::addColumn<int>("graphs");
    QTest::newRow("start-up") << 0;
    QTest::newRow("one graph") << 1;
    QTest::newRow("three graphs") << 3;
  }
  void ratioOneIsThePicture() {
    QFETCH(int, graphs);
    QImage image = Blank(321, 450, kMagenta);
    Canvas canvas(image);
    BlankGraphPicture(canvas);
    Session(canvas, Scenes().mid(0, graphs));
    QCOMPARE(WithoutRatio(canvas.Render(1)), image);
  }

  void ratioOneKeepsTheGround() {
    QImage image = Blank(12, 10, kGreen);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.SetBrushColor(Qt::blue);
    canvas.Rectangle(1, 1, 5, 4);
    canvas.Segment(-3, 9, 14, 2);
    canvas.Ellipse(6, 5, 10, 9);
    canvas.MoveTo(0, 0);
    canvas.LineTo(11, 3);
    canvas.TextOut(2, 0, QStringLiteral("1"));
    QCOMPARE(WithoutRatio(canvas.Render(1)), image);
    // On a finer grid the ground is the old picture enlarged.
    const QImage fine = canvas.Render(2);
    QCOMPARE(fine.size(), QSize(24, 20));
    QCOMPARE(fine.devicePixelRatio(), 2.0);
    QCOMPARE(fine.pixel(23, 0), kGreen);
  }

  // A canvas without an image keeps only the record, and gives the picture that drawing into a
  // white image leaves.
  void recordAloneIsThePicture_data() {
    QTest::addColumn<int>("graphs");
    QTest::newRow("start-up") << 0;
    QTest::newRow("three graphs") << 3;
  }
  void recordAloneIsThePicture() {
    QFETCH(int, graphs);
    QImage image = Blank(321, 450);
    Canvas drawn(image), kept(QSize(321, 450));
    for (Canvas* canvas : {&drawn, &kept}) {
      BlankGraphPicture(*canvas);
      Session(*canvas, Scenes().mid(0, graphs));
    }
    QCOMPARE(kept.Image(), image);
  }

  // A part of the picture, as a window paints it a strip at a time, is that part of the whole;
  // also where the ground still shows.
  void parts_data() {
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QRect>("part");  // device pixels
    QTest::addColumn<bool>("ground");
    QTest::newRow("1, whole") << 1.0 << QRect(0, 0, 321, 450) << false;
    QTest::newRow("1, a strip") << 1.0 << QRect(0, 32, 321, 32) << false;
    QTest::newRow("1, one row") << 1.0 << QRect(0, 291, 321, 1) << false;
    QTest::newRow("1, odd corner") << 1.0 << QRect(37, 45, 200, 77) << false;
    QTest::newRow("1, the text below") << 1.0 << QRect(3, 330, 300, 41) << false;
    QTest::newRow("1, last pixel") << 1.0 << QRect(320, 449, 1, 1) << false;
    QTest::newRow("1, on the ground") << 1.0 << QRect(10, 20, 150, 33) << true;
    QTest::newRow("1.5, odd") << 1.5 << QRect(11, 13, 100, 57) << false;
    QTest::newRow("1.5, on the ground") << 1.5 << QRect(31, 7, 77, 91) << true;
    QTest::newRow("2, a strip") << 2.0 << QRect(0, 64, 642, 32) << false;
    QTest::newRow("3, odd") << 3.0 << QRect(101, 202, 303, 97) << false;
  }
  void parts() {
    QFETCH(double, ratio);
    QFETCH(QRect, part);
    QFETCH(bool, ground);
    QImage image = Blank(321, 450, kMagenta);
    Canvas canvas(image);
    if (!ground) BlankGraphPicture(canvas);
    const Scene scene = Scenes()[1];
    DrawGraph(canvas, scene.result, scene.bandMultiple);
    QCOMPARE(canvas.Ground().isNull(), !ground);
    const QImage strip = canvas.Render(ratio, part);
    QCOMPARE(strip.devicePixelRatio(), ratio);
    QCOMPARE(WithoutRatio(strip), WithoutRatio(canvas.Render(ratio)).copy(part));
  }

  // A first drawing that covers the whole picture writes it where it lies; one that leaves
  // some of it in sight copies it, to keep what lay there.
  void firstDrawingCopiesOnlyWhatStaysInSight_data() {
    QTest::addColumn<QRect>("fill");  // null: the blank graph
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("the blank graph") << QRect() << true;
    QTest::newRow("all of it filled") << QRect(0, 0, 321, 450) << true;
    QTest::newRow("the top filled") << QRect(0, 0, 321, 321) << false;
  }
  void firstDrawingCopiesOnlyWhatStaysInSight() {
    QFETCH(QRect, fill);
    QFETCH(bool, inPlace);
    QImage image = Blank(321, 450, kMagenta);
    const uchar* const pixels = image.constBits();
    Canvas canvas(image);
    if (fill.isNull())
      BlankGraphPicture(canvas);
    else
      canvas.FillRect(fill.left(), fill.top(), fill.right() + 1, fill.bottom() + 1);
    QCOMPARE(image.constBits() == pixels, inPlace);
    QCOMPARE(canvas.Ground().isNull(), inPlace);
  }

  // Lines one device pixel wide through the device column and row of their picture pixels'
  // centres; rectangles fill the device pixels of their picture pixels.
  void lines_data() {
    QTest::addColumn<double>("ratio");
    QTest::newRow("150 %") << 1.5;
    QTest::newRow("200 %") << 2.0;
    QTest::newRow("300 %") << 3.0;
  }
  void lines() {
    QFETCH(double, ratio);
    QImage image = Blank(20, 16);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.Segment(2, 3, 17, 3);   // across
    canvas.Segment(4, 14, 4, 5);   // up
    canvas.Segment(6, 12, 18, 6);  // sloped
    const QImage fine = canvas.Render(ratio);
    QCOMPARE(fine.size(), QSize(int(Edge(20, ratio)), int(Edge(16, ratio))));

    Pixels expected;
    for (std::int64_t x = Centre(2, ratio); x < Centre(17, ratio); ++x)
      expected.insert({x, Centre(3, ratio)});
    for (std::int64_t y = Centre(14, ratio); y > Centre(5, ratio); --y)
      expected.insert({Centre(4, ratio), y});
    const Pixels sloped = ReferenceLine(Centre(6, ratio), Centre(12, ratio), Centre(18, ratio),
                                        Centre(6, ratio), fine.rect());
    expected.insert(sloped.begin(), sloped.end());
    QVERIFY(PixelsOf(fine, kRed) == expected);
    // The sloped line has one device pixel in each device column it crosses.
    std::set<std::int64_t> columns;
    for (const auto& p : sloped) QVERIFY(columns.insert(p.first).second);
  }

  void rectangle_data() {
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QStringList>("picture");
    QTest::newRow("200 %") << 2.0 << QStringList{"............", "............", "..BBBBBBBB..",
                                                 "..BPPPPPPP..", "..BPBBBBBP..", "..BPBBBBBP..",
                                                 "..BPBBBBBP..", "..BPPPPPPP..", "............",
                                                 "............"};
    QTest::newRow("150 %") << 1.5
                           << QStringList{".........", ".........", "..PPPPPB.", "..PBBBPB.",
                                          "..PBBBPB.", "..PPPPPB.", ".........", "........."};
  }
  void rectangle() {
    QFETCH(double, ratio);
    QFETCH(QStringList, picture);
    QImage image = Blank(6, 5);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.SetBrushColor(Qt::blue);
    canvas.Rectangle(1, 1, 5, 4);
    QCOMPARE(Picture(canvas.Render(ratio)), picture);
  }

  // The point marker is a disc of four pixels' diameter about the same centre, its rim one
  // device pixel wide in the pen, its inside in the brush.
  void marker() {
    QImage image = Blank(10, 10);
    Canvas canvas(image);
    canvas.SetPenColor(Qt::red);
    canvas.SetBrushColor(Qt::blue);
    canvas.Ellipse(3, 2, 7, 6);
    const QImage fine = canvas.Render(2);
    QCOMPARE(Picture(fine, QRect(5, 3, 10, 10)),
             (QStringList{"..........", "...PPPP...", "..PBBBBP..", ".PBBBBBBP.", ".PBBBBBBP.",
                          ".PBBBBBBP.", ".PBBBBBBP.", "..PBBBBP..", "...PPPP...", ".........."}));
    // Nothing coloured beyond that window.
    QCOMPARE(PixelsOf(fine, kRed).size() + PixelsOf(fine, kBlue).size(), std::size_t{20 + 32});
  }

  // Texts in a face twice as high: about twice as wide and high, from twice the corner.
  void text() {
    QImage image = Blank(80, 30);
    Canvas canvas(image);
    canvas.SetBrushColor(Qt::white);
    canvas.SetFontSize(11);
    canvas.TextOut(5, 4, QStringLiteral("a =   1.50000"));
    const QRect coarse = Ink(image), fine = Ink(canvas.Render(2));
    QVERIFY(!coarse.isEmpty());
    QVERIFY2(std::abs(fine.width() - 2 * coarse.width()) <= 4,
             qPrintable(QStringLiteral("%1 vs %2").arg(fine.width()).arg(coarse.width())));
    QVERIFY(std::abs(fine.height() - 2 * coarse.height()) <= 3);
    QVERIFY(std::abs(fine.left() - 2 * coarse.left()) <= 2);
    QVERIFY(std::abs(fine.top() - 2 * coarse.top()) <= 3);
  }

  // What a later drawing paints over wholly is forgotten, so the record of a long session is
  // that of its last graph, and it draws the same.
  void recordStaysShort() {
    QImage longImage = Blank(321, 450);
    Canvas longSession(longImage);
    for (int i = 0; i < 20; ++i) Session(longSession, Scenes());
    BlankGraphPicture(longSession);
    QCOMPARE(longSession.KeptDrawings(), std::size_t{2});

    QImage shortImage = Blank(321, 450, kMagenta);
    Canvas shortSession(shortImage);
    Session(longSession, Scenes().mid(1, 1));
    Session(shortSession, Scenes().mid(1, 1));
    QCOMPARE(longSession.KeptDrawings(), shortSession.KeptDrawings());
    QCOMPARE(longSession.Render(2), shortSession.Render(2));
    QCOMPARE(longImage, shortImage);
  }

  // The window on this screen: the picture drawn at the screen's ratio, the plot square of the
  // same drawing; the copy stays the picture itself.
  void windowAtTwiceThePixels() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.devicePixelRatio(), 2.0);
    const Scene scene = Scenes().first();
    BlankGraphPicture(form.Canvas());
    DrawGraph(form.Canvas(), scene.result, scene.bandMultiple);
    const QImage shown = form.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(642, 642));
    const QImage fine = WithoutRatio(form.Canvas().Render(2)).copy(0, 0, 642, 642);
    QCOMPARE(WithoutRatio(shown), fine);
    // The frame: one device pixel wide, in the picture's black.
    QCOMPARE(shown.pixel(1, 300), kBlack);
    QCOMPARE(shown.pixel(0, 300), kWhite);
    QCOMPARE(shown.pixel(2, 300), kWhite);

    form.CopyPicture();
    const QImage copied =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(copied.size(), QSize(321, 450));
    QCOMPARE(copied, Draw(scene));
  }
};

QTEST_MAIN(TestRender)
#include "test_render.moc"
