#include "ui/main.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
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
#include <langinfo.h>

#include "app/errors.h"
#include "app/help.h"
#include "core/report.h"
#include "files/fileio.h"
#include "files/seriesfile.h"
#include "graph/drawgraph.h"
#include "graph/face.h"
#include "graph/graph.h"
#include "ui/controls.h"
#include "ui/datagrid.h"

using namespace orvelt;

namespace {

constexpr int kClientWidth = 449, kClientHeight = 377;
constexpr int kGrid1Columns = 4, kGrid2Columns = 3, kGridRows = kRows + 1;

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
  return label;
}

// A label sizes itself to its text, growing to the right.
void SetLabelText(QLabel* label, const QString& text) {
  label->setText(text);
  label->resize(label->fontMetrics().horizontalAdvance(text), 13);
}

QString RowLabel(int row) {
  return QStringLiteral(" No. ") + QString::number(row);
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
  QApplication::setStyle(QStringLiteral("Windows"));
  QApplication::setFont(JapaneseFont(12));
  static QTranslator qtJapanese;
  if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtJapanese);
  }
}

TForm1::TForm1(DataStore& store, Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      store_(store),
      desktop_(desktop) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kMainCaption);
  setFont(JapaneseFont(12));
  BuildControls();
  BuildMenu();
  for (FileDialog* dialog : {&SaveDialog1, &OpenDialog1}) {
    dialog->filter = QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)|*.ovt|すべてのﾌｧｲﾙ(*.*)|*.*");
    dialog->defaultExt = QStringLiteral("ovt");
  }
  SaveDialog1.mode = FileDialog::Mode::Save;
  // The layout gives the bar its height for the width, which can exceed its size hint.
  resize(kClientWidth, menuBar()->heightForWidth(kClientWidth) + kClientHeight);
}

void TForm1::Open() {
  // A Wayland compositor offers to maximise every window whose size it may change; the layout
  // is fixed, so the window is too. X11 window managers follow the flags instead.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) setFixedSize(size());
  show();
  raise();
  activateWindow();
}

QString orvelt::LeftOutFilesText(const QStringList& names) {
  return QStringLiteral(
             "ファイルは系列１と系列２の二つまでしか開けません\n\n開かなかったファイル:\n") +
         names.join('\n');
}

