#pragma once
// A text grid with a fixed header row and label column and an editor that is always shown on the
// current cell. Cells hold free text; nothing is validated here.

#include <QAbstractScrollArea>
#include <QString>
#include <QVector>

class QLineEdit;

namespace orvelt {

class DataGrid : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kColWidth = 46, kRowHeight = 18, kLine = 1;

  // `columns` and `rows` count the fixed label column and header row.
  DataGrid(int columns, int rows, QWidget* parent = nullptr);

  int ColCount() const { return columns_; }
  int RowCount() const { return rows_; }
  QString Cell(int col, int row) const;
  void SetCell(int col, int row, const QString& text);

  int Col() const { return col_; }
  int Row() const { return row_; }
  // How the editor shows the text of a cell it moves to.
  enum class Caret { SelectAll, AtEnd };
  // Moves the current cell to a data cell; CurrentChanged follows when it moved. With `extend` the
  // block selection stretches from where it began to the new cell, otherwise it is just that cell.
  void SetCurrent(int col, int row, Caret caret = Caret::SelectAll, bool extend = false);
  void SetCol(int col) { SetCurrent(col, row_); }
  void SetRow(int row) { SetCurrent(col_, row); }

  int TopRow() const;  // first data row on view
  void SetTopRow(int row);
  int VisibleRowCount() const;  // data rows that fit below the header row

  // The selected block of data cells; the current cell alone unless Shift stretched it.
  QRect Selection() const;

  // Fills cells from the current one to the right and down with the clipboard's block of
  // tab-separated lines; false, touching nothing, when the clipboard's text is no block.
  bool PasteBlock();
  // Puts the selected block on the clipboard as tab-separated lines ended by CR LF; false when
  // no more than the current cell is selected.
  bool CopyBlock() const;

  QLineEdit* Editor() const { return editor_; }
  // The cell's rectangle in viewport coordinates, without its grid lines.
  QRect CellRect(int col, int row) const;
  // The cell under a viewport position; false outside every cell.
  bool CellAt(QPoint pos, int& col, int& row) const;

 signals:
  void CurrentChanged();       // after every change of the current cell
  void DoubleClicked();        // anywhere on the grid, its fixed cells and its editor included
  void KeyPressed(QChar key);  // each character typed into the grid; Enter comes as '\r'

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool EditorKey(class QKeyEvent* event);
  // Tells assistive technology which cell is current, once the running event is handled.
  void AnnounceCurrent();
  void EnsureVisible(int row);
  void UpdateScrollRange();
  void PlaceEditor();
  int RowTop(int row) const;  // viewport y of a row's top; may lie outside the view

  int columns_, rows_;
  QVector<QString> cells_;
  int col_ = 1, row_ = 1;
  QPoint anchor_{1, 1};  // where the block selection began
  QLineEdit* editor_;
  bool announcing_ = false;
};

}  // namespace orvelt
