#include "sheet/worksheet.h"

#include <algorithm>

#include "core/fit.h"
#include "core/report.h"

namespace orvelt {

void Worksheet::AddListener(WorksheetListener* listener) const {
  listeners_.push_back(listener);
}

void Worksheet::RemoveListener(WorksheetListener* listener) const {
  std::erase(listeners_, listener);
}

void Worksheet::SetKind(FitModel kind) {
  kind_ = kind;
  Tell([](WorksheetListener& l) { l.ChoiceChanged(Choice::Kind); });
}

void Worksheet::SetBand(int band) {
  band_ = band;
  Tell([](WorksheetListener& l) { l.ChoiceChanged(Choice::Band); });
}

void Worksheet::SetPlotSeries2(bool plot) {
  plotSeries2_ = plot;
  Tell([](WorksheetListener& l) { l.ChoiceChanged(Choice::PlotSeries2); });
}

bool Worksheet::IsDataCell(int series, int col, int row) {
  return col >= kColumnX && col <= LastColumn(series) && row >= 1 && row <= kRows;
}

void Worksheet::Put(int series, int col, int row, const QString& text) {
  cells_[Index(series)][row][col] = text;
  Tell([&](WorksheetListener& l) { l.CellChanged(series, col, row); });
}

void Worksheet::SetCell(int series, int col, int row, const QString& text) {
  if (IsDataCell(series, col, row)) Put(series, col, row, text);
}

void Worksheet::Typed(int series, int col, int row, const QString& before,
                      const QString& after) {
  history_.Record({{series, col, row, before, after}});
}

void Worksheet::Write(const std::vector<CellWrite>& writes) {
  Tell([](WorksheetListener& l) { l.DataChanging(); });
  EditStep step;
  for (const CellWrite& write : writes) {
    if (!IsDataCell(write.series, write.col, write.row)) continue;
    QString before = Cells(write.series)[write.row][write.col];
    if (before == write.text) continue;
    Put(write.series, write.col, write.row, write.text);
    step.push_back({write.series, write.col, write.row, std::move(before), write.text});
  }
  history_.Record(std::move(step));
}

std::vector<CellWrite> Worksheet::SeriesWrites(int series, const GridTexts& source) {
  std::vector<CellWrite> writes;
  for (int r = 1; r <= kRows; ++r)
    for (int c = kColumnX; c <= LastColumn(series); ++c)
      writes.push_back({series, c, r, source[r][c]});
  return writes;
}

void Worksheet::ToggleOmit(int row) {
  const bool marked = !Cells(1)[row][kColumnOmit].isEmpty();
  Write({{1, kColumnOmit, row, marked ? QString() : QStringLiteral("Omit")}});
}

void Worksheet::ExchangeXY(int series) {
  GridTexts swapped = Cells(series);
  for (auto& row : swapped) std::swap(row[kColumnX], row[kColumnY]);
  Write(SeriesWrites(series, swapped));
}

void Worksheet::ExchangeSeries() {
  std::vector<CellWrite> writes = SeriesWrites(1, Cells(2));
  for (CellWrite& write : SeriesWrites(2, Cells(1))) writes.push_back(std::move(write));
  Write(writes);
}

void Worksheet::ClearSeries1() {
  ResetResults();
  orvelt::ClearSeries1(store_);
  SetKind(FitModel::Linear);
  SetBand(0);
}

void Worksheet::ClearSeries2() {
  orvelt::ClearSeries2(store_);
  SetPlotSeries2(false);
}

void Worksheet::EraseSeries(int series) {
  series == 1 ? ClearSeries1() : ClearSeries2();
  Write(SeriesWrites(series, GridTexts{}));
}

void Worksheet::EraseAll() {
  ClearSeries1();
  ClearSeries2();
  std::vector<CellWrite> writes = SeriesWrites(1, GridTexts{});
  for (CellWrite& write : SeriesWrites(2, GridTexts{})) writes.push_back(std::move(write));
  Write(writes);
}

void Worksheet::LoadSeries(int series, const GridTexts& cells) {
  Write(SeriesWrites(series, cells));
}

std::optional<Refusal> Worksheet::OpenSeries(int series, const QString& path, FileSystem& files) {
  if (!FileExists(path, files)) return Refuse(kFileNotFound);
  const std::optional<GridTexts> cells = ReadSeriesFile(path, files);
  if (!cells) return Refuse(kUnreadableFile);
  LoadSeries(series, *cells);
  return std::nullopt;
}

void Worksheet::Apply(const EditStep& step, bool forwards) {
  if (forwards) {
    for (const CellEdit& edit : step) Put(edit.series, edit.col, edit.row, edit.after);
    return;
  }
  // Backwards, so that a cell written twice in the step ends as it was before the first.
  for (auto edit = step.rbegin(); edit != step.rend(); ++edit)
    Put(edit->series, edit->col, edit->row, edit->before);
}

std::optional<EditStep> Worksheet::Undo() {
  Tell([](WorksheetListener& l) { l.DataChanging(); });
  std::optional<EditStep> step = history_.Undo();
  if (step) Apply(*step, false);
  return step;
}

std::optional<EditStep> Worksheet::Redo() {
  Tell([](WorksheetListener& l) { l.DataChanging(); });
  std::optional<EditStep> step = history_.Redo();
  if (step) Apply(*step, true);
  return step;
}

void Worksheet::ResetResults() {
  result_.reset();
  Tell([](WorksheetListener& l) { l.ResultChanged(); });
}

std::optional<Refusal> Worksheet::Compute() {
  ResetResults();
  const GridInput input{Utf8Cells(Cells(1)), Utf8Cells(Cells(2)), plotSeries2_};
  ComputeOutcome outcome = RunCompute(store_, input, kind_);
  if (outcome.refusal) return outcome.refusal;
  result_ = std::move(outcome.result);
  resultBand_ = band_;
  Tell([](WorksheetListener& l) { l.ResultChanged(); });
  return std::nullopt;
}

std::string Worksheet::Report() const {
  return TextReport(kind_, result_ ? result_->texts : ResultTexts{}, Utf8Cells(Cells(1)));
}

std::string Worksheet::StatisticsReport() const {
  return result_ ? StatisticsText(result_->statistics) : std::string();
}

std::optional<std::string> Worksheet::YCalculation(std::string_view xText) const {
  return orvelt::YCalculation(result_ ? result_->figures : FitFigures{}, kind_, xText);
}

std::optional<Refusal> Worksheet::SaveSeries(int series, const QString& path,
                                             FileSystem& files) const {
  const EncodedSeries file = EncodeSeriesFile(Cells(series), series);
  if (!file.Ok()) return SaveRefusal(file, series);
  SaveWholeFile(path, file.bytes, files);
  return std::nullopt;
}

}  // namespace orvelt
