#include "ui/datagrid.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "core/block.h"
#include "ui/accessible.h"

namespace orvelt {

namespace {

constexpr int kPitchX = DataGrid::kColWidth + DataGrid::kLine;
constexpr int kPitchY = DataGrid::kRowHeight + DataGrid::kLine;
constexpr int kTextInset = 2;

}  // namespace

DataGrid::DataGrid(int columns, int rows, QWidget* parent)
    : QAbstractScrollArea(parent),
      columns_(columns),
      rows_(rows),
      cells_(columns * rows),
      editor_(new QLineEdit(viewport())) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setBackgroundRole(QPalette::Base);

  editor_->setFrame(false);
  editor_->setTextMargins(0, 0, 0, 0);
  editor_->installEventFilter(this);
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(editor_);
  connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) {
    cells_[row_ * columns_ + col_] = text;
    NotifyCellText(this, col_, row_);
  });
  editor_->setText(Cell(col_, row_));
  PlaceEditor();
  InstallAccessibleControls();
  RenewAccessible(this);
}

QString DataGrid::Cell(int col, int row) const {
  if (col < 0 || col >= columns_ || row < 0 || row >= rows_) return {};
  return cells_[row * columns_ + col];
}

void DataGrid::SetCell(int col, int row, const QString& text) {
  if (col < 0 || col >= columns_ || row < 0 || row >= rows_) return;
  cells_[row * columns_ + col] = text;
  if (col == col_ && row == row_ && editor_->text() != text) editor_->setText(text);
  viewport()->update(CellRect(col, row));
  NotifyCellText(this, col, row);
}

void DataGrid::SetCurrent(int col, int row, Caret caret, bool extend) {
  col = std::clamp(col, 1, columns_ - 1);
  row = std::clamp(row, 1, rows_ - 1);
  const bool moved = col != col_ || row != row_;
  col_ = col;
  row_ = row;
  if (!extend) anchor_ = QPoint(col, row);
  EnsureVisible(row);
  editor_->setText(Cell(col, row));
  if (caret == Caret::SelectAll) {
    editor_->selectAll();
  } else {
    editor_->deselect();
    editor_->end(false);
  }
  PlaceEditor();
  viewport()->update();
  if (!moved) return;
  emit CurrentChanged();
  AnnounceCurrent();
}

void DataGrid::AnnounceCurrent() {
  // Once the command is done: the Enter walk and the Omit guard pass through cells on the way.
  if (announcing_ || !QAccessible::isActive()) return;
  announcing_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        announcing_ = false;
        NotifyCurrentCell(this);
      },
      Qt::QueuedConnection);
}

QRect DataGrid::Selection() const {
  // Not QRect::normalized(): a corner one cell up or left of the other reads as an empty rectangle.
  return QRect(QPoint(std::min(anchor_.x(), col_), std::min(anchor_.y(), row_)),
               QPoint(std::max(anchor_.x(), col_), std::max(anchor_.y(), row_)));
}

int DataGrid::TopRow() const {
  return 1 + verticalScrollBar()->value();
}

void DataGrid::SetTopRow(int row) {
  verticalScrollBar()->setValue(row - 1);
}

int DataGrid::VisibleRowCount() const {
  return std::max(1, (viewport()->height() - kPitchY) / kPitchY);
}

int DataGrid::RowTop(int row) const {
  return row == 0 ? 0 : (row - TopRow() + 1) * kPitchY;
}

QRect DataGrid::CellRect(int col, int row) const {
  return QRect(col * kPitchX, RowTop(row), kColWidth, kRowHeight);
}

bool DataGrid::CellAt(QPoint pos, int& col, int& row) const {
  if (pos.x() < 0 || pos.y() < 0) return false;
  col = pos.x() / kPitchX;
  const int slot = pos.y() / kPitchY;
  row = slot == 0 ? 0 : TopRow() + slot - 1;
  return col < columns_ && row < rows_;
}

void DataGrid::EnsureVisible(int row) {
  const int visible = VisibleRowCount();
  if (row < TopRow()) SetTopRow(row);
  if (row >= TopRow() + visible) SetTopRow(row - visible + 1);
}

void DataGrid::UpdateScrollRange() {
  const int visible = VisibleRowCount();
  verticalScrollBar()->setRange(0, std::max(0, rows_ - 1 - visible));
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
}

void DataGrid::PlaceEditor() {
  // A current row scrolled out of view keeps its editor, and the focus, out of sight.
  const bool onView = row_ >= TopRow() && row_ < TopRow() + VisibleRowCount();
  QRect rect = onView ? CellRect(col_, row_) : QRect(-1000, -1000, kColWidth, kRowHeight);
  // With a fractional number of device pixels to the pixel the rounded editor would cover the
  // cell's lines; one pixel less leaves them, and the cell's own ground fills the rest.
  const double ratio = devicePixelRatioF();
  if (ratio != std::floor(ratio)) rect.adjust(0, 0, -1, -1);
  editor_->setGeometry(rect);
}

