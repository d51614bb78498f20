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
#include "core/report.h"
#include "files/fileio.h"
#include "files/seriesfile.h"
#include "graph/face.h"
#include "graph/graph.h"
#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/datagrid.h"
#include "ui/edits.h"
#include "ui/picture.h"

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

TForm1::TForm1(DataStore& store, Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      store_(store),
      desktop_(desktop) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kMainCaption);
  setFont(JapaneseFont(12));
  InstallAccessibleControls();
  BuildControls();
  BuildMenu();
  edits_ = std::make_unique<DataEdits>(StringGrid1, StringGrid2);
  for (FileDialog* dialog : {&SaveDialog1, &OpenDialog1}) {
    dialog->filter = QStringLiteral("ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)|*.ovt|すべてのﾌｧｲﾙ(*.*)|*.*");
    dialog->defaultExt = QStringLiteral("ovt");
  }
  SaveDialog1.mode = FileDialog::Mode::Save;
  PictureDialog1 = PictureDialog();
  // The layout gives the bar its height for the width, which can exceed its size hint.
  resize(kClientWidth, menuBar()->heightForWidth(kClientWidth) + kClientHeight);
}

// Out of line, where the history's type is complete.
TForm1::~TForm1() = default;

void TForm1::SetGraphWindow(TForm2* form2) {
  Form2 = form2;
  ConnectMenu(Form2->Views->SavePicture, &TForm1::SavePictureClick);
  ConnectMenu(Form2->Views->PrintPicture, &TForm1::PrintPictureClick);
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
  if (Form2) Form2->Dismiss();
}

FitModel TForm1::Model() const {
  return static_cast<FitModel>(RadioGroup1->ItemIndex());
}

GridInput TForm1::Grids() const {
  return {Utf8Cells(StringGrid1->Cells()), Utf8Cells(StringGrid2->Cells()), CheckBox1->isChecked()};
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

void TForm1::ResetResults() {
  result_.reset();
  ShowResults(ResultTexts{});
  Edit1->clear();
  Edit2->clear();
  GroupBox2->setEnabled(false);
  Button2->setEnabled(false);
  if (Form2) Form2->Views->Blank();
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
  ResetResults();
  // A fault of the arithmetic leaves the results as the reset did.
  const ComputeOutcome outcome = RunCompute(store_, Grids(), Model());
  if (outcome.refusal) {
    Tell(*outcome.refusal);
    return;
  }
  result_ = outcome.result;
  ShowResults(result_->texts);
  if (Form2) Form2->Views->Show(result_, RadioGroup2->ItemIndex());
  GroupBox2->setEnabled(true);
  Button2->setEnabled(true);
  G1Click();
}

void TForm1::Button2Click() {
  // Without a fit the coefficients are 0, as after the results reset.
  const FitFigures figures = result_ ? result_->figures : FitFigures{};
  const auto y = YCalculation(figures, Model(), Edit1->text().toStdString());
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

void TForm1::G1Click() {
  if (Form2) Form2->Activate();
}

void TForm1::StringGrid1Click() {
  // The Omit column is marked by double-click only, never typed into.
  if (StringGrid1->Col() == kColumnOmit) StringGrid1->SetCol(kColumnY);
}

void TForm1::StringGrid1DblClick() {
  const int row = StringGrid1->Row();
  const bool marked = !StringGrid1->Cell(kColumnOmit, row).isEmpty();
  edits_->Change({{1, kColumnOmit, row, marked ? QString() : QStringLiteral("Omit")}});
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
  edits_->Change(SwapColumns(1, 1, kColumnX, kColumnY));
}

void TForm1::xy2Click() {
  edits_->Change(SwapColumns(2, 2, kColumnX, kColumnY));
}

void TForm1::N2Click() {
  std::vector<CellWrite> writes = SwapColumns(1, 2, kColumnX, kColumnX);
  for (CellWrite& write : SwapColumns(1, 2, kColumnY, kColumnY)) writes.push_back(write);
  // Series 2 has no Omit column to take the marks.
  for (int r = 1; r <= kRows; ++r) writes.push_back({1, kColumnOmit, r, QString()});
  edits_->Change(writes);
}

std::vector<CellWrite> TForm1::SwapColumns(int a, int b, int colA, int colB) const {
  std::vector<CellWrite> writes;
  for (int r = 1; r <= kRows; ++r) {
    writes.push_back({a, colA, r, SeriesGrid(b)->Cell(colB, r)});
    writes.push_back({b, colB, r, SeriesGrid(a)->Cell(colA, r)});
  }
  return writes;
}

std::vector<CellWrite> TForm1::Emptied(int series) const {
  std::vector<CellWrite> writes;
  for (int r = 1; r <= kRows; ++r)
    for (int c = kColumnX; c < SeriesGrid(series)->ColCount(); ++c)
      writes.push_back({series, c, r, QString()});
  return writes;
}

void TForm1::E1Click() {
  if (!Ask(kEraseSeries1)) return;
  ClearSeries1();
  edits_->Change(Emptied(1));
}

void TForm1::E2Click() {
  if (!Ask(kEraseSeries2)) return;
  ClearSeries2();
  edits_->Change(Emptied(2));
}

void TForm1::EAClick() {
  if (!Ask(kEraseAll)) return;
  ClearSeries1();
  ClearSeries2();
  std::vector<CellWrite> writes = Emptied(1);
  for (CellWrite& write : Emptied(2)) writes.push_back(write);
  edits_->Change(writes);
}

void TForm1::ClearSeries1() {
  ResetResults();
  orvelt::ClearSeries1(store_);
  RadioGroup1->SetItemIndex(0);
  RadioGroup2->SetItemIndex(0);
}

void TForm1::ClearSeries2() {
  orvelt::ClearSeries2(store_);
  CheckBox1->setChecked(false);
}

void TForm1::Copy1Click() {
  // The formula kind and the cells as they are now, the figures of the last fit.
  const ResultTexts shown = result_ ? result_->texts : ResultTexts{};
  const std::string report = TextReport(Model(), shown, Utf8Cells(StringGrid1->Cells()));
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
  if (FileExists(name) && !Ask(kOverwrite)) return;
  const EncodedSeries file = EncodeSeriesFile(SeriesGrid(series)->Cells(), series);
  if (!file.Ok()) {
    Tell(SaveRefusal(file, series));
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
    Tell(Refuse(kFileNotFound));
    return;
  }
  const std::optional<GridTexts> cells = ReadSeriesFile(name);
  if (!cells) {
    Tell(Refuse(kUnreadableFile));
    return;
  }
  std::vector<CellWrite> writes;
  for (int r = 1; r <= kRows; ++r)
    for (int c = kColumnX; c < SeriesGrid(series)->ColCount(); ++c)
      writes.push_back({series, c, r, (*cells)[r][c]});
  edits_->Change(writes);
}
