// Every change of the grids' data is one step that the history takes back and makes again: the
// cells as before and after, the current cell on the change, nothing but data touched. The keys
// themselves are held to the manual by test_manual.

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "tests/ui/program.h"
#include "ui/controls.h"
#include "ui/edits.h"

namespace {

struct Cells {
  GridTexts one, two;
  bool operator==(const Cells&) const = default;
};

Cells Data(const Program& p) {
  return {p.form1.StringGrid1->Cells(), p.form1.StringGrid2->Cells()};
}

DataGrid* Grid(Program& p, int series) {
  return series == 1 ? p.form1.StringGrid1 : p.form1.StringGrid2;
}

QString Current(Program& p, int series) {
  return QStringLiteral("%1:%2,%3").arg(series).arg(Grid(p, series)->Col()).arg(Grid(p, series)->Row());
}

void Fill(Program& p) {
  p.Fill({{1, "1", "2"}, {2, "2", "4", "Omit"}, {3, "3", "7"}, {5, "x5", ""}});
  p.Fill({{1, "10", "20"}, {4, "40", ""}}, p.form1.StringGrid2);
}

// Types over the cell's text, then leaves it by `key`.
void Type(Program& p, int series, int col, int row, Qt::Key key) {
  Grid(p, series)->SetCurrent(col, row);
  QTest::keyClicks(Grid(p, series)->Editor(), QStringLiteral("9"));
  QTest::keyClick(Grid(p, series)->Editor(), key);
}

void Press(DataGrid* grid, QKeyCombination key) {
  QTest::keyClick(grid->Editor(), key.key(), key.keyboardModifiers());
}

QString DataFile() {
  static QTemporaryDir dir;
  QFile f(dir.filePath(QStringLiteral("a.ovt")));
  f.open(QIODevice::WriteOnly);
  f.write("ovt110\r\na\r\nb\r\n" + QByteArray(58, '\n').replace("\n", "\r\n"));
  return f.fileName();
}

const struct {
  const char* name;
  std::function<void(Program&)> command;
  const char* shown;  // the current cell after the undo, "series:col,row"
} kCases[] = {
    {"typed in series 1", [](Program& p) { Type(p, 1, 2, 3, Qt::Key_Down); }, "1:2,3"},
    {"typed in series 2, Enter", [](Program& p) { Type(p, 2, 1, 4, Qt::Key_Return); }, "2:1,4"},
    {"block into series 1",
     [](Program& p) {
       p.form1.StringGrid1->SetCurrent(1, 2);
       p.form1.StringGrid1->PasteText(QStringLiteral("7\t8\r\n9\t10\r\n"));
     },
     "1:1,2"},
    {"block into series 2",
     [](Program& p) {
       p.form1.StringGrid2->SetCurrent(2, 1);
       p.form1.StringGrid2->PasteText(QStringLiteral("5\r\n6\r\n"));
     },
     "2:2,1"},
    {"Omit marked",
     [](Program& p) {
       p.form1.StringGrid1->SetCurrent(1, 3);
       p.form1.StringGrid1DblClick();
     },
     "1:2,3"},
    {"Omit unmarked",
     [](Program& p) {
       p.form1.StringGrid1->SetCurrent(1, 2);
       p.form1.StringGrid1DblClick();
     },
     "1:2,2"},
    {"x and y of series 1", [](Program& p) { p.form1.xy1->trigger(); }, "1:1,1"},
    {"x and y of series 2", [](Program& p) { p.form1.xy2->trigger(); }, "2:1,1"},
    {"series 1 and 2", [](Program& p) { p.form1.N2->trigger(); }, "1:1,1"},
    {"series 1 erased", [](Program& p) { p.form1.E1->trigger(); }, "1:1,1"},
    {"series 2 erased", [](Program& p) { p.form1.E2->trigger(); }, "2:1,1"},
    {"both erased", [](Program& p) { p.form1.EA->trigger(); }, "1:1,1"},
    {"file into series 1",
     [](Program& p) {
       p.desktop.fileNames = {DataFile()};
       p.form1.O1->trigger();
     },
     "1:1,1"},
    {"file into series 2",
     [](Program& p) {
       p.desktop.fileNames = {DataFile()};
       p.form1.O2->trigger();
     },
     "2:1,1"},
};

// What assistive technology would hear of the grids.
struct Heard : GridObserver {
  QStringList news;
  void CellTextChanged(DataGrid* grid, int col, int row) override {
    news << QStringLiteral("%1 %2,%3").arg(grid->objectName()).arg(col).arg(row);
  }
  void CurrentCellShown(DataGrid* grid) override { news << grid->objectName() + " current"; }
};

}  // namespace