void DataGrid::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const QPalette& pal = palette();
  const QRect block = Selection();
  const int last = std::min(rows_ - 1, TopRow() + VisibleRowCount());
  // Grounds first, then lines, then texts: on a screen with a fractional number of device pixels
  // to the pixel a cell's ground can reach into its neighbour's line.
  for (int pass = 0; pass < 3; ++pass) {
    for (int row = 0; row <= last; row = row == 0 ? TopRow() : row + 1) {
      for (int col = 0; col < columns_; ++col) {
        const QRect cell = CellRect(col, row);
        const bool fixed = col == 0 || row == 0;
        const bool selected = !fixed && block.contains(col, row);
        if (pass == 0) {
          // The current cell lies under the editor, which may leave an edge of its ground free.
          const bool underEditor = col == col_ && row == row_;
          p.fillRect(cell, pal.color(fixed                      ? QPalette::Button
                                     : selected && !underEditor ? QPalette::Highlight
                                                                : QPalette::Base));
        } else if (pass == 1) {
          if (fixed) {
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(cell.topLeft(), cell.topRight());
            p.drawLine(cell.topLeft(), cell.bottomLeft());
          }
          p.setPen(pal.color(QPalette::Mid));
          p.drawLine(cell.right() + 1, cell.top(), cell.right() + 1, cell.bottom() + 1);
          p.drawLine(cell.left(), cell.bottom() + 1, cell.right() + 1, cell.bottom() + 1);
        } else {
          p.setPen(pal.color(fixed      ? QPalette::ButtonText
                             : selected ? QPalette::HighlightedText
                                        : QPalette::Text));
          p.setClipRect(cell);
          p.drawText(cell.adjusted(kTextInset, kTextInset, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     Cell(col, row));
          p.setClipping(false);
        }
      }
    }
  }
}

void DataGrid::mousePressEvent(QMouseEvent* event) {
  int col, row;
  if (event->button() == Qt::LeftButton && CellAt(event->position().toPoint(), col, row) &&
      col > 0 && row > 0) {
    SetCurrent(col, row);
  }
  setFocus(Qt::MouseFocusReason);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

void DataGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
  PlaceEditor();
}

void DataGrid::scrollContentsBy(int, int) {
  PlaceEditor();
  viewport()->update();
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_) {
    if (event->type() == QEvent::KeyPress) return EditorKey(static_cast<QKeyEvent*>(event));
    // After the editor's own focus news, so that the cell is what the focus is on at last.
    if (event->type() == QEvent::FocusIn) AnnounceCurrent();
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      emit DoubleClicked();
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

bool DataGrid::PasteBlock() {
  const std::string text = QGuiApplication::clipboard()->text().toStdString();
  if (!IsBlock(text)) return false;
  for (const PlacedField& field :
       PlaceBlock(SplitBlock(text), col_, row_, columns_ - 1, rows_ - 1)) {
    SetCell(field.col, field.row, QString::fromStdString(field.text));
  }
  // As after typing: the cell's text with the caret at its end.
  editor_->setText(Cell(col_, row_));
  editor_->deselect();
  editor_->end(false);
  return true;
}

bool DataGrid::CopyBlock() const {
  const QRect block = Selection();
  if (block.width() * block.height() < 2) return false;
  TextBlock cells;
  for (int row = block.top(); row <= block.bottom(); ++row) {
    cells.emplace_back();
    for (int col = block.left(); col <= block.right(); ++col)
      cells.back().push_back(Cell(col, row).toStdString());
  }
  QGuiApplication::clipboard()->setText(QString::fromStdString(JoinBlock(cells)));
  return true;
}

bool DataGrid::EditorKey(QKeyEvent* event) {
  // A block on the clipboard fills cells; any other text goes into the editor as it always did.
  if (event->matches(QKeySequence::Paste)) return PasteBlock();
  if (event->matches(QKeySequence::Copy)) return CopyBlock();
  const QString text = editor_->text();
  const bool whole = editor_->hasSelectedText() && editor_->selectedText() == text;
  const bool atStart = editor_->cursorPosition() == 0 && (!editor_->hasSelectedText() || whole);
  const bool atEnd =
      editor_->cursorPosition() == text.size() && (!editor_->hasSelectedText() || whole);
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  auto move = [&](int col, int row) {
    SetCurrent(col, row, Caret::SelectAll, extend);
    return true;
  };
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit KeyPressed(QChar('\r'));
      return true;  // a cell holds a single line
    case Qt::Key_Up:
      return move(col_, row_ - 1);
    case Qt::Key_Down:
      return move(col_, row_ + 1);
    case Qt::Key_PageUp:
      return move(col_, row_ - VisibleRowCount());
    case Qt::Key_PageDown:
      return move(col_, row_ + VisibleRowCount());
    // Left and right move the caret inside the text and leave the cell at its ends.
    case Qt::Key_Left:
      return atStart && move(col_ - 1, row_);
    case Qt::Key_Right:
      return atEnd && move(col_ + 1, row_);
    default:
      break;
  }
  const QString typed = event->text();
  if (!typed.isEmpty() && typed.at(0).isPrint()) emit KeyPressed(typed.at(0));
  return false;
}

}  // namespace orvelt
