#include "ui/datagrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QValidator>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/block.h"
#include "ui/pasting.h"

namespace orvelt {

namespace {

constexpr int kPitchX = DataGrid::kColWidth + DataGrid::kLine;
constexpr int kPitchY = DataGrid::kRowHeight + DataGrid::kLine;
constexpr int kTextInset = 2;
// Of a cell's text, this much is laid out to be painted: far more than the cell shows.
constexpr qsizetype kPaintedLength = 256;

// Refuses whatever would make the cell longer than a cell may be, in one piece: the editor's
// own length limit would cut a pasted text short without a word.
class LengthValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& text, int&) const override {
    return text.size() > kMaxCellLength ? Invalid : Acceptable;
  }
};

// The beginning of a text, enough to fill a cell, without a character split in two.
QStringView Painted(const QString& text) {
  qsizetype length = std::min(text.size(), kPaintedLength);
  if (length < text.size() && text.at(length - 1).isHighSurrogate()) --length;
  return QStringView(text).first(length);
}

}  // namespace

GridObserver* gridObserver = nullptr;

void SetGridObserver(GridObserver* observer) {
  gridObserver = observer;
}

DataGrid::DataGrid(Worksheet& sheet, int series, QWidget* parent)
    : QAbstractScrollArea(parent),
      sheet_(sheet),
      series_(series),
      columns_(Worksheet::LastColumn(series) + 1),
      editor_(new QLineEdit(viewport())),
      clipboard_(&SystemClipboard()) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setBackgroundRole(QPalette::Base);

  editor_->setFrame(false);
  editor_->setTextMargins(0, 0, 0, 0);
  // Whatever a data file may hold; past that the validator refuses a change whole.
  editor_->setMaxLength(std::numeric_limits<int>::max());
  editor_->setValidator(new LengthValidator(editor_));
  // After the editor has finished with the key, paste or drop it refused.
  connect(editor_, &QLineEdit::inputRejected, this, &DataGrid::TextTooLong, Qt::QueuedConnection);
  editor_->installEventFilter(this);
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(editor_);
  connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) {
    typing_ = true;
    sheet_.SetCell(series_, col_, row_, text);
    typing_ = false;
    if (text != committed_) sheet_.Typing();
  });
  sheet_.AddListener(this);
  editor_->setText(Cell(col_, row_));
  PlaceEditor();
}

DataGrid::~DataGrid() {
  sheet_.RemoveListener(this);
}

QString DataGrid::Cell(int col, int row) const {
  if (col < 0 || col >= columns_ || row < 0 || row >= RowCount()) return {};
  return col == kLabelColumn || row == 0 ? fixed_[row][col] : Cells()[row][col];
}

void DataGrid::SetCell(int col, int row, const QString& text) {
  if (col < 0 || col >= columns_ || row < 0 || row >= RowCount()) return;
  if (col != kLabelColumn && row != 0) {
    sheet_.SetCell(series_, col, row, text);
    return;
  }
  fixed_[row][col] = text;
  viewport()->update(CellRect(col, row));
  if (gridObserver) gridObserver->CellTextChanged(this, col, row);
}

void DataGrid::CellChanged(int series, int col, int row) {
  if (series != series_) return;
  ++changes_;
  // The editor's own typing is the text it shows, and stays typing until committed.
  if (col == col_ && row == row_ && !typing_) {
    committed_ = Cell(col, row);
    if (editor_->text() != committed_) editor_->setText(committed_);
  }
  viewport()->update(CellRect(col, row));
  if (gridObserver) gridObserver->CellTextChanged(this, col, row);
}

void DataGrid::SetCurrent(int col, int row, Caret caret, bool extend) {
  col = std::clamp(col, 1, columns_ - 1);
  row = std::clamp(row, 1, RowCount() - 1);
  const bool moved = col != col_ || row != row_;
  TakeTyping();  // showing the cell anew takes the editor's own undo steps
  ++changes_;
  col_ = col;
  row_ = row;
  corner_.reset();
  if (!extend) anchor_ = QPoint(col, row);
  EnsureVisible(row);
  committed_ = Cell(col, row);
  editor_->setText(committed_);
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

bool DataGrid::TakeTyping() {
  const QString text = Cell(col_, row_);
  if (text == committed_) return false;
  const QString before = std::exchange(committed_, text);
  sheet_.Typed(series_, col_, row_, before, text);
  return true;
}

void DataGrid::Commit() {
  if (!TakeTyping()) return;
  // The typing is a step of the history now; the editor's own undo would take it back out of
  // turn. Setting the text anew forgets those steps; the caret and selection stay.
  const CaretSpot spot = CaretSpot::Of(editor_);
  editor_->setText(committed_);
  spot.Restore(editor_);
}

void DataGrid::AnnounceCurrent() {
  // Once the command is done: the Enter walk and the Omit guard pass through cells on the way.
  if (announcing_ || !gridObserver) return;
  announcing_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        announcing_ = false;
        if (gridObserver) gridObserver->CurrentCellShown(this);
      },
      Qt::QueuedConnection);
}

