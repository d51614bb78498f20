// The graph window's views of the worksheet's last fit: its context menu and the F and R keys
// switch them and the 95 % bands, the last graph is drawn again at once as chosen, and the way back
// gives the picture through the origin bit for bit.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include "graph/graph.h"
#include "graph/views.h"
#include "tests/core/grid_builder.h"
#include "tests/graph/picture_support.h"

using orvelt::FitModel;
using orvelt::GraphChoices;
using orvelt::GraphView;
using namespace test;

namespace {

// What the compute command reads: the cells and the choices.
struct Case {
  FitModel kind;
  orvelt::GridInput input;
  int band;
};

// The graph drawn on a picture of its own, as the compute command leaves it.
QImage Expected(const Case& c, const GraphChoices& choices) {
  return Draw(Compute(c.kind, c.input, c.band), choices);
}

QImage Expected(const Case& c, GraphView view) {
  return Expected(c, GraphChoices{view});
}

QImage BlankPicture() {
  Drawing drawing;
  return drawing.image;
}

Case Parabola() {
  return {FitModel::Quadratic, Years(2001, kCarbonDioxide), 2};
}

// Series 2, an omitted row and a band: everything the picture can hold.
Case LineWithSeries2() {
  return {FitModel::Linear,
          Grids({{1, "11", "2.1"}, {2, "12", "3.9"}, {3, "13", "12", "Omit"}, {4, "14", "7.8"}},
                {{1, "11.5", "4"}, {2, "13.5", "6.5"}}, true),
          1};
}

// The case computed in the worksheet the window shows.
void Show(orvelt::Worksheet& sheet, const Case& c) {
  for (int series = 1; series <= 2; ++series) {
    const orvelt::GridCells& cells = series == 1 ? c.input.series1 : c.input.series2;
    for (int r = 1; r <= orvelt::kRows; ++r)
      for (int col = orvelt::kColumnX; col <= orvelt::Worksheet::LastColumn(series); ++col)
        sheet.SetCell(series, col, r, QString::fromStdString(cells[r][col]));
  }
  sheet.SetKind(c.kind);
  sheet.SetBand(c.band);
  sheet.SetPlotSeries2(c.input.plotSeries2);
  QVERIFY(!sheet.Compute());
}

}  // namespace

Q_DECLARE_METATYPE(Case)

class TestViews : public QObject {
  Q_OBJECT

 private slots:
  void menu() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    orvelt::GraphViews& views = *form.Views;
    const QList<QAction*> items = views.Menu->actions();
    QCOMPARE(items.size(), 10);
    QCOMPARE(items.mid(0, 3),
             QList<QAction*>({views.ThroughOrigin, views.FitData, views.Residuals}));
    QVERIFY(items[3]->isSeparator());
    QCOMPARE(items.mid(4, 2), QList<QAction*>({views.Confidence, views.Prediction}));
    QVERIFY(items[6]->isSeparator());
    QCOMPARE(items.mid(7),
             QList<QAction*>({views.Statistics, views.SavePicture, views.PrintPicture}));
    QCOMPARE(views.ThroughOrigin->text(), QStringLiteral("原点を含める"));
    QCOMPARE(views.FitData->text(), QStringLiteral("データに合わせる"));
    QCOMPARE(views.Residuals->text(), QStringLiteral("残差(&R)"));
    for (QAction* item : items.mid(0, 3)) {
      QVERIFY(item->isCheckable());
      QCOMPARE(item->actionGroup(), views.ThroughOrigin->actionGroup());
      QVERIFY(item->actionGroup() && item->actionGroup()->isExclusive());
    }
    // The bands: each on or off by itself, off when the program starts.
    QCOMPARE(views.Confidence->text(), QStringLiteral("95% 信頼帯(&M)"));
    QCOMPARE(views.Prediction->text(), QStringLiteral("95% 予測帯(&N)"));
    for (QAction* item : items.mid(4, 2)) {
      QVERIFY(item->isCheckable() && !item->isChecked() && item->isEnabled());
      QVERIFY(!item->actionGroup());
    }
    QCOMPARE(views.Choices(), GraphChoices{});
    // The statistics and the picture's commands open windows; their keys belong to the window.
    QCOMPARE(views.Statistics->text(), QStringLiteral("回帰の統計(&T)..."));
    QCOMPARE(views.Statistics->shortcut(), QKeySequence(QStringLiteral("T")));
    QCOMPARE(views.SavePicture->text(), QStringLiteral("ｸﾞﾗﾌを保存(&S)..."));
    QCOMPARE(views.PrintPicture->text(), QStringLiteral("ｸﾞﾗﾌを印刷(&P)..."));
    QCOMPARE(views.SavePicture->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    QCOMPARE(views.PrintPicture->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    for (QAction* item : items.mid(7)) {
      QVERIFY(!item->isCheckable());
      QVERIFY(form.actions().contains(item));
    }
    QVERIFY(views.ThroughOrigin->isChecked());
    QVERIFY(!views.FitData->isChecked() && !views.Residuals->isChecked());
    QCOMPARE(views.View(), GraphView::ThroughOrigin);
  }

  // A right click on the picture and the Menu key on the window open the menu where asked.
  void contextMenu_data() {
    QTest::addColumn<bool>("onPicture");
    QTest::newRow("right click on the picture") << true;
    QTest::newRow("Menu key in the window") << false;
  }
  void contextMenu() {
    QFETCH(bool, onPicture);
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QWidget* target = onPicture ? static_cast<QWidget*>(form.Image1) : &form;
    const QPoint at(40, 60), global = target->mapToGlobal(at);
    QContextMenuEvent event(onPicture ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard, at,
                            global);
    QApplication::sendEvent(target, &event);
    QVERIFY(event.isAccepted());
    QMenu* menu = form.Views->Menu;
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->geometry().topLeft(), global);
    menu->hide();
  }

