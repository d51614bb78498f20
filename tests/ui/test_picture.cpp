// The graph window's picture out of the program: the keys of its save and print commands, the
// file each makes of what ｸﾞﾗﾌをｺﾋﾟｰ would copy, the dialog's folder, the overwrite question and
// what a failure leaves.
#include <fcntl.h>

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/files/file_support.h"
#include "tests/graph/rendered.h"
#include "tests/ui/program.h"
#include "ui/controls.h"
#include "ui/picture.h"

using orvelt::PictureFormat;

namespace {

QImage Copied(Program& p) {
  p.form1.Copy2->trigger();
  return QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
}

void ComputeParabola(Program& p) {
  p.form1.RadioGroup1->SetItemIndex(2);
  p.Fill({{1, "-2", "4.4"}, {2, "-1", "1.2"}, {3, "0", "0.3"}, {4, "1", "1.1"}, {5, "3", "9.6"}});
  p.form1.Button1->click();
}

// The folder as a user without its write permission meets it (tests run as root, whom none
// stops): nothing can be created in it.
class ReadOnlyFolder : public FileSystem {
 public:
  int Open(const char* path, int flags, mode_t mode) override {
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) return errno = EACCES, -1;
    return FileSystem::Open(path, flags, mode);
  }
};

// A folder on a medium mounted read-only, as a user meets one.
class ReadOnlyMedium : public FileSystem {
 public:
  int Statvfs(const char* path, struct statvfs* status) override {
    if (FileSystem::Statvfs(path, status) != 0) return -1;
    status->f_flag |= ST_RDONLY;
    return 0;
  }
};

}  // namespace

Q_DECLARE_METATYPE(orvelt::PictureFormat)

