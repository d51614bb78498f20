#include "ui/main.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include "app/errors.h"
#include "app/help.h"
#include "files/fileio.h"
#include "graph/face.h"
#include "graph/graph.h"
#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/datagrid.h"
#include "ui/edits.h"
#include "ui/picture.h"
#include "ui/statistics.h"

using namespace orvelt;

namespace {

// A label sizes itself to its text, growing to the right.
void SetLabelText(QLabel* label, const QString& text) {
  label->setText(text);
  label->resize(label->fontMetrics().horizontalAdvance(text), 13);
}

QString RowLabel(int row) {
  return QStringLiteral(" No. ") + QString::number(row);
}

}  // namespace

TForm1::TForm1(Worksheet& sheet, Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      sheet_(sheet),
      desktop_(desktop) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kMainCaption);
  setFont(JapaneseFont(12));
  InstallAccessibleControls();
  BuildControls();
  BuildMenu();
  edits_ = std::make_unique<DataEdits>(sheet_, StringGrid1, StringGrid2);
  sheet_.AddListener(this);
  for (FileDialog* dialog : {&SaveDialog1, &OpenDialog1}) {
    dialog->filter = QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)|*.ovt|すべてのﾌｧｲﾙ(*.*)|*.*");
    dialog->defaultExt = QStringLiteral("ovt");
  }
  SaveDialog1.mode = FileDialog::Mode::Save;
  PictureDialog1 = PictureDialog();
  // The layout gives the bar its height for the width, which can exceed its size hint.
  resize(kClientWidth, menuBar()->heightForWidth(kClientWidth) + kClientHeight);
}

TForm1::~TForm1() {
  sheet_.RemoveListener(this);
}

void TForm1::SetGraphWindow(TForm2* form2) {
  Form2 = form2;
  ConnectMenu(Form2->Views->SavePicture, &TForm1::SavePictureClick);
  ConnectMenu(Form2->Views->PrintPicture, &TForm1::PrintPictureClick);
  ConnectMenu(Form2->Views->Statistics, &TForm1::StatisticsClick);
}

void TForm1::Open() {
  // A Wayland compositor offers to maximise every window whose size it may change; the layout
  // is fixed, so the window is too. X11 window managers follow the flags instead.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) setFixedSize(size());
  show();
  raise();
  activateWindow();
}

void TForm1::OpenFiles(const QStringList& names) {
  constexpr int kSeries = 2;
  for (int series = 1; series <= std::min<int>(kSeries, names.size()); ++series) {
    // The dialog would remember the name chosen in it.
    OpenDialog1.fileName = QFileInfo(names[series - 1]).absoluteFilePath();
    RunCommand(desktop_, [&] { OpenSeriesFile(series, OpenDialog1.fileName); });
  }
  if (names.size() > kSeries)
    desktop_.Show(BoxFor(kLeftOutFiles, this, {names.mid(kSeries).join('\n')}));
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
  if (statistics_) statistics_->close();
  if (Form2) Form2->Dismiss();
}

FitModel TForm1::Model() const {
  return static_cast<FitModel>(RadioGroup1->ItemIndex());
}

void TForm1::WriteChoices() {
  sheet_.SetKind(Model());
  sheet_.SetBand(RadioGroup2->ItemIndex());
  sheet_.SetPlotSeries2(CheckBox1->isChecked());
}

void TForm1::ShowResults(const ResultTexts& texts) {
  SetLabelText(Label2, QString::fromStdString(texts.a));
  SetLabelText(Label3, QString::fromStdString(texts.b));
  SetLabelText(Label4, QString::fromStdString(texts.c));
  SetLabelText(Label5, QString::fromStdString(texts.count));
  SetLabelText(Label6, QString::fromStdString(texts.stdDev));
}

bool TForm1::Ask(const Message& message) {
  return desktop_.Show(BoxFor(message, this));
}

void TForm1::Tell(const Refusal& refusal) {
  desktop_.Show(BoxFor(refusal, this));
}

void TForm1::ResultChanged() {
  const FitResult* result = sheet_.Result();
  ShowResults(result ? result->texts : ResultTexts{});
  if (!result) {
    Edit1->clear();
    Edit2->clear();
  }
  GroupBox2->setEnabled(result);
  Button2->setEnabled(result);
}

void TForm1::ChoiceChanged(Choice choice) {
  switch (choice) {
    case Choice::Kind:
      RadioGroup1->SetItemIndex(static_cast<int>(sheet_.Kind()));
      break;
    case Choice::Band:
      RadioGroup2->SetItemIndex(sheet_.Band());
      break;
    case Choice::PlotSeries2:
      CheckBox1->setChecked(sheet_.PlotSeries2());
      break;
  }
}

