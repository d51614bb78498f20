// The main window's controls and menus as designed, and the application settings they are laid out
// for.
#include <langinfo.h>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <clocale>
#include <cstring>

#include "app/errors.h"
#include "graph/face.h"
#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/datagrid.h"
#include "ui/main.h"
#include "ui/pasting.h"
#include "ui/style.h"

using namespace orvelt;

namespace {

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* ResultLabel(QWidget* parent, const char* name, int left, int top) {
  auto* label = new TextLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setFont(JapaneseFont(13));
  label->move(left, top);
  RenewAccessible(label);
  return label;
}

}  // namespace

void orvelt::ConfigureApplication() {
  // Qt's texts are UTF-8 whatever the locale, but Xlib encodes the window titles it sets for
  // older window managers in the locale's character set: without a UTF-8 locale (env -i, bare
  // containers) "オルヴェルト" would arrive there as Latin-1 debris. Numbers keep their own locale.
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
  // The name gives X11 the window class the desktop entry's StartupWMClass names, which is ASCII;
  // the title "オルヴェルト" is the boxes' caption.
  QApplication::setApplicationName(QStringLiteral("orvelt"));
  QApplication::setStyle(NewProgramStyle());
  QApplication::setFont(JapaneseFont(12));
  static QTranslator qtJapanese;
  if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtJapanese);
  }
}

void TForm1::BuildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  Bevel4 = Place(new EtchedRule(client), "Bevel4", 0, 0, kClientWidth, 9);

  GroupBox1 = Place(new QGroupBox(QStringLiteral("結果"), client), "GroupBox1", 288, 184, 145, 105);
  Label2 = ResultLabel(GroupBox1, "Label2", 16, 16);
  Label3 = ResultLabel(GroupBox1, "Label3", 16, 32);
  Label4 = ResultLabel(GroupBox1, "Label4", 16, 48);
  Label5 = ResultLabel(GroupBox1, "Label5", 16, 64);
  Label6 = ResultLabel(GroupBox1, "Label6", 14, 82);
  ShowResults(ResultTexts{});

  Button1 =
      Place(new QPushButton(QStringLiteral("回帰式計算"), client), "Button1", 336, 320, 75, 25);

  StringGrid1 = Place(new DataGrid(sheet_, 1, client), "StringGrid1", 16, 16, 209, 137);
  StringGrid1->setToolTip(QStringLiteral("ダブルクリックで有効・無効が切り替えられます"));
  RenewAccessible(StringGrid1);

  QStringList formulas;
  for (int m = 0; m < kFitModels; ++m) {
    formulas << QString::fromLatin1(FormulaText(static_cast<FitModel>(m)));
  }
  RadioGroup1 = Place(new RadioGroup(QStringLiteral("式の種類"), formulas, client), "RadioGroup1",
                      16, 184, 129, 105);
  RadioGroup1->setFont(JapaneseFont(13));

  GroupBox2 =
      Place(new QGroupBox(QStringLiteral(" y の計算"), client), "GroupBox2", 16, 296, 281, 65);
  Label7 = Place(new QLabel(QStringLiteral("ｘ の値"), GroupBox2), "Label7", 8, 21, 34, 12);
  Label8 = Place(new QLabel(QStringLiteral("ｙ の値"), GroupBox2), "Label8", 160, 21, 34, 12);
  Edit1 = Place(new QLineEdit(GroupBox2), "Edit1", 16, 37, 97, 20);
  new EditPaste(Edit1);
  Button2 = Place(new QPushButton(QStringLiteral(">>"), GroupBox2), "Button2", 128, 40, 25, 17);
  Edit2 = Place(new QLineEdit(GroupBox2), "Edit2", 168, 37, 97, 20);
  Edit2->setReadOnly(true);
  Edit2->setFocusPolicy(Qt::ClickFocus);
  GroupBox2->setEnabled(false);
  Button2->setEnabled(false);

  RadioGroup2 = Place(new RadioGroup(QStringLiteral("偏差のグラフ"),
                                     {QStringLiteral("なし"), QStringLiteral("±1s (68%)"),
                                      QStringLiteral("±2s (95%)"), QStringLiteral("±3s (99.7%)")},
                                     client),
                      "RadioGroup2", 160, 184, 113, 105);
  RadioGroup2->setFont(JapaneseFont(13));

  StringGrid2 = Place(new DataGrid(sheet_, 2, client), "StringGrid2", 272, 16, 161, 137);
  RenewAccessible(StringGrid2);
  CheckBox1 = Place(new QCheckBox(QStringLiteral("系列２もプロットする"), client), "CheckBox1", 288,
                    156, 121, 17);

  // Keyboard order of the window: grids, check box, selectors, y calculation, compute button.
  QWidget* order[] = {StringGrid1, StringGrid2, CheckBox1};
  QWidget* previous = nullptr;
  auto chain = [&previous](QWidget* next) {
    if (previous) setTabOrder(previous, next);
    previous = next;
  };
  for (QWidget* w : order) chain(w);
  for (RadioGroup* group : {RadioGroup1, RadioGroup2})
    for (int i = 0; i < group->Count(); ++i) chain(group->Item(i));
  chain(Edit1);
  chain(Button2);
  chain(Button1);
  StringGrid1->setFocus();

  connect(Button1, &QPushButton::clicked, this, [this] { Guarded(&TForm1::Button1Click); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guarded(&TForm1::Button2Click); });
  connect(StringGrid1, &DataGrid::CurrentChanged, this,
          [this] { Guarded(&TForm1::StringGrid1Click); });
  connect(StringGrid1, &DataGrid::DoubleClicked, this,
          [this] { Guarded(&TForm1::StringGrid1DblClick); });
  connect(StringGrid1, &DataGrid::KeyPressed, this,
          [this](QChar key) { RunCommand(desktop_, [&] { StringGrid1KeyPress(key); }); });
  connect(StringGrid2, &DataGrid::KeyPressed, this,
          [this](QChar key) { RunCommand(desktop_, [&] { StringGrid2KeyPress(key); }); });
  for (DataGrid* grid : {StringGrid1, StringGrid2}) {
    connect(grid, &DataGrid::TextTooLong, this, [this] {
      desktop_.Show(BoxFor(kTooLongCell, this, {QString::number(kMaxCellLength)}));
    });
  }
}