void DataGrid::SetCol(int col) {
  const QPoint corner = BlockCorner();
  const bool block = corner != anchor_;
  SetCurrent(col, row_, Caret::SelectAll, block);
  if (block && corner != QPoint(col_, row_)) corner_ = corner;
}

QRect DataGrid::Selection() const {
  // Not QRect::normalized(): a corner one cell up or left of the other reads as an empty rectangle.
  const QPoint corner = BlockCorner();
  return QRect(QPoint(std::min(anchor_.x(), corner.x()), std::min(anchor_.y(), corner.y())),
               QPoint(std::max(anchor_.x(), corner.x()), std::max(anchor_.y(), corner.y())));
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
  return col < columns_ && row < RowCount();
}

void DataGrid::EnsureVisible(int row) {
  const int visible = VisibleRowCount();
  if (row < TopRow()) SetTopRow(row);
  if (row >= TopRow() + visible) SetTopRow(row - visible + 1);
}

void DataGrid::UpdateScrollRange() {
  const int visible = VisibleRowCount();
  verticalScrollBar()->setRange(0, std::max(0, RowCount() - 1 - visible));
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
  const int last = std::min(RowCount() - 1, TopRow() + VisibleRowCount());
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
                     Painted(Cell(col, row)).toString());
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
    if (TakePasteEvent(editor_, event, [this](orvelt::Selection which) { Paste(which); }))
      return true;
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

DataGrid::PasteSpot DataGrid::Spot() const {
  return {changes_, editor_->cursorPosition(), editor_->selectionStart(),
          editor_->selectionLength()};
}

void DataGrid::Paste(orvelt::Selection which) {
  const PasteSpot spot = Spot();
  clipboard_->ReadText(which, this, [this, spot](const Pasted& pasted) {
    if (Spot() != spot) return;
    if (pasted.kind == Pasted::Kind::kTooLarge) {
      emit TextTooLong();
    } else if (pasted.kind == Pasted::Kind::kText) {
      PasteText(pasted.text);
    }
  });
}

bool DataGrid::PasteText(const QString& text) {
  const std::string utf8 = text.toStdString();
  if (!IsBlock(utf8)) {
    // As the editor's own paste would: in place of the selection, or at the caret.
    if (editor_->text().size() - editor_->selectedText().size() + text.size() > kMaxCellLength) {
      emit TextTooLong();
      return false;
    }
    if (!text.isEmpty() || editor_->hasSelectedText()) InsertPasted(editor_, text);
    return true;
  }
  const std::vector<PlacedField> fields =
      PlaceBlock(SplitBlock(utf8), col_, row_, columns_ - 1, RowCount() - 1);
  QStringList texts;
  for (const PlacedField& field : fields) {
    texts << QString::fromStdString(field.text);
    if (texts.back().size() > kMaxCellLength) {
      emit TextTooLong();
      return false;
    }
  }
  std::vector<CellWrite> writes;
  for (std::size_t i = 0; i < fields.size(); ++i)
    writes.push_back({series_, fields[i].col, fields[i].row, texts[qsizetype(i)]});
  sheet_.Write(writes);
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

bool DataGrid::UndoKey(const QKeyEvent* event) {
  const QKeyCombination key(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
  const bool undo = std::find(kUndoKeys.begin(), kUndoKeys.end(), key) != kUndoKeys.end();
  const bool redo = std::find(kRedoKeys.begin(), kRedoKeys.end(), key) != kRedoKeys.end();
  if (!undo && !redo) return false;
  if (undo && editor_->isUndoAvailable()) {
    editor_->undo();
  } else if (redo && editor_->isRedoAvailable()) {
    editor_->redo();
  } else if (edits_ && undo) {
    edits_->Undo();
  } else if (edits_) {
    edits_->Redo();
  }
  return true;
}

bool DataGrid::EditorKey(QKeyEvent* event) {
  if (UndoKey(event)) return true;
  if (event->matches(QKeySequence::Copy)) return CopyBlock();
  const QString text = editor_->text();
  const bool whole = editor_->hasSelectedText() && editor_->selectedText() == text;
  const bool atStart = editor_->cursorPosition() == 0 && (!editor_->hasSelectedText() || whole);
  const bool atEnd =
      editor_->cursorPosition() == text.size() && (!editor_->hasSelectedText() || whole);
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const QPoint from = extend ? BlockCorner() : QPoint(col_, row_);
  auto move = [&](int cols, int rows) {
    SetCurrent(from.x() + cols, from.y() + rows, Caret::SelectAll, extend);
    return true;
  };
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit KeyPressed(QChar('\r'));
      return true;  // a cell holds a single line
    case Qt::Key_Up:
      return move(0, -1);
    case Qt::Key_Down:
      return move(0, 1);
    case Qt::Key_PageUp:
      return move(0, -VisibleRowCount());
    case Qt::Key_PageDown:
      return move(0, VisibleRowCount());
    // Left and right move the caret inside the text and leave the cell at its ends.
    case Qt::Key_Left:
      return atStart && move(-1, 0);
    case Qt::Key_Right:
      return atEnd && move(1, 0);
    default:
      break;
  }
  const QString typed = event->text();
  if (!typed.isEmpty() && typed.at(0).isPrint()) emit KeyPressed(typed.at(0));
  return false;
}

}  // namespace orvelt
