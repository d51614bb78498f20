#pragma once
// The program's state without a window: the cells of both series, the selectors' choices, the
// store the last compute read, the last fit and the history of the data, with every command as a
// plain call. The windows are views of it, and a script drives it alone.

#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/compute.h"
#include "files/fileio.h"
#include "files/seriesfile.h"
#include "sheet/history.h"

namespace orvelt {

// A cell of series 1 or 2 and the text it is to hold.
struct CellWrite {
  int series, col, row;
  QString text;
};

// The selectors' choices, which a command reads when it runs.
enum class Choice { Kind, Band, PlotSeries2 };

// What a worksheet tells of its changes, as they happen.
class WorksheetListener {
 public:
  virtual ~WorksheetListener() = default;
  // A change of the data comes as a step of its own: typing under way in a view becomes a step
  // before it.
  virtual void DataChanging() {}
  virtual void CellChanged(int /*series*/, int /*col*/, int /*row*/) {}
  // A new fit, or none after the results reset.
  virtual void ResultChanged() {}
  // A command set a choice (erasing a series does).
  virtual void ChoiceChanged(Choice) {}
};

class Worksheet {
 public:
  Worksheet() = default;
  Worksheet(const Worksheet&) = delete;
  Worksheet& operator=(const Worksheet&) = delete;

  // Told of every change until removed; a listener removes itself before it goes. Listening
  // changes nothing of the worksheet.
  void AddListener(WorksheetListener* listener) const;
  void RemoveListener(WorksheetListener* listener) const;

  // The data cells of series 1 or 2 ([row][column], rows 1 to kRows); series 2 has no Omit
  // column. The header row and the label column are empty: they belong to the views.
  const GridTexts& Cells(int series) const { return cells_[Index(series)]; }
  // The last column a series has: kColumnOmit for series 1, kColumnY for series 2.
  static int LastColumn(int series) { return series == 1 ? kColumnOmit : kColumnY; }

  FitModel Kind() const { return kind_; }
  int Band() const { return band_; }
  bool PlotSeries2() const { return plotSeries2_; }
  void SetKind(FitModel kind);
  void SetBand(int band);
  void SetPlotSeries2(bool plot);

  // What the last compute read of the grids; series 2's slots keep their values between
  // computes.
  const DataStore& Store() const { return store_; }
  // The last fit: none before the first compute or after the results reset.
  const FitResult* Result() const { return result_.get(); }
  // The band chosen when that fit was computed: its graph keeps it whatever is chosen since.
  int ResultBand() const { return resultBand_; }

  // Changes of the data, each one step of the history (a step in which no cell changes is none).
  // Cells outside a series' data cells are left alone.
  void Write(const std::vector<CellWrite>& writes);
  // Marks row `row` of series 1 "Omit", or takes its mark away.
  void ToggleOmit(int row);
  void ExchangeXY(int series);
  // Series 1's Omit marks go: series 2 has no column to take them.
  void ExchangeSeries();
  // Erasing series 1 resets the results and sets the formula kind and band back to the first;
  // erasing series 2 unticks the plotting of series 2. Both empty the store's part.
  void EraseSeries(int series);
  void EraseAll();
  // Every data cell of the series from `cells`, as one step.
  void LoadSeries(int series, const GridTexts& cells);
  // The data file at `path` into the series; a missing file or one the reader refuses is the
  // refusal, the grid unchanged. A failure of reading throws CommandError.
  std::optional<Refusal> OpenSeries(int series, const QString& path,
                                    FileSystem& files = SystemFileSystem());

  // A view's typing: the cell's text as typed so far, outside the history; `Typing` when the
  // text is a new change, after which nothing can be made again; `Typed` once it is done with,
  // the cell having held `before` when the typing began.
  void SetCell(int series, int col, int row, const QString& text);
  void Typing() { history_.DropRedo(); }
  void Typed(int series, int col, int row, const QString& before, const QString& after);

  // The last step taken back, or the last one taken back made again: the step, none when there
  // is nothing to do. Results, store and choices stay.
  std::optional<EditStep> Undo();
  std::optional<EditStep> Redo();
  const EditHistory& History() const { return history_; }

  // The compute command: the results reset, then the cells read with the choices as they are,
  // checked and fitted. The refusal that stopped it, if any; a fault of the arithmetic throws
  // CommandError, the results left reset.
  std::optional<Refusal> Compute();
  // No fit: what the results box, the graph and the y calculation show of none.
  void ResetResults();

  // The text report of the last fit with the formula kind and the series-1 cells as they are
  // now (CR LF line ends, UTF-8).
  std::string Report() const;
  // The statistics of the last fit as the statistics window copies them (CR LF line ends,
  // UTF-8); empty without a fit.
  std::string StatisticsReport() const;
  // y at the x typed in `xText` with the formula kind as it is now and the last fit's
  // coefficients (0 without one); nothing when the text is not a number.
  std::optional<std::string> YCalculation(std::string_view xText) const;
  // The series as a data file at `path`; the refusal of cells that cannot be saved. A failure of
  // writing throws CommandError.
  std::optional<Refusal> SaveSeries(int series, const QString& path,
                                    FileSystem& files = SystemFileSystem()) const;

 private:
  static int Index(int series) { return series == 1 ? 0 : 1; }
  static bool IsDataCell(int series, int col, int row);
  // Every data cell of the series, `text` of each taken from `source`.
  static std::vector<CellWrite> SeriesWrites(int series, const GridTexts& source);
  void Put(int series, int col, int row, const QString& text);
  void Apply(const EditStep& step, bool forwards);
  void ClearSeries1();
  void ClearSeries2();
  template <class Call>
  void Tell(Call call) {
    for (WorksheetListener* listener : listeners_) call(*listener);
  }

  std::array<GridTexts, 2> cells_;
  FitModel kind_ = FitModel::Linear;
  int band_ = 0;
  bool plotSeries2_ = false;
  DataStore store_;
  std::shared_ptr<const FitResult> result_;
  int resultBand_ = 0;
  EditHistory history_;
  mutable std::vector<WorksheetListener*> listeners_;
};

}  // namespace orvelt