  // Each way of switching draws the shown graph again at once; the way back is bit for bit the
  // picture through the origin.
  void switching_data() {
    QTest::addColumn<Case>("scene");
    QTest::addColumn<QString>("how");
    for (const char* how : {"menu", "key", "call"}) {
      QTest::addRow("parabola, %s", how) << Parabola() << QString::fromLatin1(how);
      QTest::addRow("line with series 2, %s", how) << LineWithSeries2() << QString::fromLatin1(how);
    }
  }
  void switching() {
    QFETCH(Case, scene);
    QFETCH(QString, how);
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    orvelt::GraphViews& views = *form.Views;
    auto choose = [&](GraphView view) {
      if (how == "menu") {
        (view == GraphView::FitData ? views.FitData : views.ThroughOrigin)->trigger();
      } else if (how == "key") {
        QTest::keyClick(&form, Qt::Key_F);
      } else {
        views.SetView(view);
      }
    };
    const QImage origin = Expected(scene, GraphView::ThroughOrigin),
                 data = Expected(scene, GraphView::FitData);
    QVERIFY(origin != data);
    Show(sheet, scene);
    QVERIFY(form.Picture() == origin);
    choose(GraphView::FitData);
    QCOMPARE(views.View(), GraphView::FitData);
    QVERIFY(views.FitData->isChecked() && !views.ThroughOrigin->isChecked());
    QVERIFY(form.Picture() == data);
    choose(GraphView::ThroughOrigin);
    QCOMPARE(views.View(), GraphView::ThroughOrigin);
    QVERIFY(views.ThroughOrigin->isChecked() && !views.FitData->isChecked());
    QVERIFY(form.Picture() == origin);
  }