void TForm1::FormShow() {
  const QString headers[kColumns] = {QString(), QStringLiteral(" x の値"),
                                     QStringLiteral(" y の値"), QStringLiteral(" Omit")};
  const QString corners[] = {QStringLiteral(" 系列１"), QStringLiteral(" 系列２")};
  DataGrid* const grids[] = {StringGrid1, StringGrid2};
  for (int series = 0; series < 2; ++series) {
    DataGrid* grid = grids[series];
    grid->SetCell(kLabelColumn, 0, corners[series]);
    for (int c = kColumnX; c < grid->ColCount(); ++c) grid->SetCell(c, 0, headers[c]);
    for (int r = 1; r <= kRows; ++r) grid->SetCell(kLabelColumn, r, RowLabel(r));
  }
  if (Form2) Form2->show();
}

void TForm1::Button1Click() {
  WriteChoices();
  if (const auto refusal = sheet_.Compute()) {
    Tell(*refusal);
    return;
  }
  G1Click();
}

void TForm1::Button2Click() {
  sheet_.SetKind(Model());
  const auto y = sheet_.YCalculation(Edit1->text().toStdString());
  if (!y) {
    Edit2->clear();
    Tell(Refuse(kNotANumber));
    return;
  }
  Edit2->setText(QString::fromStdString(*y));
}

void TForm1::Exit1Click() {
  close();
}

void TForm1::About1Click() {
  desktop_.Show(BoxFor(kVersion, VersionText(), this));
}

void TForm1::SearchforHelpOn1Click() {
  // The path is taken anew every time; the viewer itself reports a file it cannot show.
  desktop_.ShowHelp(ProgramHelpFile(), this);
}

void TForm1::Copy2Click() {
  if (Form2) Form2->CopyPicture();
}

void TForm1::SavePictureClick() {
  SavePicture(desktop_, PictureDialog1, this, Form2->Canvas(), Form2->Views->Title());
}

void TForm1::PrintPictureClick() {
  PrintPicture(desktop_, PictureDialog1.folder, Form2->Canvas(), Form2->Views->Title());
}

void TForm1::StatisticsClick() {
  if (!statistics_) statistics_ = std::make_unique<StatisticsWindow>(sheet_);
  statistics_->Activate();
}

void TForm1::G1Click() {
  if (Form2) Form2->Activate();
}

void TForm1::StringGrid1Click() {
  // The Omit column is marked by double-click only, never typed into.
  if (StringGrid1->Col() == kColumnOmit) StringGrid1->SetCol(kColumnY);
}

void TForm1::StringGrid1DblClick() {
  sheet_.ToggleOmit(StringGrid1->Row());
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
  if (grid->Col() == kColumnX) {
    grid->SetCurrent(kColumnY, grid->Row(), atEnd);
  } else {
    grid->SetCurrent(kColumnX, grid->Row(), atEnd);
    grid->SetCurrent(kColumnX, grid->Row() == kRows ? 1 : grid->Row() + 1, atEnd);
  }
}

void TForm1::xy1Click() {
  sheet_.ExchangeXY(1);
}

void TForm1::xy2Click() {
  sheet_.ExchangeXY(2);
}

void TForm1::N2Click() {
  sheet_.ExchangeSeries();
}

void TForm1::EraseAsked(const Message& question, int series) {
  if (!Ask(question)) return;
  series == 0 ? sheet_.EraseAll() : sheet_.EraseSeries(series);
}

void TForm1::E1Click() {
  EraseAsked(kEraseSeries1, 1);
}

void TForm1::E2Click() {
  EraseAsked(kEraseSeries2, 2);
}

void TForm1::EAClick() {
  EraseAsked(kEraseAll, 0);
}

void TForm1::Copy1Click() {
  sheet_.SetKind(Model());
  QGuiApplication::clipboard()->setText(QString::fromStdString(sheet_.Report()));
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

void TForm1::SaveSeries(int series) {
  if (!desktop_.Run(SaveDialog1)) return;
  const QString target = SaveTarget(SaveDialog1.fileName);
  if (FileExists(target) && !Ask(kOverwrite)) return;
  if (const auto refusal = sheet_.SaveSeries(series, target)) Tell(*refusal);
}

void TForm1::OpenSeries(int series) {
  if (!desktop_.Run(OpenDialog1)) return;
  OpenSeriesFile(series, OpenDialog1.fileName);
}

void TForm1::OpenSeriesFile(int series, const QString& name) {
  if (const auto refusal = sheet_.OpenSeries(series, name)) Tell(*refusal);
}