class TestUndo : public QObject {
  Q_OBJECT

 private slots:
  void everyChangeIsOneStep_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kCases)); ++i) QTest::newRow(kCases[i].name) << i;
  }
  void everyChangeIsOneStep() {
    QFETCH(int, index);
    Program p;
    Fill(p);
    const Cells before = Data(p);
    kCases[index].command(p);
    const Cells after = Data(p);
    QVERIFY(after != before);
    QCOMPARE(p.form1.Edits().History().UndoCount(), 1);
    QVERIFY(p.form1.Edits().Undo());
    QVERIFY(Data(p) == before);
    const QString shown = QString::fromLatin1(kCases[index].shown);
    QCOMPARE(Current(p, shown.left(1).toInt()), shown);
    QVERIFY(p.form1.Edits().Redo());
    QVERIFY(Data(p) == after);
    QVERIFY(!p.form1.Edits().Redo());
  }

  // Typing not yet done with is the editor's own to take back first. Typing done with by a
  // command is a step before the command's; a new change leaves nothing to make again.
  void typingAndTheHistory() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    Fill(p);
    DataGrid* g = p.form1.StringGrid1;
    g->SetCurrent(1, 5);
    QTest::keyClick(g->Editor(), Qt::Key_End);
    QTest::keyClicks(g->Editor(), QStringLiteral("0"));
    Press(g, kUndoKeys[0]);
    QCOMPARE(g->Cell(1, 5), QStringLiteral("x5"));
    Press(g, kRedoKeys[0]);
    QCOMPARE(g->Cell(1, 5), QStringLiteral("x50"));
    QCOMPARE(p.form1.Edits().History().UndoCount(), 0);
    p.form1.E2->trigger();
    // The keys in series 1 take series 2 back: the current cell, and the focus, go there.
    Press(g, kUndoKeys[0]);
    QCOMPARE(p.form1.StringGrid2->Cell(1, 1), QStringLiteral("10"));
    QCOMPARE(g->Cell(1, 5), QStringLiteral("x50"));
    QVERIFY(p.form1.StringGrid2->Editor()->hasFocus());
    Press(p.form1.StringGrid2, kUndoKeys[0]);
    QCOMPARE(g->Cell(1, 5), QStringLiteral("x5"));
    QVERIFY(g->Editor()->hasFocus());
    QTest::keyClicks(g->Editor(), QStringLiteral("y"));
    Press(g, kRedoKeys[0]);
    QCOMPARE(g->Cell(1, 5), QStringLiteral("y"));
    QCOMPARE(p.form1.StringGrid2->Cell(1, 1), QStringLiteral("10"));
  }

  // Results, graph, selectors and series 2's check box are not data: an undo computes nothing
  // and leaves them as the command left them; an erase answered No is no step.
  void onlyDataIsTakenBack() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "7"}});
    p.form1.CheckBox1->setChecked(true);
    p.form1.RadioGroup1->SetItemIndex(2);
    p.form1.Button1->click();
    const QStringList labels = p.Labels();
    const QImage picture = p.form2.Picture();
    p.form1.xy1->trigger();
    p.form1.Edits().Undo();
    QCOMPARE(p.Labels(), labels);
    QCOMPARE(p.form2.Picture(), picture);
    p.desktop.answers = {false, true};
    p.form1.EA->trigger();
    QCOMPARE(p.form1.Edits().History().UndoCount(), 0);
    p.form1.EA->trigger();
    p.form1.Edits().Undo();
    QCOMPARE(p.form1.StringGrid1->Cell(1, 3), QStringLiteral("3"));
    QCOMPARE(p.Labels(), kBareLabels);
    QVERIFY(p.PictureIsBlank());
    QCOMPARE(p.form1.RadioGroup1->ItemIndex(), 0);
    QVERIFY(!p.form1.CheckBox1->isChecked());
    QCOMPARE(p.desktop.boxes.size(), 2);  // the erases' questions, none of the undo's
  }

  // Assistive technology hears every cell an undo sets, as for typing, and the current cell.
  void undoIsHeard() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    p.form1.StringGrid1->SetCurrent(1, 2);
    p.form1.StringGrid1->PasteText(QStringLiteral("7\t8\r\n"));
    p.form1.StringGrid2->setFocus();
    QTest::qWait(0);
    Heard heard;
    SetGridObserver(&heard);
    Press(p.form1.StringGrid2, kUndoKeys[0]);
    QTest::qWait(0);
    SetGridObserver(nullptr);
    QCOMPARE(heard.news, (QStringList{"StringGrid1 2,2", "StringGrid1 1,2", "StringGrid1 current"}));
  }
};

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
