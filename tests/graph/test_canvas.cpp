#include <QTest>

#include "graph/canvas.h"

using orvelt::Canvas;

namespace {

constexpr QRgb kWhite = 0xffffffff, kBlack = 0xff000000, kRed = 0xffff0000, kBlue = 0xff0000ff;

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kWhite);
  return image;
}

// Every pixel of the picture as a character: '.' white, 'P' pen, 'B' brush.
QStringList Picture(const QImage& image) {
  QStringList rows;
  for (int y = 0; y < image.height(); ++y) {
    QString row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      row += c == kWhite ? '.' : c == kRed ? 'P' : c == kBlue ? 'B' : '?';
    }
    rows << row;
  }
  return rows;
}

}  // namespace

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
};

QTEST_APPLESS_MAIN(TestCanvas)
#include "test_canvas.moc"