void TForm1::BuildMenu() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  auto menu = [](auto* parent, const char* name, const QString& caption) {
    QMenu* m = parent->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    return m;
  };
  auto item = [this](QMenu* parent, const char* name, const QString& caption,
                     void (TForm1::*handler)()) {
    QAction* action = parent->addAction(caption);
    action->setObjectName(QLatin1String(name));
    ConnectMenu(action, handler);
    return action;
  };
  auto separator = [](QMenu* parent, const char* name) {
    QAction* action = parent->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
  };

  File1 = menu(MainMenu1, "File1", QStringLiteral("ﾌｧｲﾙ(&F)"));
  Open1 = menu(File1, "Open1", QStringLiteral("開く(&O)"));
  O1 = item(Open1, "O1", QStringLiteral("系列(&1)へ"), &TForm1::O1Click);
  O2 = item(Open1, "O2", QStringLiteral("系列(&2)へ"), &TForm1::O2Click);
  Save1 = menu(File1, "Save1", QStringLiteral("保存(&S)"));
  S1 = item(Save1, "S1", QStringLiteral("系列(&1)"), &TForm1::S1Click);
  S2 = item(Save1, "S2", QStringLiteral("系列(&2)"), &TForm1::S2Click);
  N3 = separator(File1, "N3");
  Exit1 = item(File1, "Exit1", QStringLiteral("終了(&X)"), &TForm1::Exit1Click);

  Edit3 = menu(MainMenu1, "Edit3", QStringLiteral("編集(&E)"));
  exchange = menu(Edit3, "exchange", QStringLiteral("交換(&X)"));
  xy1 = item(exchange, "xy1", QStringLiteral("x と y (系列１)"), &TForm1::xy1Click);
  xy2 = item(exchange, "xy2", QStringLiteral("x と y (系列２)"), &TForm1::xy2Click);
  N2 = item(exchange, "N2", QStringLiteral("系列 1 と 2"), &TForm1::N2Click);
  N5 = separator(Edit3, "N5");
  Erase = menu(Edit3, "Erase", QStringLiteral("ﾃﾞｰﾀ消去(&E)"));
  E1 = item(Erase, "E1", QStringLiteral("系列(&1)"), &TForm1::E1Click);
  E2 = item(Erase, "E2", QStringLiteral("系列(&2)"), &TForm1::E2Click);
  EA = item(Erase, "EA", QStringLiteral("全部(&A)"), &TForm1::EAClick);
  N1 = separator(Edit3, "N1");
  Copy1 = item(Edit3, "Copy1", QStringLiteral("文字をｺﾋﾟｰ(&C)"), &TForm1::Copy1Click);
  Copy2 = item(Edit3, "Copy2", QStringLiteral("ｸﾞﾗﾌをｺﾋﾟｰ(&G)"), &TForm1::Copy2Click);

  Show1 = menu(MainMenu1, "Show1", QStringLiteral("表示(&V)"));
  G1 = item(Show1, "G1", QStringLiteral("ｸﾞﾗﾌ(&G)"), &TForm1::G1Click);

  Help1 = menu(MainMenu1, "Help1", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  SearchforHelpOn1 = item(Help1, "SearchforHelpOn1", QStringLiteral("ﾄﾋﾟｯｸの検索(&H)"),
                          &TForm1::SearchforHelpOn1Click);
  N4 = separator(Help1, "N4");
  About1 = item(Help1, "About1", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"), &TForm1::About1Click);
}
