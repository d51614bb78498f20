#pragma once
// A text grid with a fixed header row and label column and an editor that is always shown on the
// current cell. Cells hold free text; nothing is validated here.

#include <QAbstractScrollArea>
#include <QKeyCombination>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "app/clipboard.h"
#include "files/seriesfile.h"
#include "sheet/worksheet.h"

class QLineEdit;

namespace orvelt {

class DataGrid;

// The longest text a cell takes: every cell a data file can bring fits, since a file holds at
// most kMaxSeriesFileBytes bytes and each byte reads as at most one character.
inline constexpr qsizetype kMaxCellLength = kMaxSeriesFileBytes;

// Told what assistive technology must hear of the grids: a cell's new text, and the cell that is
// current once the cursor moved or the grid got the keyboard focus.
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  virtual void CellTextChanged(DataGrid* grid, int col, int row) = 0;
  virtual void CurrentCellShown(DataGrid* grid) = 0;
};

// The one observer of every grid; none until set.
void SetGridObserver(GridObserver* observer);

// The keys that take the last change back and make it again, in either grid. A cell's editor
// with typing of its own to take back or make again acts on that first.
inline constexpr std::array kUndoKeys{QKeyCombination(Qt::ControlModifier, Qt::Key_Z)};
inline constexpr std::array kRedoKeys{
    QKeyCombination(Qt::ControlModifier, Qt::Key_Y),
    QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)};

// Where the undo and redo keys of a grid go: the last change taken back, or the last one taken
// back made again; false when there is none.
class GridChanges {
 public:
  virtual ~GridChanges() = default;
  virtual bool Undo() = 0;
  virtual bool Redo() = 0;
};

// The view of a series' cells in a worksheet: typing and pasting change them there, and the grid
// shows whatever changes them.
class DataGrid : public QAbstractScrollArea, public WorksheetListener {
  Q_OBJECT

 public:
  static constexpr int kColWidth = 46, kRowHeight = 18, kLine = 1;

  // The grid of series 1 or 2 of `sheet`, which outlives it: the fixed label column and the
  // series' columns up to Worksheet::LastColumn; the header row and rows 1 to kRows.
  DataGrid(Worksheet& sheet, int series, QWidget* parent = nullptr);
  ~DataGrid() override;

  int ColCount() const { return columns_; }
  int RowCount() const { return kRows + 1; }
  QString Cell(int col, int row) const;
  // Sets a cell outside the history of changes: headers, labels, a grid being prepared.
  void SetCell(int col, int row, const QString& text);
  // Every data cell's text, as the worksheet holds them.
  const GridTexts& Cells() const { return sheet_.Cells(series_); }

  int Col() const { return col_; }
  int Row() const { return row_; }
  // How the editor shows the text of a cell it moves to.
  enum class Caret { SelectAll, AtEnd };
  // Moves the current cell to a data cell; CurrentChanged follows when it moved. With `extend` the
  // block selection stretches from where it began to the new cell, otherwise it is just that cell.
  void SetCurrent(int col, int row, Caret caret = Caret::SelectAll, bool extend = false);
  // Moves the current cell along its row; a block selection keeps its corners, so that a block
  // stretched into a column the cursor may not rest in still holds it.
  void SetCol(int col);

  int TopRow() const;  // first data row on view
  void SetTopRow(int row);
  int VisibleRowCount() const;  // data rows that fit below the header row

  // The selected block of data cells; the current cell alone unless Shift stretched it.
  QRect Selection() const;
  // The block's corner opposite to where it began, which Shift and the arrows move on.
  QPoint BlockCorner() const { return corner_.value_or(QPoint(col_, row_)); }

  // Asks the clipboard (or PRIMARY) for its text and pastes it with PasteText when it comes,
  // unless the user has gone on meanwhile (moved, typed, or the cells changed); the windows work
  // on while the owner takes its time, and nothing happens when it does not answer.
  void Paste(orvelt::Selection which = orvelt::Selection::kClipboard);
  // A block of tab-separated lines fills cells from the current one to the right and down, one
  // step of the worksheet's history; any other text goes into the editor in place of its selection. False,
  // touching nothing, with TextTooLong, when a cell would get more than kMaxCellLength
  // characters.
  bool PasteText(const QString& text);
  // Where Paste reads the clipboard; the desktop's clipboard unless a test gives another.
  void SetClipboard(ClipboardReader* clipboard) { clipboard_ = clipboard; }
  // Puts the selected block on the clipboard as tab-separated lines ended by CR LF; false when
  // no more than the current cell is selected.
  bool CopyBlock() const;

  // Where the undo and redo keys go; none until set.
  void SetChanges(GridChanges* changes) { edits_ = changes; }
  // Typing in the current cell since it became current (or the program last set its text), as
  // one step of the history; nothing when its text is as it was then.
  void Commit();

  // The worksheet's news.
  void DataChanging() override { Commit(); }
  void CellChanged(int series, int col, int row) override;

  QLineEdit* Editor() const { return editor_; }
  // The cell's rectangle in viewport coordinates, without its grid lines.
  QRect CellRect(int col, int row) const;
  // The cell under a viewport position; false outside every cell.
  bool CellAt(QPoint pos, int& col, int& row) const;

 signals:
  void CurrentChanged();       // after every change of the current cell
  void DoubleClicked();        // anywhere on the grid, its fixed cells and its editor included
  void KeyPressed(QChar key);  // each character typed into the grid; Enter comes as '\r'
  // A typed or pasted text was refused because a cell would be longer than kMaxCellLength; the
  // cell is as it was.
  void TextTooLong();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Commit without touching the editor; true when there was typing.
  bool TakeTyping();
  bool EditorKey(class QKeyEvent* event);
  // Ctrl+Z, Ctrl+Y or Ctrl+Shift+Z: the editor's own typing first, then the history.
  bool UndoKey(const QKeyEvent* event);
  // Tells assistive technology which cell is current, once the running event is handled.
  void AnnounceCurrent();
  void EnsureVisible(int row);
  void UpdateScrollRange();
  void PlaceEditor();
  int RowTop(int row) const;  // viewport y of a row's top; may lie outside the view
  // Everything a paste lands on: the current cell, its editor's text, caret and selection.
  struct PasteSpot {
    quint64 changes;
    int caret, selectionStart, selectionLength;
    bool operator==(const PasteSpot&) const = default;
  };
  PasteSpot Spot() const;

  Worksheet& sheet_;
  int series_;
  int columns_;
  GridTexts fixed_;  // the header row and the label column
  bool typing_ = false;  // the editor's own text is going to the worksheet
  int col_ = 1, row_ = 1;
  QPoint anchor_{1, 1};  // where the block selection began
  std::optional<QPoint> corner_;  // its far corner, where that is not the current cell
  QLineEdit* editor_;
  QString committed_;  // the current cell's text when typing in it began
  GridChanges* edits_ = nullptr;
  bool announcing_ = false;
  quint64 changes_ = 0;  // of the current cell and of any cell's text
  ClipboardReader* clipboard_;
};

}  // namespace orvelt
