// Every way the cell editors and the y calculation's x field paste goes through the clipboard
// reader, reads the selection the edit's own paste would, and asks nothing before it pastes.

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "tests/ui/program.h"
#include "tests/ui/scripted_clipboard.h"
#include "ui/pasting.h"

namespace {

enum Target { kGrid, kYField };
enum Path { kCtrlV, kShiftInsert, kCtrlShiftInsert, kMiddleButton, kMenuByMouse, kMenuByKey };

// The edit reads `clipboard`, holds "12" with the caret at its end, and takes keys.
QLineEdit* Prepare(Program& p, int target, ScriptedClipboard& clipboard) {
  p.form1.GroupBox2->setEnabled(true);
  QLineEdit* edit = p.form1.Edit1;
  if (target == kYField) {
    edit->findChild<EditPaste*>()->SetClipboard(&clipboard);
    edit->setText(QStringLiteral("12"));
  } else {
    DataGrid* grid = p.form1.StringGrid1;
    grid->SetClipboard(&clipboard);
    grid->SetCell(1, 1, QStringLiteral("12"));
    edit = grid->Editor();
  }
  edit->end(false);
  return edit;
}

void OpenMenu(QLineEdit* edit, QContextMenuEvent::Reason reason) {
  const QPoint at = edit->rect().center();
  QContextMenuEvent event(reason, at, edit->mapToGlobal(at));
  QApplication::sendEvent(edit, &event);
}

QMenu* Menu(QLineEdit* edit) {
  return edit->findChild<QMenu*>();
}

void Take(QLineEdit* edit, int path) {
  switch (path) {
    case kCtrlV:
      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
      break;
    case kShiftInsert:
      QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
      break;
    case kCtrlShiftInsert:
      QTest::keyClick(edit, Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
      break;
    case kMiddleButton:  // right of the text: the caret stays at its end
      QTest::mouseClick(edit, Qt::MiddleButton, {}, QPoint(edit->width() - 2, edit->height() / 2));
      break;
    default:
      OpenMenu(edit, path == kMenuByMouse ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard);
      Menu(edit)->findChild<QAction*>(QStringLiteral("edit-paste"))->trigger();
  }
}

}  // namespace

class TestPasting : public QObject {
  Q_OBJECT

 private slots:
  void everyPathReadsItsSelectionThroughTheReader_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("path");
    QTest::addColumn<int>("selection");
    const char* targets[] = {"grid", "y field"};
    const struct {
      const char* name;
      Path path;
      Selection selection;
    } paths[] = {{"Ctrl+V", kCtrlV, Selection::kClipboard},
                 {"Shift+Insert", kShiftInsert, Selection::kClipboard},
                 {"Ctrl+Shift+Insert", kCtrlShiftInsert, Selection::kPrimary},
                 {"middle button", kMiddleButton, Selection::kPrimary},
                 {"menu by mouse", kMenuByMouse, Selection::kClipboard},
                 {"menu by key", kMenuByKey, Selection::kClipboard}};
    for (int target : {kGrid, kYField})
      for (const auto& p : paths)
        QTest::addRow("%s, %s", targets[target], p.name)
            << target << int(p.path) << int(p.selection);
  }
  void everyPathReadsItsSelectionThroughTheReader() {
    QFETCH(int, target);
    QFETCH(int, path);
    QFETCH(int, selection);
    Program p;
    ScriptedClipboard clipboard;
    QLineEdit* edit = Prepare(p, target, clipboard);
    Take(edit, path);
    QCOMPARE(clipboard.selections, QList<Selection>{Selection(selection)});
    QCOMPARE(edit->text(), QStringLiteral("12"));  // nothing until the answer comes
    clipboard.Answer({Pasted::Kind::kText, QStringLiteral("e3")});
    QCOMPARE(edit->text(), QStringLiteral("12e3"));
    if (target == kGrid) QCOMPARE(p.form1.StringGrid1->Cell(1, 1), QStringLiteral("12e3"));
  }

  // The menu is the edit's own, but its paste item is offered without asking the clipboard.
  void menuAsksNothing() {
    for (int target : {kGrid, kYField}) {
      Program p;
      ScriptedClipboard clipboard;
      QLineEdit* edit = Prepare(p, target, clipboard);
      edit->setSelection(0, 1);
      OpenMenu(edit, QContextMenuEvent::Mouse);
      QMenu* menu = Menu(edit);
      QVERIFY(menu);
      QCOMPARE(clipboard.asked, 0);
      QStringList items;
      for (QAction* a : menu->actions())
        if (!a->isSeparator()) items << a->objectName() + (a->isEnabled() ? "" : " (off)");
      QCOMPARE(items, (QStringList{"edit-undo (off)", "edit-redo (off)", "edit-cut", "edit-copy",
                                   "edit-paste", "edit-delete", "select-all"}));
      QCOMPARE(menu->actions()[0]->text().section('\t', 0, 0), QLineEdit::tr("&Undo"));
      menu->close();
    }
  }

  // The y field's paste is one step of its undo, as its own paste was; an answer that comes
  // after the user went on is dropped.
  void yFieldPasteIsOneUndoStepAndLateAnswersDropped() {
    Program p;
    ScriptedClipboard clipboard;
    QLineEdit* edit = Prepare(p, kYField, clipboard);
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    clipboard.Answer({Pasted::Kind::kText, QStringLiteral("XYZ")});
    QTest::keyClicks(edit, QStringLiteral("q"));
    QCOMPARE(edit->text(), QStringLiteral("12abcXYZq"));
    edit->undo();
    QCOMPARE(edit->text(), QStringLiteral("12abcXYZ"));
    edit->undo();
    QCOMPARE(edit->text(), QStringLiteral("12abc"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Home);
    clipboard.Answer({Pasted::Kind::kText, QStringLiteral("late")});
    QCOMPARE(edit->text(), QStringLiteral("12abc"));
  }
};

QTEST_MAIN(TestPasting)
#include "test_pasting.moc"
