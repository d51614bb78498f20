#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "files/seriesfile.h"
#include "tests/ui/program.h"
#include "ui/controls.h"

namespace {

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// The file of the worked example, line by line: the magic line, then x, y, third line per row.
QByteArray File(std::initializer_list<const char*> firstLines) {
  QList<QByteArray> lines;
  for (const char* l : firstLines) lines << l;
  while (lines.size() < 61) lines << "";
  return lines.join("\r\n") + "\r\n";
}

QStringList ColumnTexts(DataGrid* grid, int col) {
  QStringList cells;
  for (int r = 1; r <= 20; ++r) cells << grid->Cell(col, r);
  return cells;
}

// Every data cell of a grid, row by row.
QStringList Grid(DataGrid* grid) {
  QStringList cells;
  for (int r = 1; r <= 20; ++r)
    for (int c = 1; c < grid->ColCount(); ++c) cells << grid->Cell(c, r);
  return cells;
}

}  // namespace

class TestFiles : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Path(const char* name) { return dir_.filePath(QString::fromUtf8(name)); }

 private slots:
  void save_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("series 1") << 1 << File({"ovt110", "1", "2.5", "Omit", "2", "3.1", ""});
    QTest::newRow("series 2") << 2 << File({"ovt110", "1", "2.5", "", "2", "3.1", ""});
  }
  void save() {
    QFETCH(int, series);
    QFETCH(QByteArray, bytes);
    Program p;
    DataGrid* grid = series == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
    p.Fill({{1, "1", "2.5", "Omit"}, {2, "2", "3.1"}}, grid);
    QStringList before = ColumnTexts(grid, 1) + ColumnTexts(grid, 2);
    const QString path = Path(series == 1 ? "one.ovt" : "two.ovt");
    p.desktop.fileNames = {path};
    p.form1.findChild<QAction*>(series == 1 ? "S1" : "S2")->trigger();
    QCOMPARE(Bytes(path), bytes);
    QCOMPARE(Bytes(path).size(), series == 1 ? 140 : 136);
    QVERIFY(p.desktop.boxes.isEmpty());
    QCOMPARE(ColumnTexts(grid, 1) + ColumnTexts(grid, 2), before);
    QCOMPARE(p.desktop.dialogs[0].mode, FileDialog::Mode::Save);
    QCOMPARE(p.desktop.dialogs[0].filter,
             QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)|*.ovt|すべてのﾌｧｲﾙ(*.*)|*.*"));
    QCOMPARE(p.desktop.dialogs[0].defaultExt, QStringLiteral("ovt"));
  }

  void overwriteQuestion_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the file") << false;
    QTest::newRow("Yes replaces it, also when it was longer") << true;
  }
  void overwriteQuestion() {
    QFETCH(bool, yes);
    Program p;
    const QString path = Path("old.ovt");
    const QByteArray old = File({"ovt110", "9", "9", "", "8", "8"}) + QByteArray(500, 'x');
    Write(path, old);
    p.Fill({{3, "1", "2"}});
    p.desktop.fileNames = {path};
    p.desktop.answers = {yes};
    p.form1.S1->trigger();
    QCOMPARE(p.desktop.boxes.size(), 1);
    QCOMPARE(p.Shown(p.desktop.boxes[0]),
             QStringLiteral("警告 warning yes-no +120+150 quiet: "
                            "既存のファイルを選択しました。\n\nファイルを更新しますか？"));
    QCOMPARE(Bytes(path), yes ? File({"ovt110", "", "", "", "", "", "", "1", "2", ""}) : old);
  }

  // Through a link the target is saved, created when it is missing, and asked about only when
  // it is there.
  void saveThroughLinks() {
    Program p;
    p.Fill({{1, "1", "2"}});
    Write(Path("target.ovt"), "old");
    QVERIFY(QFile::link("target.ovt", Path("link.ovt")));
    QVERIFY(QFile::link("made.ovt", Path("dangling.ovt")));
    p.desktop.fileNames = {Path("dangling.ovt"), Path("link.ovt")};
    p.form1.S1->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());
    p.form1.S1->trigger();
    QCOMPARE(p.desktop.boxes.size(), 1);  // the overwrite question, answered Yes
    QCOMPARE(Bytes(Path("made.ovt")), File({"ovt110", "1", "2", ""}));
    QCOMPARE(Bytes(Path("target.ovt")), Bytes(Path("made.ovt")));
    QCOMPARE(QFileInfo(Path("dangling.ovt")).symLinkTarget(), Path("made.ovt"));
    QCOMPARE(QFileInfo(Path("link.ovt")).symLinkTarget(), Path("target.ovt"));
  }

  void cancelledDialogsDoNothing() {
    Program p;
    p.Fill({{1, "1", "2"}});
    p.form1.S1->trigger();
    p.form1.O2->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());
    QCOMPARE(p.desktop.dialogs.size(), 2);
    QCOMPARE(p.form1.StringGrid1->Cell(1, 1), QStringLiteral("1"));
  }

  void dialogsRememberTheirNamesApart() {
    Program p;
    const QString saved = Path("remember.ovt");
    p.desktop.fileNames = {saved, saved, "", ""};
    p.form1.S1->trigger();
    p.form1.O1->trigger();
    p.form1.S2->trigger();  // cancelled: the name stays
    p.form1.O2->trigger();
    QCOMPARE(p.desktop.dialogs.size(), 4);
    QCOMPARE(p.desktop.dialogs[0].fileName, QString());
    QCOMPARE(p.desktop.dialogs[1].fileName, QString());
    QCOMPARE(p.desktop.dialogs[1].mode, FileDialog::Mode::Open);
    QCOMPARE(p.desktop.dialogs[2].fileName, saved);
    QCOMPARE(p.desktop.dialogs[3].fileName, saved);
  }

  void unsavableCharacter_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("message");
    QTest::newRow("series 1 y") << 1 << 2 << "保存できない文字があります\n\n  Data No. 7 の y";
    QTest::newRow("series 1 Omit")
        << 1 << 3 << "保存できない文字があります\n\n  Data No. 7 の Omit";
    QTest::newRow("series 2 x") << 2 << 1 << "保存できない文字があります\n\n系列２ Data No. 7 の x";
  }
  void unsavableCharacter() {
    QFETCH(int, series);
    QFETCH(int, col);
    QFETCH(QString, message);
    Program p;
    DataGrid* grid = series == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
    grid->SetCell(col, 7, QStringLiteral("1 \U0001F600"));
    const QString path = Path("unsavable.ovt");
    Write(path, "kept");
    p.desktop.fileNames = {path};
    p.form1.findChild<QAction*>(series == 1 ? "S1" : "S2")->trigger();
    QCOMPARE(p.desktop.boxes.size(), 2);  // the overwrite question, then the refusal
    QCOMPARE(p.Shown(p.desktop.boxes[1]), "エラー error ok +130+150 quiet: " + message);
    QCOMPARE(Bytes(path), QByteArray("kept"));
  }

  void saveFailuresGoToTheGeneralBox_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing folder") << "no/such/folder/a.ovt"
                                    << "不正なファイル名です.";
    QTest::newRow("a folder") << "."
                              << "不正なファイル名です.";
  }
  void saveFailuresGoToTheGeneralBox() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    Program p;
    p.desktop.fileNames = {dir_.filePath(name)};
    p.form1.S1->trigger();
    QCOMPARE(p.desktop.TakeTexts(), QStringList{message});
  }

  void open_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("x");
    QTest::addColumn<QStringList>("y");
    QTest::addColumn<QStringList>("omit");  // series 1 only
    QStringList x(20), y(20), omit(20), empty(20);
    x[0] = "1", y[0] = "2.5", omit[0] = "Omit", x[19] = " a b ", y[19] = "系列";
    QByteArray file = File({"ovt110", "1", "2.5", "Omit"});
    file.replace(file.size() - 6, 6, " a b \r\n\x8c\x6e\x97\xf1\r\n\r\nignored\r\n");
    QTest::newRow("series 1") << 1 << file << x << y << omit;
    QTest::newRow("series 1 file into series 2") << 2 << file << x << y << empty;
    QTest::newRow("only the magic line empties all")
        << 1 << QByteArray("ovt110\r\n") << empty << empty << empty;
    QTest::newRow("higher version, LF only") << 1 << QByteArray("ovt111\n\n5\n\n") << empty
                                             << QStringList{"5"} + QStringList(19) << empty;
  }
  void open() {
    QFETCH(int, series);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, x);
    QFETCH(QStringList, y);
    QFETCH(QStringList, omit);
    Program p;
    DataGrid* grid = series == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
    DataGrid* other = series == 1 ? p.form1.StringGrid2 : p.form1.StringGrid1;
    for (int r = 1; r <= 20; ++r)
      for (int c = 1; c < grid->ColCount(); ++c) grid->SetCell(c, r, QStringLiteral("old"));
    p.Fill({{2, "kept", "kept"}}, other);
    p.form1.CheckBox1->setChecked(true);
    p.form1.RadioGroup1->SetItemIndex(2);
    const QString path = Path("open.ovt");
    Write(path, bytes);
    p.desktop.fileNames = {path};
    p.form1.findChild<QAction*>(series == 1 ? "O1" : "O2")->trigger();
    QVERIFY(p.desktop.boxes.isEmpty());
    QCOMPARE(ColumnTexts(grid, 1), x);
    QCOMPARE(ColumnTexts(grid, 2), y);
    if (series == 1) QCOMPARE(ColumnTexts(grid, 3), omit);
    QCOMPARE(other->Cell(1, 2), QStringLiteral("kept"));
    QVERIFY(p.form1.CheckBox1->isChecked());
    QCOMPARE(p.form1.RadioGroup1->ItemIndex(), 2);
    QCOMPARE(p.Labels(), kBareLabels);
  }

  void openRefusals_data() {
    QTest::addColumn<QByteArray>("bytes");  // empty name: no such file
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::newRow("no such file") << QByteArray() << "ファイルが見つかりません" << 135;
    QTest::newRow("lower version")
        << QByteArray("ovt109\r\n1\r\n") << "指定されたファイルは読めません" << 110;
    QTest::newRow("capital letters")
        << QByteArray("OVT110\r\n") << "指定されたファイルは読めません" << 110;
    QTest::newRow("empty file") << QByteArray("") << "指定されたファイルは読めません" << 110;
    QTest::newRow("a line past the bound")
        << File({"ovt110", "1", "2", "", "3", "4"})
               .replace("\r\n4\r\n", "\r\n4" + QByteArray(kMaxSeriesFileBytes, '5') + "\r\n")
        << "指定されたファイルは読めません" << 110;
    QTest::newRow("past the bound in the last line")
        << File({"ovt110"}).chopped(2) + QByteArray(kMaxSeriesFileBytes, ' ') + "\r\n"
        << "指定されたファイルは読めません" << 110;
  }
  void openRefusals() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, offset);
    Program p;
    p.Fill({{1, "1", "2", "Omit"}});
    const QString path = Path(offset == 135 ? "missing.ovt" : "refused.ovt");
    if (offset != 135) Write(path, bytes);
    p.desktop.fileNames = {path};
    const QStringList before = Grid(p.form1.StringGrid1);
    p.form1.O1->trigger();
    QCOMPARE(p.desktop.boxes.size(), 1);
    QCOMPARE(p.Shown(p.desktop.boxes[0]),
             QStringLiteral("エラー error ok +%1+150 beep: ").arg(offset) + text);
    QCOMPARE(Grid(p.form1.StringGrid1), before);
    QCOMPARE(p.form1.StringGrid1->Cell(3, 1), QStringLiteral("Omit"));
  }

  // Files named on the command line open as the open command opens them when they are chosen in
  // its dialog: the same boxes, cells and remembered name, whatever the file.
  void commandLineAsTheMenu_data() {
    QTest::addColumn<QByteArray>("first");  // "-" for no such file, "/" for a folder
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("boxes");
    const QByteArray good = File({"ovt110", "1", "2.5", "Omit", "2", "3.1", ""});
    const QByteArray other = File({"ovt110", "-4", "7e1", "", " x", "", ""});
    QTest::newRow("two data files") << good << other << 0;
    QTest::newRow("no such file, then a data file") << QByteArray("-") << other << 1;
    QTest::newRow("wrong first line") << QByteArray("OVT110\r\n1\r\n") << good << 1;
    QTest::newRow("a folder") << QByteArray("/") << good << 1;
    QTest::newRow("past the bound")
        << good << File({"ovt110"}).chopped(2) + QByteArray(kMaxSeriesFileBytes, ' ') + "\r\n"
        << 1;
  }
  void commandLineAsTheMenu() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, boxes);
    QStringList paths;
    for (const QByteArray& bytes : {first, second}) {
      const QString path = Path(qPrintable(QStringLiteral("line%1.ovt").arg(paths.size())));
      QFile::remove(path);
      QDir(path).removeRecursively();
      if (bytes == "/") {
        QVERIFY(QDir().mkpath(path));
      } else if (bytes != "-") {
        Write(path, bytes);
      }
      paths << path;
    }
    Program byMenu, byLine;
    for (Program* p : {&byMenu, &byLine}) {
      p->Fill({{1, "old", "old", "Omit"}});
      p->Fill({{1, "old", "old"}}, p->form1.StringGrid2);
    }
    byMenu.desktop.fileNames = paths;
    byMenu.form1.O1->trigger();
    byMenu.form1.O2->trigger();
    byLine.form1.OpenFiles(paths);

    QStringList menuBoxes, lineBoxes;
    for (const Box& b : byMenu.desktop.boxes) menuBoxes << byMenu.Shown(b);
    for (const Box& b : byLine.desktop.boxes) lineBoxes << byLine.Shown(b);
    QCOMPARE(lineBoxes, menuBoxes);
    QCOMPARE(lineBoxes.size(), boxes);
    QCOMPARE(Grid(byLine.form1.StringGrid1), Grid(byMenu.form1.StringGrid1));
    QCOMPARE(Grid(byLine.form1.StringGrid2), Grid(byMenu.form1.StringGrid2));
    QCOMPARE(byLine.form1.OpenDialog1.fileName, paths[1]);
    QVERIFY(byLine.desktop.dialogs.isEmpty());
    if (boxes == 0) QCOMPARE(byLine.form1.StringGrid2->Cell(1, 1), QStringLiteral("-4"));
  }

  // Two series take two files; one box names the others as they were given. Names are taken
  // from the current folder.
  void moreFilesThanSeries() {
    Program p;
    Write(Path("a.ovt"), File({"ovt110", "1", "2"}));
    Write(Path("b.ovt"), File({"ovt110", "3", "4"}));
    const QString here = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    p.form1.OpenFiles({"a.ovt", "b.ovt", "c.ovt", "../d e.ovt"});
    QVERIFY(QDir::setCurrent(here));
    QCOMPARE(p.form1.StringGrid1->Cell(1, 1), QStringLiteral("1"));
    QCOMPARE(p.form1.StringGrid2->Cell(1, 1), QStringLiteral("3"));
    QCOMPARE(p.form1.OpenDialog1.fileName, Path("b.ovt"));
    QCOMPARE(p.desktop.boxes.size(), 1);
    QCOMPARE(p.Shown(p.desktop.boxes[0]),
             QStringLiteral("警告 warning ok +120+150 quiet: "
                            "ファイルは系列１と系列２の二つまでしか開けません\n\n"
                            "開かなかったファイル:\nc.ovt\n../d e.ovt"));

    Program none;
    none.form1.OpenFiles({});
    QVERIFY(none.desktop.boxes.isEmpty());
    QCOMPARE(none.form1.OpenDialog1.fileName, QString());
  }

  // A series whose file would pass the bound is refused before anything is written; one that
  // fits exactly is saved and opens again.
  void saveBound_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("extra");  // bytes beyond the bound
    QTest::addColumn<bool>("exists");
    QTest::newRow("series 1, exactly the bound") << 1 << 0 << false;
    QTest::newRow("series 1, one byte over, new file") << 1 << 1 << false;
    QTest::newRow("series 1, one byte over, old file") << 1 << 1 << true;
    QTest::newRow("series 2, far over, old file") << 2 << 1000000 << true;
  }
  void saveBound() {
    QFETCH(int, series);
    QFETCH(int, extra);
    QFETCH(bool, exists);
    Program p;
    DataGrid* grid = series == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
    p.Fill({{1, "1", "2"}}, grid);
    // The file: 128 bytes, "1" and "2", and the long cell.
    const QString text(kMaxSeriesFileBytes - 130 + extra, u'9');
    grid->SetCell(2, 20, text);
    const QStringList before = Grid(grid);
    QTemporaryDir folder;
    const QString path = folder.filePath("big.ovt");
    if (exists) Write(path, "kept");
    p.desktop.fileNames = {path};
    p.form1.findChild<QAction*>(series == 1 ? "S1" : "S2")->trigger();
    QCOMPARE(Grid(grid), before);
    QStringList shown;
    for (const Box& box : p.desktop.boxes) shown << p.Shown(box);
    if (extra == 0) {
      QCOMPARE(shown, QStringList());
      QCOMPARE(Bytes(path).size(), kMaxSeriesFileBytes);
      grid->SetCell(2, 20, QString());
      p.desktop.fileNames = {path};
      p.form1.findChild<QAction*>(series == 1 ? "O1" : "O2")->trigger();
      QCOMPARE(p.desktop.boxes.size(), 0);
      QCOMPARE(Grid(grid), before);
      return;
    }
    QCOMPARE(shown.size(), exists ? 2 : 1);  // after the overwrite question if there is one
    QCOMPARE(shown.last(), "エラー error ok +130+150 quiet: "
                           "セルの文字が長すぎて保存できません\n\nファイルは 1048576 バイトまでです");
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             exists ? QStringList{"big.ovt"} : QStringList());
    if (exists) QCOMPARE(Bytes(path), QByteArray("kept"));
  }

  // Whatever a cell holds comes back from the file, bytes a file brought included.
  void roundTrip() {
    Program p;
    const QString path = Path("trip.ovt");
    QByteArray odd = File({"ovt110", "\xff\x81", "\x80 1", "\x82\xa0\x5c"});
    Write(path, odd);
    p.desktop.fileNames = {path};
    p.form1.O1->trigger();
    p.Fill({{2, " 1.5 ", "abc", "x"}, {3, "", "全角１", ""}});
    const QStringList before = ColumnTexts(p.form1.StringGrid1, 1) +
                               ColumnTexts(p.form1.StringGrid1, 2) +
                               ColumnTexts(p.form1.StringGrid1, 3);
    const QString copy = Path("trip2.ovt");
    p.desktop.fileNames = {copy, copy};
    p.form1.S1->trigger();
    QVERIFY(Bytes(copy).startsWith(odd.left(20)));
    p.form1.E1->trigger();  // answered Yes
    p.form1.O1->trigger();
    QCOMPARE(ColumnTexts(p.form1.StringGrid1, 1) + ColumnTexts(p.form1.StringGrid1, 2) +
                 ColumnTexts(p.form1.StringGrid1, 3),
             before);
  }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
