// The program's style: Qt's Windows style, with a menu bar's extension icon that is made when it
// is first used, the same icon.

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMenuBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <memory>

#include "ui/style.h"

namespace {

// The image format plugins this process has loaded so far.
int ImagePlugins() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) return -1;
  return maps.readAll().count("/imageformats/");
}

QImage Picture(const QIcon& icon, int size) {
  return icon.pixmap(size).toImage();
}

}  // namespace

class TestStyle : public QObject {
  Q_OBJECT

  std::unique_ptr<QStyle> windows_{QStyleFactory::create(QStringLiteral("Windows"))};

 private slots:
  // Before anything reads an image: a menu bar in the program's style loads no image plugin.
  void menuBarLoadsNoImagePlugin() {
    QApplication::setStyle(orvelt::NewProgramStyle());
    QMenuBar bar;
    bar.addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCOMPARE(ImagePlugins(), 0);
  }

  // Once used, each icon is the Windows style's, in either direction; the others are its own.
  void icons_data() {
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<int>("size");
    QTest::newRow("horizontal extension") << int(QStyle::SP_ToolBarHorizontalExtensionButton)
                                          << false << 16;
    QTest::newRow("horizontal extension, right to left")
        << int(QStyle::SP_ToolBarHorizontalExtensionButton) << true << 16;
    QTest::newRow("vertical extension, larger") << int(QStyle::SP_ToolBarVerticalExtensionButton)
                                                << false << 32;
    QTest::newRow("another icon") << int(QStyle::SP_MessageBoxWarning) << false << 32;
  }
  void icons() {
    QFETCH(int, icon);
    QFETCH(bool, rightToLeft);
    QFETCH(int, size);
    const auto which = static_cast<QStyle::StandardPixmap>(icon);
    QStyleOption option;
    option.direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
    const QIcon ours = QApplication::style()->standardIcon(which, &option);
    const QIcon theirs = windows_->standardIcon(which, &option);
    QCOMPARE(ours.isNull(), false);
    QCOMPARE(ours.availableSizes(), theirs.availableSizes());
    QCOMPARE(ours.actualSize(QSize(size, size)), theirs.actualSize(QSize(size, size)));
    QCOMPARE(Picture(ours, size), Picture(theirs, size));
    QCOMPARE(ours.pixmap(QSize(size, size), 2.0).toImage(),
             theirs.pixmap(QSize(size, size), 2.0).toImage());
  }
};

QTEST_MAIN(TestStyle)
#include "test_style.moc"
