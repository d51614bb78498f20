#include "ui/accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QLineEdit>
#include <QPointer>
#include <QWindow>

#include "ui/controls.h"
#include "ui/datagrid.h"

namespace orvelt {

namespace {

class GridAccessible;

// The table's children are the cells row by row, the header row and the label column included.
int ChildIndex(const DataGrid* grid, int col, int row) {
  return row * grid->ColCount() + col;
}

// One cell of a grid, the header row and the label column included. Grid coordinates; the
// table's own row and column numbers count data cells only, from 0.
class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  CellAccessible(DataGrid* grid, int col, int row) : grid_(grid), col_(col), row_(row) {}

  int Index() const { return ChildIndex(grid_, col_, row_); }
  const DataGrid* Grid() const { return grid_; }
  bool IsData() const { return col_ > 0 && row_ > 0; }

  bool isValid() const override { return grid_ != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return grid_ ? grid_->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(grid_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (!grid_ || (t != QAccessible::Name && t != QAccessible::Value)) return {};
    return grid_->Cell(col_, row_);
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!grid_) return {};
    const QRect cell = grid_->CellRect(col_, row_);
    return QRect(grid_->viewport()->mapToGlobal(cell.topLeft()), cell.size());
  }
  QAccessible::Role role() const override {
    if (row_ == 0) return QAccessible::ColumnHeader;
    if (col_ == 0) return QAccessible::RowHeader;
    return QAccessible::Cell;
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!grid_) {
      s.invalid = true;
      return s;
    }
    if (!grid_->isVisible()) s.invisible = true;
    // Data rows scrolled out of the view are off the screen; the header row always shows.
    const int top = grid_->TopRow();
    if (row_ > 0 && (row_ < top || row_ >= top + grid_->VisibleRowCount())) s.offscreen = true;
    if (IsData()) {
      s.focusable = true;
      s.selectable = true;
      s.selected = isSelected();
      s.focused = col_ == grid_->Col() && row_ == grid_->Row() && grid_->Editor()->hasFocus();
    }
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableCellInterface && IsData())
      return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
  }

  bool isSelected() const override {
    return grid_ && IsData() && grid_->Selection().contains(col_, row_);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override;
  QList<QAccessibleInterface*> rowHeaderCells() const override;
  int columnIndex() const override { return col_ - 1; }
  int rowIndex() const override { return row_ - 1; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

 private:
  QPointer<DataGrid> grid_;
  const int col_, row_;
};

// The grid as a table. Its children are every cell, row by row from the header row, followed by
// its widgets: the inside with the cell editor, and the scroll bar.
class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit GridAccessible(DataGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
  ~GridAccessible() override {
    for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  }

  DataGrid* Grid() const { return static_cast<DataGrid*>(widget()); }
  int CellCount() const { return Grid()->ColCount() * Grid()->RowCount(); }

  // The cell's view, made when first asked for and kept as long as the grid.
  CellAccessible* Cell(int col, int row) const {
    const int index = ChildIndex(Grid(), col, row);
    if (const auto found = cells_.constFind(index); found != cells_.constEnd())
      return static_cast<CellAccessible*>(QAccessible::accessibleInterface(*found));
    auto* cell = new CellAccessible(Grid(), col, row);
    cells_.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }
  CellAccessible* CellAtIndex(int index) const {
    return Cell(index % Grid()->ColCount(), index / Grid()->ColCount());
  }

  int childCount() const override { return CellCount() + Widgets().size(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0) return nullptr;
    if (index < CellCount()) return CellAtIndex(index);
    const QList<QWidget*> widgets = Widgets();
    index -= CellCount();
    return index < widgets.size() ? QAccessible::queryAccessibleInterface(widgets[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (const auto* cell = dynamic_cast<const CellAccessible*>(child))
      return cell->Grid() == Grid() ? cell->Index() : -1;
    const int index = child ? Widgets().indexOf(child->object()) : -1;
    return index < 0 ? -1 : CellCount() + index;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint global(x, y);
    QLineEdit* editor = Grid()->Editor();
    if (editor->isVisible() && QRect(editor->mapToGlobal(QPoint(0, 0)), editor->size()).contains(global))
      return QAccessible::queryAccessibleInterface(Grid()->viewport());
    int col, row;
    if (Grid()->viewport()->rect().contains(Grid()->viewport()->mapFromGlobal(global)) &&
        Grid()->CellAt(Grid()->viewport()->mapFromGlobal(global), col, row)) {
      return Cell(col, row);
    }
    return QAccessibleWidget::childAt(x, y);
  }

  QString text(QAccessible::Text t) const override {
    // The grid is named by its corner cell, " 系列１" or " 系列２".
    if (t == QAccessible::Name && Grid()->accessibleName().isEmpty()) return Grid()->Cell(0, 0);
    return QAccessibleWidget::text(t);
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
    return Cell(column + 1, row + 1);
  }
  int selectedCellCount() const override {
    const QRect s = Grid()->Selection();
    return s.width() * s.height();
  }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    const QRect s = Grid()->Selection();
    for (int row = s.top(); row <= s.bottom(); ++row)
      for (int col = s.left(); col <= s.right(); ++col) cells << Cell(col, row);
    return cells;
  }
  QString columnDescription(int column) const override { return Grid()->Cell(column + 1, 0); }
  QString rowDescription(int row) const override { return Grid()->Cell(0, row + 1); }
  int columnCount() const override { return Grid()->ColCount() - 1; }
  int rowCount() const override { return Grid()->RowCount() - 1; }
  // Whole rows or columns are selected only when the block spans the grid's data.
  QList<int> selectedColumns() const override {
    QList<int> columns;
    const QRect s = Grid()->Selection();
    if (s.height() == rowCount())
      for (int col = s.left(); col <= s.right(); ++col) columns << col - 1;
    return columns;
  }
  QList<int> selectedRows() const override {
    QList<int> rows;
    const QRect s = Grid()->Selection();
    if (s.width() == columnCount())
      for (int row = s.top(); row <= s.bottom(); ++row) rows << row - 1;
    return rows;
  }
  int selectedColumnCount() const override { return selectedColumns().size(); }
  int selectedRowCount() const override { return selectedRows().size(); }
  bool isColumnSelected(int column) const override { return selectedColumns().contains(column); }
  bool isRowSelected(int row) const override { return selectedRows().contains(row); }
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

 private:
  // The inside with the editor and the scroll bar that shows; not the hidden horizontal one.
  QList<QWidget*> Widgets() const {
    QList<QWidget*> widgets;
    for (QObject* o : Grid()->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w && !w->isWindow() && !w->isHidden()) widgets << w;
    }
    return widgets;
  }

  mutable QHash<int, QAccessible::Id> cells_;
};

QList<QAccessibleInterface*> CellAccessible::columnHeaderCells() const {
  auto* table = dynamic_cast<GridAccessible*>(parent());
  if (!table) return {};
  return {table->Cell(col_, 0)};
}

QList<QAccessibleInterface*> CellAccessible::rowHeaderCells() const {
  auto* table = dynamic_cast<GridAccessible*>(parent());
  if (!table) return {};
  return {table->Cell(0, row_)};
}

// A label named by its text alone: Qt's own view of an empty label falls back to the title of the
// group box around it, which would read as a result.
class TextLabelAccessible : public QAccessibleWidget {
 public:
  explicit TextLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("orvelt::DataGrid"))
    return new GridAccessible(static_cast<DataGrid*>(object));
  if (className == QLatin1String("orvelt::TextLabel"))
    return new TextLabelAccessible(static_cast<TextLabel*>(object));
  return nullptr;
}