  // The view holds for later graphs; the copy is the view shown, block included.
  void laterGraphsAndTheCopy() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    form.Views->SetView(GraphView::FitData);
    Show(sheet, LineWithSeries2());
    QVERIFY(form.Picture() == Expected(LineWithSeries2(), GraphView::FitData));
    Show(sheet, Parabola());
    QVERIFY(form.Picture() == Expected(Parabola(), GraphView::FitData));
    form.CopyPicture();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             Expected(Parabola(), GraphView::FitData));
  }

  // After the results reset there is no graph: a change of view leaves the blank picture as it
  // is, and the next graph comes in the chosen view.
  void blankStaysBlank() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    orvelt::GraphViews& views = *form.Views;
    Show(sheet, Parabola());
    sheet.ResetResults();
    QVERIFY(form.Picture() == BlankPicture());
    QTest::keyClick(&form, Qt::Key_F);
    QCOMPARE(views.View(), GraphView::FitData);
    QVERIFY(form.Picture() == BlankPicture());
    views.ThroughOrigin->trigger();
    QVERIFY(form.Picture() == BlankPicture());
    views.FitData->trigger();
    Show(sheet, LineWithSeries2());
    QVERIFY(form.Picture() == Expected(LineWithSeries2(), GraphView::FitData));
  }

  // Choosing the view shown, holding F down or pressing it with Ctrl or Alt draws nothing.
  void nothingToDo() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    orvelt::GraphViews& views = *form.Views;
    Show(sheet, Parabola());
    orvelt::Canvas& canvas = form.Canvas();
    canvas.SetBrushColor(Qt::green);
    canvas.FillRect(100, 100, 101, 101);  // a mark that a drawing would erase
    const QImage marked = form.Picture();
    views.ThroughOrigin->trigger();
    views.SetView(GraphView::ThroughOrigin);
    QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(&form, Qt::Key_F, Qt::AltModifier);
    QKeyEvent held(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"), true);
    QApplication::sendEvent(&form, &held);
    QCOMPARE(views.View(), GraphView::ThroughOrigin);
    QVERIFY(form.Picture() == marked);
    QTest::keyClick(&form, Qt::Key_F, Qt::ShiftModifier);
    QCOMPARE(views.View(), GraphView::FitData);
    QVERIFY(form.Picture() == Expected(Parabola(), GraphView::FitData));
    // R likewise.
    const QImage data = form.Picture();
    QTest::keyClick(&form, Qt::Key_R, Qt::ControlModifier);
    QKeyEvent heldR(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, QStringLiteral("r"), true);
    QApplication::sendEvent(&form, &heldR);
    QCOMPARE(views.View(), GraphView::FitData);
    QVERIFY(form.Picture() == data);
  }

  // R from either frame shows the residuals and takes the bands' items away; R again goes back to
  // that frame, bit for bit; the menu items do the same.
  void residuals() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    orvelt::GraphViews& views = *form.Views;
    Show(sheet, LineWithSeries2());
    const QImage residuals = Expected(LineWithSeries2(), GraphView::Residuals);
    for (GraphView before : {GraphView::FitData, GraphView::ThroughOrigin}) {
      views.SetView(before);
      const QImage frame = form.Picture();
      QTest::keyClick(&form, Qt::Key_R);
      QVERIFY(views.Residuals->isChecked() && form.Picture() == residuals);
      QVERIFY(!views.Confidence->isEnabled() && !views.Prediction->isEnabled());
      QTest::keyClick(&form, Qt::Key_R);
      QCOMPARE(views.View(), before);
      QVERIFY(views.Confidence->isEnabled() && form.Picture() == frame);
    }
    views.Residuals->trigger();
    QVERIFY(form.Picture() == residuals);
    QTest::keyClick(&form, Qt::Key_F);  // F leaves them for the frame on the data
    QCOMPARE(views.View(), GraphView::FitData);
  }

  // Each band by its item, drawn at once, and off again bit for bit; both hold for later computes,
  // over a time in the residual view, where a change waits for the graph; the copy shows them.
  void bands() {
    orvelt::Worksheet sheet;
    TForm2 form(sheet);
    orvelt::GraphViews& views = *form.Views;
    Show(sheet, Parabola());
    const QImage plain = form.Picture();
    views.Confidence->trigger();
    QVERIFY(form.Picture() == Expected(Parabola(), GraphChoices{GraphView::ThroughOrigin, true}));
    views.Confidence->trigger();
    QVERIFY(form.Picture() == plain);
    views.Prediction->trigger();
    QVERIFY(form.Picture() ==
            Expected(Parabola(), GraphChoices{GraphView::ThroughOrigin, false, true}));
    QTest::keyClick(&form, Qt::Key_R);
    const QImage residuals = form.Picture();
    views.SetConfidence(true);
    QVERIFY(form.Picture() == residuals && views.Confidence->isChecked());
    QTest::keyClick(&form, Qt::Key_R);
    const GraphChoices both{GraphView::ThroughOrigin, true, true};
    QCOMPARE(views.Choices(), both);
    Show(sheet, LineWithSeries2());
    QVERIFY(form.Picture() == Expected(LineWithSeries2(), both));
    form.CopyPicture();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             Expected(LineWithSeries2(), both));
  }
};

QTEST_MAIN(TestViews)
#include "test_views.moc"
