#include <langinfo.h>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <clocale>

#include "app/help.h"
#include "graph/face.h"
#include "graph/graph.h"
#include "graph/views.h"
#include "tests/ui/program.h"
#include "ui/controls.h"
#include "ui/datagrid.h"
#include "ui/main.h"

using namespace orvelt;

namespace {

QString Path(QWidget* w) {
  QStringList names;
  for (; w && !w->isWindow(); w = w->parentWidget())
    if (!w->objectName().isEmpty()) names.prepend(w->objectName());
  return names.join('/');
}

}  // namespace

class TestMain : public QObject {
  Q_OBJECT

 private slots:
  void layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");  // named ancestors inside the window
    QTest::addColumn<QRect>("geometry");
    auto row = [](const char* name, const char* path, int x, int y, int w, int h) {
      QTest::newRow(name) << name << path << QRect(x, y, w, h);
    };
    row("Bevel4", "Bevel4", 0, 0, 449, 9);
    row("GroupBox1", "GroupBox1", 288, 184, 145, 105);
    row("Button1", "Button1", 336, 320, 75, 25);
    row("StringGrid1", "StringGrid1", 16, 16, 209, 137);
    row("RadioGroup1", "RadioGroup1", 16, 184, 129, 105);
    row("GroupBox2", "GroupBox2", 16, 296, 281, 65);
    row("Label7", "GroupBox2/Label7", 8, 21, 34, 12);
    row("Label8", "GroupBox2/Label8", 160, 21, 34, 12);
    row("Edit1", "GroupBox2/Edit1", 16, 37, 97, 20);
    row("Button2", "GroupBox2/Button2", 128, 40, 25, 17);
    row("Edit2", "GroupBox2/Edit2", 168, 37, 97, 20);
    row("RadioGroup2", "RadioGroup2", 160, 184, 113, 105);
    row("StringGrid2", "StringGrid2", 272, 16, 161, 137);
    row("CheckBox1", "CheckBox1", 288, 156, 121, 17);
    // Labels size themselves to their text; only the corner is fixed.
    row("Label2", "GroupBox1/Label2", 16, 16, 0, 13);
    row("Label3", "GroupBox1/Label3", 16, 32, 0, 13);
    row("Label4", "GroupBox1/Label4", 16, 48, 0, 13);
    row("Label5", "GroupBox1/Label5", 16, 64, 0, 13);
    row("Label6", "GroupBox1/Label6", 14, 82, 0, 13);
  }
  void layout() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QRect, geometry);
    Program p;
    auto* w = p.form1.findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(Path(w), path);
    QCOMPARE(w->pos(), geometry.topLeft());
    if (geometry.width() > 0) {
      QCOMPARE(w->size(), geometry.size());
    } else {
      auto* label = qobject_cast<QLabel*>(w);
      QCOMPARE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
      QCOMPARE(label->height(), geometry.height());
    }
  }

  void window() {
    Program p;
    QCOMPARE(p.form1.windowTitle(), QStringLiteral("オルヴェルト Ver. 1.11"));
    QCOMPARE(p.form1.centralWidget()->width(), 449);
    QCOMPARE(p.form1.centralWidget()->height(), 377);
    QVERIFY(!(p.form1.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(p.form1.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(p.form1.windowFlags() & Qt::WindowMinimizeButtonHint);
    // Resizing moves nothing; the rule spans the client width.
    p.form1.resize(600, 500);
    QCOMPARE(p.form1.Button1->pos(), QPoint(336, 320));
    QCOMPARE(p.form1.Bevel4->width(), p.form1.centralWidget()->width());
    QCOMPARE(p.form1.StringGrid1->size(), QSize(209, 137));
  }

  void captionsAndStates() {
    Program p;
    TForm1& f = p.form1;
    QCOMPARE(f.GroupBox1->title(), QStringLiteral("結果"));
    QCOMPARE(f.GroupBox2->title(), QStringLiteral(" y の計算"));
    QCOMPARE(f.Button1->text(), QStringLiteral("回帰式計算"));
    QCOMPARE(f.Button2->text(), QStringLiteral(">>"));
    QCOMPARE(f.Label7->text(), QStringLiteral("ｘ の値"));
    QCOMPARE(f.Label8->text(), QStringLiteral("ｙ の値"));
    QCOMPARE(f.CheckBox1->text(), QStringLiteral("系列２もプロットする"));
    QCOMPARE(f.RadioGroup1->title(), QStringLiteral("式の種類"));
    QCOMPARE(f.RadioGroup2->title(), QStringLiteral("偏差のグラフ"));
    const QStringList items1{"y = ax + b", "y = ax", "y = ax^2 + bx + c", "y = ax^2 + bx"};
    const QStringList items2{"なし", "±1s (68%)", "±2s (95%)", "±3s (99.7%)"};
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(f.RadioGroup1->Item(i)->text(), items1[i]);
      QCOMPARE(f.RadioGroup2->Item(i)->text(), items2[i]);
    }
    QCOMPARE(f.StringGrid1->toolTip(),
             QStringLiteral("ダブルクリックで有効・無効が切り替えられます"));
    QVERIFY(f.StringGrid2->toolTip().isEmpty());
    QCOMPARE(p.Labels(), kBareLabels);
    QCOMPARE(f.RadioGroup1->ItemIndex(), 0);
    QCOMPARE(f.RadioGroup2->ItemIndex(), 0);
    QVERIFY(!f.CheckBox1->isChecked());
    QVERIFY(!f.GroupBox2->isEnabled());
    QVERIFY(!f.Button2->isEnabled());
    QVERIFY(!f.Edit1->isEnabled());
    QVERIFY(f.Edit2->isReadOnly());
    QVERIFY(f.Edit1->text().isEmpty() && f.Edit2->text().isEmpty());
    QVERIFY(!f.Button1->isDefault() && !f.Button1->autoDefault());
    // Grids: 4 and 3 columns by 21 rows, all data cells empty, current cell (1, 1).
    QCOMPARE(f.StringGrid1->ColCount(), 4);
    QCOMPARE(f.StringGrid2->ColCount(), 3);
    for (DataGrid* g : {f.StringGrid1, f.StringGrid2}) {
      QCOMPARE(g->RowCount(), 21);
      QCOMPARE(g->VisibleRowCount(), 6);
      QCOMPARE(QPoint(g->Col(), g->Row()), QPoint(1, 1));
      for (int r = 1; r <= 20; ++r)
        for (int c = 1; c < g->ColCount(); ++c) QVERIFY(g->Cell(c, r).isEmpty());
    }
  }

  void fonts() {
    Program p;
    TForm1& f = p.form1;
    QCOMPARE(f.font().pixelSize(), 12);
    QCOMPARE(f.Button1->font().pixelSize(), 12);
    QCOMPARE(f.StringGrid1->font().pixelSize(), 12);
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.Label2, f.Label3, f.Label4, f.Label5, f.Label6,
                                         f.RadioGroup1, f.RadioGroup2, f.RadioGroup1->Item(2)})
      QCOMPARE(w->font().pixelSize(), 13);
    // A face with Japanese glyphs is really used, not a Latin face with per-glyph fallback.
    const QString family = QFontInfo(f.font()).family();
    QVERIFY2(JapaneseFamilies().contains(family), qPrintable(family));
    QVERIFY(QFontMetrics(f.font()).inFont(QChar(0x7CFB)));  // 系
    // Only installed families are asked for: a missing one costs a fallback search per font.
    const QStringList installed = QFontDatabase::families();
    for (QWidget* w : std::initializer_list<QWidget*>{&f, f.Label2, f.RadioGroup1, &p.form2}) {
      QVERIFY(!w->font().families().isEmpty());
      for (const QString& asked : w->font().families())
        QVERIFY2(installed.contains(asked, Qt::CaseInsensitive), qPrintable(asked));
    }
  }

  // Started with no locale at all, the characters still go to Xlib as UTF-8 (window titles),
  // while the numeric locale is left alone.
  void charactersAreUtf8WithoutALocale() {
    const QByteArray before = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    ConfigureApplication();
    const QByteArray codeset = nl_langinfo(CODESET);
    const QByteArray numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_ALL, before.constData());
    QCOMPARE(codeset, QByteArray("UTF-8"));
    QCOMPARE(numeric, QByteArray("C"));
  }

  void tabOrder() {
    Program p;
    TForm1& f = p.form1;
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(QApplication::focusWidget(), f.StringGrid1->Editor());
    auto walk = [&] {
      QList<QWidget*> seen;
      for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget();
      }
      return seen;
    };
    f.RadioGroup2->SetItemIndex(2);
    QCOMPARE(walk(), (QList<QWidget*>{f.StringGrid2->Editor(), f.CheckBox1, f.RadioGroup1->Item(0),
                                      f.RadioGroup2->Item(2), f.Button1, f.StringGrid1->Editor(),
                                      f.StringGrid2->Editor(), f.CheckBox1}));
    f.GroupBox2->setEnabled(true);
    f.Button2->setEnabled(true);
    f.StringGrid1->setFocus();
    QCOMPARE(walk(), (QList<QWidget*>{f.StringGrid2->Editor(), f.CheckBox1, f.RadioGroup1->Item(0),
                                      f.RadioGroup2->Item(2), f.Edit1, f.Button2, f.Button1,
                                      f.StringGrid1->Editor()}));
  }

  void menuTree() {
    Program p;
    QStringList tree;
    std::function<void(const QList<QAction*>&, int)> walk = [&](const QList<QAction*>& actions,
                                                                int depth) {
      for (QAction* a : actions) {
        const QString name = a->menu() ? a->menu()->objectName() : a->objectName();
        tree << QString(depth, '-') + name + ' ' + (a->isSeparator() ? "-" : a->text());
        QVERIFY2(a->shortcut().isEmpty() && a->isEnabled() && !a->isCheckable(), qPrintable(name));
        if (a->menu()) walk(a->menu()->actions(), depth + 1);
      }
    };
    walk(p.form1.MainMenu1->actions(), 0);
    const QStringList expected{"File1 ﾌｧｲﾙ(&F)",
                               "-Open1 開く(&O)",
                               "--O1 系列(&1)へ",
                               "--O2 系列(&2)へ",
                               "-Save1 保存(&S)",
                               "--S1 系列(&1)",
                               "--S2 系列(&2)",
                               "-N3 -",
                               "-Exit1 終了(&X)",
                               "Edit3 編集(&E)",
                               "-exchange 交換(&X)",
                               "--xy1 x と y (系列１)",
                               "--xy2 x と y (系列２)",
                               "--N2 系列 1 と 2",
                               "-N5 -",
                               "-Erase ﾃﾞｰﾀ消去(&E)",
                               "--E1 系列(&1)",
                               "--E2 系列(&2)",
                               "--EA 全部(&A)",
                               "-N1 -",
                               "-Copy1 文字をｺﾋﾟｰ(&C)",
                               "-Copy2 ｸﾞﾗﾌをｺﾋﾟｰ(&G)",
                               "Show1 表示(&V)",
                               "-G1 ｸﾞﾗﾌ(&G)",
                               "Help1 ﾍﾙﾌﾟ(&H)",
                               "-SearchforHelpOn1 ﾄﾋﾟｯｸの検索(&H)",
                               "-N4 -",
                               "-About1 ﾊﾞｰｼﾞｮﾝ情報(&A)"};
    QCOMPARE(tree, expected);
  }

  void formShow() {
    Program p;
    const QStringList heads1{" 系列１", " x の値", " y の値", " Omit"};
    const QStringList heads2{" 系列２", " x の値", " y の値"};
    for (int c = 0; c < 4; ++c) QCOMPARE(p.form1.StringGrid1->Cell(c, 0), heads1[c]);
    for (int c = 0; c < 3; ++c) QCOMPARE(p.form1.StringGrid2->Cell(c, 0), heads2[c]);
    for (int r = 1; r <= 20; ++r) {
      QCOMPARE(p.form1.StringGrid1->Cell(0, r), QStringLiteral(" No. %1").arg(r));
      QCOMPARE(p.form1.StringGrid2->Cell(0, r), QStringLiteral(" No. %1").arg(r));
    }
    QVERIFY(p.form2.isVisible());
  }

  void graphWindow() {
    Program p;
    TForm2& g = p.form2;
    QCOMPARE(g.windowTitle(), QStringLiteral("Orvelt Ver. 1.10"));
    QCOMPARE(g.size(), QSize(353, 353));
    QCOMPARE(g.Bevel1->geometry(), QRect(8, 8, 337, 337));
    QCOMPARE(g.Image1->geometry(), QRect(16, 16, 321, 321));
    QVERIFY(!(g.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(g.windowFlags() & Qt::WindowSystemMenuHint));
    QCOMPARE(g.Picture().size(), QSize(321, 450));
    QVERIFY(p.PictureIsBlank());
    // The user cannot close it.
    g.close();
    QVERIFY(g.isVisible());
    // The copy is the whole picture.
    p.form1.Copy2->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             g.Picture());
    // Closing the main window takes the graph window with it.
    p.form1.Exit1->trigger();
    QVERIFY(!p.form1.isVisible());
    QVERIFY(!g.isVisible());
  }

  void compute_data() {
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<int>("model");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("box");  // the one box shown, as Program::Shown gives it; or none
    auto row = [](const char* name, QList<Row> rows, int model, QStringList labels,
                  const char* box = "") {
      QTest::newRow(name) << rows << model << labels << QString::fromUtf8(box);
    };
    row("line", {{1, "1", "2"}, {2, "2", "4"}, {3, "3", "6"}}, 0,
        {"a =   2.00000", "b =   0.00000", "", "data : 3 組", "標準偏差 =   0.00000"});
    row("proportional", {{4, "2", "6"}}, 1, {"a =   3.00000", "", "", "data : 1 組", "標準偏差 ="});
    row("parabola", {{1, "0", "1"}, {2, "1", "2"}, {3, "2", "5"}}, 2,
        {"a =   1.00000", "b =   0.00000", "c =   1.00000", "data : 3 組", "標準偏差 =   0.00000"});
    row("invalid cell", {{1, "1", "2"}, {2, "2 ", "4"}}, 0, kBareLabels,
        "エラー error ok +130+150 quiet: 正しい数字ではありません\n\n  Data No. 2 の x");
    row("too few", {{1, "1", "2"}}, 0, kBareLabels,
        "エラー error ok +125+150 quiet: データ数が足りません\n\n２組以上のデータが必要です");
    row("only zero", {{1, "0", "2"}}, 1, kBareLabels,
        "エラー error ok +140+150 quiet: ｘ の値が ０ のみです\n\n計算できません");
    row("all the same", {{1, "2", "1"}, {2, "2", "3"}}, 3, kBareLabels,
        "エラー error ok +125+150 quiet: ｘ の値がすべて同じです\n\n計算できません");
    row("fault", {{1, "2", "1"}, {2, "2", "3"}, {3, "5", "0", "Omit"}}, 0, kBareLabels,
        "オルヴェルト error ok +c+c quiet: 不正な浮動小数点数演算命令.");
    // a and b fit in 32 bits, the deviation does not: nothing of the fit is shown.
    row("overflow in the standard deviation",
        {{1, "0", "3.4e38"}, {2, "1", "-3.4e38"}, {3, "2", "3.4e38"}, {4, "3", "-3.4e38"}}, 0,
        kBareLabels, "オルヴェルト error ok +c+c quiet: 浮動小数点数のオーバーフロー.");
  }
  void compute() {
    QFETCH(QList<Row>, rows);
    QFETCH(int, model);
    QFETCH(QStringList, labels);
    QFETCH(QString, box);
    Program p;
    TForm1& f = p.form1;
    for (const Row& r : rows) p.Fill({r});
    f.RadioGroup1->SetItemIndex(model);
    f.Edit1->setText(QStringLiteral("typed before"));
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(p.Labels(), labels);
    QCOMPARE(p.desktop.boxes.size(), box.isEmpty() ? 0 : 1);
    const bool fitted = box.isEmpty();
    if (!fitted) {
      QCOMPARE(p.Shown(p.desktop.boxes.first()), box);
      QVERIFY(p.PictureIsBlank());
    }
    QCOMPARE(f.GroupBox2->isEnabled(), fitted);
    QCOMPARE(f.Button2->isEnabled(), fitted);
    QVERIFY(f.Edit1->text().isEmpty());
  }

  void fittedGraphComesToTheFront() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4"}});
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    p.form1.Button1Click();
    QVERIFY(QTest::qWaitForWindowActive(&p.form2));
    p.form1.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form1));
    p.form1.G1->trigger();
    QVERIFY(QTest::qWaitForWindowActive(&p.form2));
  }

  void hiddenGraphWindowCannotTakeTheFocus() {
    Program p;
    p.form2.hide();
    p.form1.G1->trigger();
    QCOMPARE(p.desktop.TakeTexts(),
             QStringList{QStringLiteral("無効/非表示ウィンドウにはフォーカスを設定できません.")});
    // The compute command has done everything else by then.
    p.Fill({{1, "1", "2"}, {2, "2", "4"}});
    p.form1.Button1->click();
    QCOMPARE(p.desktop.boxes.size(), 1);
    QVERIFY(p.form1.Button2->isEnabled());
    QCOMPARE(p.form1.Label2->text(), QStringLiteral("a =   2.00000"));
  }

  void computeDrawsTheGraph() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "10", "20"}, {3, "5", "10"}, {4, "7", "13", "Omit"}});
    p.form1.RadioGroup2->SetItemIndex(1);
    p.form1.Button1->click();
    const QImage& picture = p.form2.Picture();
    // x 1..10 and y 2..20: the vertical axis at column 29, the horizontal one at row 292.
    QCOMPARE(picture.pixel(29, 100), qRgb(128, 128, 128));
    QCOMPARE(picture.pixel(200, 292), qRgb(128, 128, 128));
    QCOMPARE(picture.pixel(55, 263), qRgb(255, 0, 0));  // the marker of (1, 2), off the line
    auto inkBelow = [&](int fromRow) {
      for (int y = fromRow; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
          if (picture.pixel(x, y) == qRgb(0, 0, 0)) return true;
      return false;
    };
    QVERIFY(inkBelow(340));  // the formula block lies below the plot square
    // The window shows the plot square only; the copy holds the block too.
    QCOMPARE(p.form2.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32),
             picture.copy(0, 0, 321, 321));
    const QRect part(3, 45, 200, 77);  // a repaint of part of it
    QCOMPARE(p.form2.Image1->grab(part).toImage().convertToFormat(QImage::Format_RGB32),
             picture.copy(part));
    p.form1.Copy2->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), picture);
    // Erasing series 2 leaves it; a failed compute clears it.
    p.form1.E2->trigger();
    QVERIFY(inkBelow(340));
    p.Fill({{5, "x", "1"}});
    p.form1.Button1->click();
    QVERIFY(p.PictureIsBlank());
  }

  void resetClearsAnEarlierGraph() {
    Program p;
    Canvas& canvas = p.form2.Canvas();
    canvas.SetBrushColor(Qt::red);
    canvas.FillRect(10, 10, 300, 440);
    canvas.SetPenColor(Qt::green);
    QVERIFY(!p.PictureIsBlank());
    p.Fill({{1, "x", "1"}});
    p.form1.Button1->click();
    QVERIFY(p.PictureIsBlank());
    QCOMPARE(canvas.PenColor(), QColor(Qt::black));
    QCOMPARE(canvas.BrushColor(), QColor(Qt::white));
  }

  // A change of view draws the last computed graph again from what that compute read: later
  // changes to the selectors, the cells or series 2 wait for the next compute. The copy is the
  // view shown.
  void viewChangeRedrawsTheLastCompute() {
    auto enter = [](Program& p) {
      p.Fill({{1, "2001", "371.32"}, {2, "2005", "379.98"}, {3, "2010", "390.10", "Omit"},
              {4, "2015", "401.01"}, {5, "2020", "414.21"}});
      p.Fill({{1, "2003", "377"}, {2, "2017", "405"}}, p.form1.StringGrid2);
      p.form1.CheckBox1->setChecked(true);
      p.form1.RadioGroup1->SetItemIndex(2);
      p.form1.RadioGroup2->SetItemIndex(1);
    };
    Program p, fresh;
    enter(p);
    enter(fresh);
    p.form1.Button1->click();
    const QImage origin = p.form2.Picture();
    fresh.form2.Views->SetView(GraphView::FitData);
    fresh.form1.Button1->click();
    const QImage data = fresh.form2.Picture();
    QVERIFY(origin != data);

    p.form1.RadioGroup1->SetItemIndex(0);
    p.form1.RadioGroup2->SetItemIndex(3);
    p.Fill({{2, "2005", "390"}, {6, "2030", "500"}});
    p.Fill({{1, "1990", "300"}}, p.form1.StringGrid2);
    p.desktop.answers = {true};
    p.form1.E2->trigger();  // the last graph stays, its series-2 points too
    QVERIFY(!p.form1.CheckBox1->isChecked());
    QVERIFY(p.form2.Picture() == origin);

    p.form2.Views->FitData->trigger();
    QVERIFY(p.form2.Picture() == data);
    p.form1.Copy2->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), data);
    p.form2.Views->ThroughOrigin->trigger();
    QVERIFY(p.form2.Picture() == origin);
    QCOMPARE(p.desktop.boxes.size(), 1);  // the question before erasing series 2
  }

  // After a compute that stops, or after erasing series 1, the picture is blank and a change of
  // view leaves it so; the next compute draws in the view chosen.
  void viewChangeAfterAReset_data() {
    QTest::addColumn<bool>("byErasing");
    QTest::newRow("a compute that stops") << false;
    QTest::newRow("series 1 erased") << true;
  }
  void viewChangeAfterAReset() {
    QFETCH(bool, byErasing);
    Program p;
    p.Fill({{1, "1", "2"}, {2, "10", "20"}, {3, "5", "11"}});
    p.form1.Button1->click();
    QVERIFY(!p.PictureIsBlank());
    if (byErasing) {
      p.desktop.answers = {true};
      p.form1.E1->trigger();
    } else {
      p.Fill({{4, "x", "1"}});
      p.form1.Button1->click();
    }
    QVERIFY(p.PictureIsBlank());
    p.form2.Views->FitData->trigger();
    QVERIFY(p.PictureIsBlank());
    p.form2.Views->ThroughOrigin->trigger();
    p.form2.Views->FitData->trigger();
    QVERIFY(p.PictureIsBlank());

    p.Fill({{1, "1", "2"}, {2, "10", "20"}, {3, "5", "11"}, {4, "", ""}});
    p.form1.Button1->click();
    QVERIFY(!p.PictureIsBlank());
    // Drawn on the data: the point (1, 2) a twelfth of the square from the left and the bottom.
    QCOMPARE(p.form2.Picture().pixel(27, 294), qRgb(255, 0, 0));
  }

  void yCalculation_data() {
    QTest::addColumn<int>("model");  // chosen after the fit
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");  // Edit2 afterwards
    QTest::addColumn<QString>("box");
    QTest::newRow("3") << 0 << "3"
                       << "   6.00000"
                       << "";
    QTest::newRow("leading blank") << 0 << " 3"
                                   << "   6.00000"
                                   << "";
    QTest::newRow("negative") << 0 << "-1.5e1"
                              << " -30.00000"
                              << "";
    QTest::newRow("trailing blank") << 0 << "3 "
                                    << ""
                                    << "正しい数字ではありません";
    QTest::newRow("empty") << 0 << ""
                           << ""
                           << "正しい数字ではありません";
    QTest::newRow("other kind, same coefficients") << 2 << "3"
                                                   << "  18.00000"
                                                   << "";
    QTest::newRow("not rounded to 32 bits") << 0 << "16777215"
                                            << "33554430.00000"
                                            << "";
    QTest::newRow("scientific") << 0 << "1e38"
                                << " 2.0E+0038"
                                << "";
    QTest::newRow("overflow") << 0 << "1e39"
                              << "old"
                              << "浮動小数点数のオーバーフロー.";
  }
  void yCalculation() {
    QFETCH(int, model);
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(QString, box);
    Program p;
    TForm1& f = p.form1;
    p.Fill({{1, "1", "2"}, {2, "2", "4"}, {3, "3", "6"}});
    f.Button1->click();
    QVERIFY(f.Button2->isEnabled());
    f.RadioGroup1->SetItemIndex(model);
    f.Edit2->setText(QStringLiteral("old"));
    f.Edit1->setText(x);
    QTest::mouseClick(f.Button2, Qt::LeftButton);
    QCOMPARE(f.Edit2->text(), y);
    QCOMPARE(p.desktop.TakeTexts(), box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(f.Label2->text(), QStringLiteral("a =   2.00000"));
  }

  void yBoxPosition() {
    Program p;
    p.Fill({{1, "1", "2"}, {2, "2", "4"}});
    p.form1.Button1->click();
    p.form1.Button2->click();
    QCOMPARE(p.desktop.boxes.size(), 1);
    QCOMPARE(p.Shown(p.desktop.boxes[0]),
             QStringLiteral("エラー error ok +130+150 quiet: 正しい数字ではありません"));
  }

  void version() {
    Program p;
    p.form1.About1->trigger();
    QCOMPARE(p.desktop.boxes.size(), 1);
    QCOMPARE(p.Shown(p.desktop.boxes[0]),
             "オルヴェルト no-icon ok +125+150 beep: " + VersionText());
    // With the window's left edge far beyond the screen's, the box is centred horizontally.
    p.form1.move(-300, 20);
    p.form1.About1->trigger();
    QCOMPARE(p.Shown(p.desktop.boxes[1]), "オルヴェルト no-icon ok +c+150 beep: " + VersionText());
  }

  void help() {
    Program p;
    p.form1.SearchforHelpOn1->trigger();
    p.form1.SearchforHelpOn1->trigger();
    const QString expected = QCoreApplication::applicationDirPath() + "/orvelta.hlp";
    QCOMPARE(p.desktop.helpFiles, (QStringList{expected, expected}));
    QCOMPARE(p.desktop.helpOwners, (QList<QWidget*>{&p.form1, &p.form1}));
    // Asking is all the command does: no box of its own, whatever lies at that path.
    QVERIFY(p.desktop.boxes.isEmpty());
  }
};

QTEST_MAIN(TestMain)
#include "test_main.moc"