GridAccessible* TableOf(DataGrid* grid) {
  return dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(grid));
}

// Tells assistive technology, when any listens, that a cell's text changed, and which cell is
// current.
class GridNews : public GridObserver {
 public:
  void CellTextChanged(DataGrid* grid, int col, int row) override {
    if (!QAccessible::isActive()) return;
    GridAccessible* table = TableOf(grid);
    if (!table) return;
    QAccessibleEvent cell(table->Cell(col, row), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&cell);
    if (col == 0 && row == 0) {
      QAccessibleEvent name(grid, QAccessible::NameChanged);
      QAccessible::updateAccessibility(&name);
    }
  }

  void CurrentCellShown(DataGrid* grid) override {
    if (!QAccessible::isActive() || !grid->Editor()->hasFocus()) return;
    GridAccessible* table = TableOf(grid);
    if (!table) return;
    QAccessibleEvent focus(table->Cell(grid->Col(), grid->Row()), QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
  }
};

}  // namespace

void InstallAccessibleControls() {
  static GridNews news;
  static const bool installed = (QAccessible::installFactory(&Factory), true);
  (void)installed;
  SetGridObserver(&news);
}

void RenewAccessible(QObject* control) {
  if (!QAccessible::isActive()) return;
  // Asked for while the control's base class was being built, Qt keeps its view of that class.
  QAccessibleInterface* view = QAccessible::queryAccessibleInterface(control);
  if (view && !dynamic_cast<GridAccessible*>(view) && !dynamic_cast<TextLabelAccessible*>(view))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(view));
}

}  // namespace orvelt