void TForm1::OpenFiles(const QStringList& names) {
  constexpr int kSeries = 2;
  for (int series = 1; series <= std::min<int>(kSeries, names.size()); ++series) {
    // The dialog would remember the name chosen in it.
    OpenDialog1.fileName = QFileInfo(names[series - 1]).absoluteFilePath();
    RunCommand(desktop_, [&] { OpenSeriesFile(series, OpenDialog1.fileName); });
  }
  if (names.size() > kSeries) {
    // A warning that only tells: nothing to answer.
    Box box = WarningBox(LeftOutFilesText(names.mid(kSeries)), this, 120);
    box.buttons = BoxButtons::Ok;
    desktop_.Show(box);
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
  ShowResults(ResultLabels{});

  Button1 =
      Place(new QPushButton(QStringLiteral("回帰式計算"), client), "Button1", 336, 320, 75, 25);

  StringGrid1 =
      Place(new DataGrid(kGrid1Columns, kGridRows, client), "StringGrid1", 16, 16, 209, 137);
  StringGrid1->setToolTip(QStringLiteral("ダブルクリックで有効・無効が切り替えられます"));

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

  StringGrid2 =
      Place(new DataGrid(kGrid2Columns, kGridRows, client), "StringGrid2", 272, 16, 161, 137);
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
    connect(grid, &DataGrid::TextTooLong, this, [this] { ShowError(TooLongCellText(), 130); });
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

void TForm1::Guarded(void (TForm1::*handler)()) {
  RunCommand(desktop_, [&] { (this->*handler)(); });
}

void TForm1::ConnectMenu(QAction* action, void (TForm1::*handler)()) {
  connect(action, &QAction::triggered, this, [this, handler] { Guarded(handler); });
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  Guarded(&TForm1::FormShow);
}

void TForm1::closeEvent(QCloseEvent* event) {
  event->accept();
  if (Form2) Form2->Dismiss();
}

FitModel TForm1::Model() const {
  return static_cast<FitModel>(RadioGroup1->ItemIndex());
}

GridInput TForm1::GridTexts() const {
  GridInput input;
  for (int r = 1; r <= kRows; ++r) {
    for (int c = 1; c < kGrid1Columns; ++c)
      input.grid1[c][r] = StringGrid1->Cell(c, r).toStdString();
    for (int c = 1; c < kGrid2Columns; ++c)
      input.grid2[c][r] = StringGrid2->Cell(c, r).toStdString();
  }
  input.plotSeries2 = CheckBox1->isChecked();
  return input;
}

void TForm1::ShowResults(const ResultLabels& labels) {
  SetLabelText(Label2, QString::fromStdString(labels.a));
  SetLabelText(Label3, QString::fromStdString(labels.b));
  SetLabelText(Label4, QString::fromStdString(labels.c));
  SetLabelText(Label5, QString::fromStdString(labels.count));
  SetLabelText(Label6, QString::fromStdString(labels.stdDev));
}

void TForm1::ShowError(const QString& text, int leftOffset, bool beep) {
  Box box = ErrorBox(text, this, leftOffset);
  box.beep = beep;
  desktop_.Show(box);
}

void TForm1::ResetResults() {
  ShowResults(ResultLabels{});
  Edit1->clear();
  Edit2->clear();
  GroupBox2->setEnabled(false);
  Button2->setEnabled(false);
  if (Form2) Form2->Views->Blank();
  ResetCoefficients(store_);
}

void TForm1::FormShow() {
  const QString headers[] = {QStringLiteral(" x の値"), QStringLiteral(" y の値"),
                             QStringLiteral(" Omit")};
  StringGrid1->SetCell(0, 0, QStringLiteral(" 系列１"));
  for (int c = 1; c < kGrid1Columns; ++c) StringGrid1->SetCell(c, 0, headers[c - 1]);
  for (int r = 1; r <= kRows; ++r) StringGrid1->SetCell(0, r, RowLabel(r));
  StringGrid2->SetCell(0, 0, QStringLiteral(" 系列２"));
  for (int c = 1; c < kGrid2Columns; ++c) StringGrid2->SetCell(c, 0, headers[c - 1]);
  for (int r = 1; r <= kRows; ++r) StringGrid2->SetCell(0, r, RowLabel(r));
  if (Form2) Form2->show();
}

void TForm1::Button1Click() {
  ResetResults();
  const GridInput input = GridTexts();
  ResultLabels labels;
  ComputeOutcome outcome;
  try {
    outcome = RunCompute(store_, input, Model(), labels);
  } catch (...) {
    ShowResults(labels);  // as far as the command got
    throw;
  }
  ShowResults(labels);
  if (outcome.refusal) {
    ShowError(QString::fromStdString(outcome.refusal->text), outcome.refusal->left);
    return;
  }
  if (Form2) {
    const FitSums& s = outcome.sums;
    Form2->Views->Show(GraphScene{store_, Model(), RadioGroup2->ItemIndex(), input.plotSeries2,
                                  input.grid2, labels, s.XMax, s.XMin, s.YMax, s.YMin});
  }
  GroupBox2->setEnabled(true);
  Button2->setEnabled(true);
  G1Click();
}

void TForm1::Button2Click() {
  const auto y = YCalculation(store_, Model(), Edit1->text().toStdString());
  if (!y) {
    Edit2->clear();
    ShowError(QStringLiteral("正しい数字ではありません"), 130);
    return;
  }
  Edit2->setText(QString::fromStdString(*y));
}

void TForm1::Exit1Click() {
  close();
}

void TForm1::About1Click() {
  Box box = PlainBox(VersionText(), this, 125);
  box.beep = true;
  desktop_.Show(box);
}

void TForm1::SearchforHelpOn1Click() {
  // The path is taken anew every time; the viewer itself reports a file it cannot show.
  desktop_.ShowHelp(ProgramHelpFile(), this);
}

void TForm1::Copy2Click() {
  if (Form2) Form2->CopyPicture();
}

void TForm1::G1Click() {
  if (Form2) Form2->Activate();
}

void TForm1::StringGrid1Click() {
  // The Omit column is marked by double-click only, never typed into.
  if (StringGrid1->Col() == 3) StringGrid1->SetCol(2);
}

void TForm1::StringGrid1DblClick() {
  const int row = StringGrid1->Row();
  StringGrid1->SetCell(3, row,
                       StringGrid1->Cell(3, row).isEmpty() ? QStringLiteral("Omit") : QString());
}

void TForm1::StringGrid1KeyPress(QChar& key) {
  EnterWalk(StringGrid1, key);
}

void TForm1::StringGrid2KeyPress(QChar& key) {
  EnterWalk(StringGrid2, key);
}

void TForm1::EnterWalk(DataGrid* grid, QChar key) {
  if (key != QChar('\r')) return;
  // Pair by pair: x, then y, then the next row's x; typing then appends to what the cell holds.
  const auto atEnd = DataGrid::Caret::AtEnd;
  if (grid->Col() == 1) {
    grid->SetCurrent(2, grid->Row(), atEnd);
  } else {
    grid->SetCurrent(1, grid->Row(), atEnd);
    grid->SetCurrent(1, grid->Row() == kRows ? 1 : grid->Row() + 1, atEnd);
  }
}

void TForm1::xy1Click() {
  SwapColumns(StringGrid1, StringGrid1, 1, 2);
}

void TForm1::xy2Click() {
  SwapColumns(StringGrid2, StringGrid2, 1, 2);
}

void TForm1::N2Click() {
  SwapColumns(StringGrid1, StringGrid2, 1, 1);
  SwapColumns(StringGrid1, StringGrid2, 2, 2);
  // Series 2 has no Omit column to take the marks.
  for (int r = 1; r <= kRows; ++r) StringGrid1->SetCell(3, r, QString());
}

void TForm1::SwapColumns(DataGrid* a, DataGrid* b, int colA, int colB) {
  for (int r = 1; r <= kRows; ++r) {
    const QString text = a->Cell(colA, r);
    a->SetCell(colA, r, b->Cell(colB, r));
    b->SetCell(colB, r, text);
  }
}

void TForm1::E1Click() {
  if (Confirm(QStringLiteral("系列１のデータを消去します\n\n消去しますか？"), 125)) ClearSeries1();
}

void TForm1::E2Click() {
  if (Confirm(QStringLiteral("系列２のデータを消去します\n\n消去しますか？"), 125)) ClearSeries2();
}

void TForm1::EAClick() {
  if (Confirm(QStringLiteral("データをすべて消去します\n\n消去しますか？"), 130)) {
    ClearSeries1();
    ClearSeries2();
  }
}

bool TForm1::Confirm(const QString& text, int leftOffset) {
  return desktop_.Show(ConfirmationBox(text, this, leftOffset));
}

void TForm1::ClearSeries1() {
  ResetResults();
  orvelt::ClearSeries1(store_);
  for (int r = 1; r <= kRows; ++r)
    for (int c = 1; c < kGrid1Columns; ++c) StringGrid1->SetCell(c, r, QString());
  RadioGroup1->SetItemIndex(0);
  RadioGroup2->SetItemIndex(0);
}

void TForm1::ClearSeries2() {
  orvelt::ClearSeries2(store_);
  for (int r = 1; r <= kRows; ++r)
    for (int c = 1; c < kGrid2Columns; ++c) StringGrid2->SetCell(c, r, QString());
  CheckBox1->setChecked(false);
}

void TForm1::Copy1Click() {
  const ResultLabels shown{Label2->text().toStdString(), Label3->text().toStdString(),
                           Label4->text().toStdString(), Label5->text().toStdString(),
                           Label6->text().toStdString()};
  const std::string report = TextReport(Model(), shown, GridTexts().grid1);
  QGuiApplication::clipboard()->setText(QString::fromStdString(report));
}

void TForm1::S1Click() {
  SaveSeries(1);
}
void TForm1::S2Click() {
  SaveSeries(2);
}
void TForm1::O1Click() {
  OpenSeries(1);
}
void TForm1::O2Click() {
  OpenSeries(2);
}

DataGrid* TForm1::SeriesGrid(int series) const {
  return series == 1 ? StringGrid1 : StringGrid2;
}

void TForm1::SaveSeries(int series) {
  if (!desktop_.Run(SaveDialog1)) return;
  const QString name = SaveDialog1.fileName;
  if (FileExists(name) &&
      !desktop_.Show(
          WarningBox(QStringLiteral("既存のファイルを選択しました。\n\nファイルを更新しますか？"),
                     this, 120))) {
    return;
  }
  const DataGrid* grid = SeriesGrid(series);
  SeriesCells cells;
  for (int r = 1; r <= kRows; ++r)
    for (int c = 1; c < grid->ColCount(); ++c) cells[r][c] = grid->Cell(c, r);
  const EncodedSeries file = EncodeSeriesFile(cells, series);
  if (!file.Ok()) {
    ShowError(file.tooLarge ? OversizedSeriesText()
                            : UnsavableCellText(series, file.badRow, file.badColumn),
              130);
    return;
  }
  SaveWholeFile(name, file.bytes);
}

void TForm1::OpenSeries(int series) {
  if (!desktop_.Run(OpenDialog1)) return;
  OpenSeriesFile(series, OpenDialog1.fileName);
}

void TForm1::OpenSeriesFile(int series, const QString& name) {
  if (!FileExists(name)) {
    ShowError(QStringLiteral("ファイルが見つかりません"), 135, true);
    return;
  }
  const std::optional<SeriesCells> cells = ReadSeriesFile(name);
  if (!cells) {
    ShowError(QStringLiteral("指定されたファイルは読めません"), 110, true);
    return;
  }
  DataGrid* grid = SeriesGrid(series);
  for (int r = 1; r <= kRows; ++r)
    for (int c = 1; c < grid->ColCount(); ++c) grid->SetCell(c, r, (*cells)[r][c]);
}