class TestPicture : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Path(const QString& name) { return dir_.filePath(name); }

 private slots:
  // Ctrl+S and Ctrl+P open the dialogs while the graph window is active; the main window's menus
  // have no such keys.
  void keys() {
    Program p;
    for (QAction* a : p.form1.findChildren<QAction*>()) QVERIFY(a->shortcut().isEmpty());
    p.form2.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form2));
    QTest::keyClick(&p.form2, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&p.form2, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(p.desktop.dialogs.size(), 1);
    QCOMPARE(p.desktop.dialogs[0].filter, PictureDialog().filter);
    QCOMPARE(p.desktop.printOffers.size(), 1);
    p.form1.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    QTest::keyClick(p.form1.StringGrid1->Editor(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(p.form1.StringGrid1->Editor(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(p.desktop.dialogs.size() + p.desktop.printOffers.size(), 2);
  }

  void fileOfTheName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("path");
    QTest::addColumn<PictureFormat>("format");
    QTest::newRow("no extension, PNG chosen") << "/a/g" << 0 << "/a/g.png" << PictureFormat::Png;
    QTest::newRow("no extension, SVG chosen") << "/a/g" << 1 << "/a/g.svg" << PictureFormat::Svg;
    QTest::newRow("no extension, PDF chosen") << "/a/g" << 2 << "/a/g.pdf" << PictureFormat::Pdf;
    QTest::newRow("the name's own wins") << "/a/g.svg" << 2 << "/a/g.svg" << PictureFormat::Svg;
    QTest::newRow("in capitals") << "/a/G.PDF" << 0 << "/a/G.PDF" << PictureFormat::Pdf;
    QTest::newRow("a dot in the folder") << "/a.png/g" << 1 << "/a.png/g.svg" << PictureFormat::Svg;
    QTest::newRow("another extension") << "/a/g.jpg" << 0 << "/a/g.jpg.png" << PictureFormat::Png;
  }
  void fileOfTheName() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    const PictureFile file = PictureFileOf(name, filter);
    QTEST(file.path, "path");
    QTEST(file.format, "format");
  }

  // The file is of the picture the copy takes now: the frame shown, or the blank picture before
  // a compute and after a reset. The PNG is that picture; SVG and PDF are drawn from the same
  // canvas, titled with the formula shown.
  void savedIsTheCopy_data() {
    QTest::addColumn<QString>("stage");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("head");
    for (const char* stage : {"blank", "origin", "data", "reset"})
      QTest::addRow("PNG, %s", stage) << stage << "g.png" << 2 << "g.png" << QByteArray("\x89PNG");
    QTest::newRow("SVG by the filter") << "data"
                                       << "g" << 1 << "g.svg" << QByteArray("<?xml");
    QTest::newRow("PDF by the name") << "origin"
                                     << "g.pdf" << 0 << "g.pdf" << QByteArray("%PDF");
  }
  void savedIsTheCopy() {
    QFETCH(QString, stage);
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(QString, file);
    QFETCH(QByteArray, head);
    QTemporaryDir dir;
    Program p;
    if (stage != "blank") ComputeParabola(p);
    if (stage == "data") p.form2.Views->FitData->trigger();
    if (stage == "reset") {  // a compute that stops at a cell
      p.form1.StringGrid1->SetCell(1, 1, QStringLiteral("x"));
      p.form1.Button1->click();
      p.desktop.boxes.clear();
    }
    p.desktop.fileNames = {dir.filePath(typed)};
    p.desktop.filters = {filter};
    p.form2.Views->SavePicture->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());
    QCOMPARE(Entries(dir.path()), QStringList{file});
    const QString path = dir.filePath(file);
    QVERIFY(Content(path).startsWith(head));
    const QString title = stage == "origin" || stage == "data" ? "y = ax^2 + bx + c" : "";
    QCOMPARE(p.PictureIsBlank(), title.isEmpty());
    if (file.endsWith(".png"))
      QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), Copied(p));
    if (file.endsWith(".pdf")) QCOMPARE(test::PdfInfo(path).value("Title"), title);
    if (file.endsWith(".svg")) QVERIFY(Content(path).contains("<title>" + title.toUtf8() + '<'));
  }

  // The dialog opens with no name in the folder last chosen; printing offers its file there.
  void dialogRemembersTheFolder() {
    Program p;
    p.form2.Views->PrintPicture->trigger();
    QVERIFY(QDir(dir_.path()).mkdir("a"));
    p.desktop.fileNames = {Path("a/one"), "", Path("two.svg")};
    for (int i = 0; i < 3; ++i) p.form2.Views->SavePicture->trigger();
    p.form2.Views->PrintPicture->trigger();
    QCOMPARE(p.desktop.dialogs.size(), 3);
    QCOMPARE(p.desktop.dialogs[0].folder, QString());
    QCOMPARE(p.desktop.dialogs[1].folder, Path("a"));
    QCOMPARE(p.desktop.dialogs[2].folder, Path("a"));  // a cancelled dialog changes nothing
    for (const FileDialog& d : p.desktop.dialogs) QCOMPARE(d.fileName, QString());
    QCOMPARE(p.desktop.printOffers,
             QStringList({QDir::home().filePath("orvelt.pdf"), Path("orvelt.pdf")}));
    QVERIFY(QFile::exists(Path("a/one.png")) && QFile::exists(Path("two.svg")));
  }

  void overwriteQuestion() {
    Program p;
    const QString path = Path("old.png");
    QVERIFY(Write(path, "old"));
    p.desktop.fileNames = {path, path};
    p.desktop.answers = {false, true};
    p.form2.Views->SavePicture->trigger();
    QCOMPARE(Content(path), QByteArray("old"));
    p.form2.Views->SavePicture->trigger();
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), Copied(p));
    QCOMPARE(p.desktop.boxes.size(), 2);
    QCOMPARE(p.Shown(p.desktop.boxes[0]),
             QStringLiteral("警告 warning yes-no +120+150 quiet: "
                            "既存のファイルを選択しました。\n\nファイルを更新しますか？"));
  }

  // A failed save or print to a file says so as a data file's would, naming the file, and leaves
  // the folder as it was; the save path's own tests try every call that can fail.
  void failures() {
    QTemporaryDir dir;
    Program p;
    ReadOnlyFolder readOnly;
    p.desktop.fileNames = {dir.filePath("g.pdf")};
    SavePicture(p.desktop, p.form1.PictureDialog1, &p.form1, p.form2.Canvas(), QString(), readOnly);
    p.desktop.fileNames = {dir.filePath("none/g.png")};
    p.form2.Views->SavePicture->trigger();
    p.desktop.printFiles = {dir.filePath("none/p.pdf")};
    p.form2.Views->PrintPicture->trigger();
    QStringList shown;
    for (const Box& box : p.desktop.boxes) shown << p.Shown(box);
    const QString box = QStringLiteral("オルヴェルト error ok +c+c quiet: ");
    QCOMPARE(shown,
             QStringList({box + "ファイルへのアクセスが拒否されました.\n\n" + dir.filePath("g.pdf"),
                          box + "不正なファイル名です.\n\n" + dir.filePath("none/g.png"),
                          box + "不正なファイル名です.\n\n" + dir.filePath("none/p.pdf")}));
    QCOMPARE(Entries(dir.path()), QStringList());
  }

  // The question and the save concern a link's target; a read-only medium is told before any
  // question.
  void savedThroughLinks() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(Write(dir.filePath("old.png"), "old"));
    QVERIFY(QFile::link("old.png", dir.filePath("existing.png")));
    QVERIFY(QFile::link("sub/new.png", dir.filePath("dangling.png")));
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    p.desktop.fileNames = {dir.filePath("dangling.png"), dir.filePath("existing.png")};
    p.form2.Views->SavePicture->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());
    p.form2.Views->SavePicture->trigger();
    QCOMPARE(p.desktop.boxes.size(), 1);  // the overwrite question, answered Yes
    for (const char* name : {"sub/new.png", "old.png"})
      QCOMPARE(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32), Copied(p));
    QVERIFY(QFileInfo(dir.filePath("dangling.png")).isSymLink());
    QVERIFY(QFileInfo(dir.filePath("existing.png")).isSymLink());

    ReadOnlyMedium readOnly;
    p.desktop.boxes.clear();
    p.desktop.fileNames = {dir.filePath("old.png")};
    SavePicture(p.desktop, p.form1.PictureDialog1, &p.form1, p.form2.Canvas(), QString(), readOnly);
    QCOMPARE(p.desktop.TakeTexts(),
             QStringList{QStringLiteral("読み取り専用のメディアには書き込めません.\n\n") +
                         dir.filePath("old.png")});
  }

  // Printed to a PDF file: the page chosen, the plot square where the picture centred in the
  // printable area and as large as it fits puts it, the formula the title; cancelled, nothing.
  void printedToFile_data() {
    QTest::addColumn<bool>("landscape");
    QTest::newRow("portrait: as wide as the area") << false;
    QTest::newRow("landscape: as high as the area") << true;
  }
  void printedToFile() {
    QFETCH(bool, landscape);
    Program p;
    ComputeParabola(p);
    p.form2.Views->PrintPicture->trigger();
    const QString path = Path("printed.pdf");
    p.desktop.printFiles = {path};
    p.desktop.printPage.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    p.form2.Views->PrintPicture->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());
    QVERIFY(!QFile::exists(p.desktop.printOffers[0]));
    QCOMPARE(test::PdfInfo(path).value("Title"), QStringLiteral("y = ax^2 + bx + c"));
    const QImage page = test::RenderedBack(path);
    QCOMPARE(page.size(), p.desktop.printPage.fullRect(QPageLayout::Point).size().toSize());

    const QRectF area = p.desktop.printPage.paintRect(QPageLayout::Point);
    const double scale = std::min(area.width() / 321, area.height() / 450);
    const QRectF square(area.center() - QPointF(321, 450) * scale / 2, QSizeF(321, 321) * scale);
    QRect dark;  // the square's outline: the outermost dark pixels around it
    const QRect around = square.toAlignedRect().adjusted(-3, -3, 3, 3);
    for (int y = around.top(); y <= around.bottom(); ++y)
      for (int x = around.left(); x <= around.right(); ++x)
        if (qGray(page.pixel(x, y)) < 96) dark |= QRect(x, y, 1, 1);
    const QRectF found(dark);
    QVERIFY2(std::abs(found.left() - square.left()) <= 1 &&
                 std::abs(found.top() - square.top()) <= 1 &&
                 std::abs(found.right() + 1 - square.right()) <= 1 &&
                 std::abs(found.bottom() + 1 - square.bottom()) <= 1,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(dark.x())
                            .arg(dark.y())
                            .arg(dark.width())
                            .arg(dark.height())));
  }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
