#include "ui/pasting.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleHints>
#include <optional>
#include <tuple>

namespace orvelt {

namespace {

// An item as the edit's own menu shows it: the toolkit's text (and translation), its key when
// the desktop shows keys in menus, its theme icon.
QAction* Item(QMenu* menu, const char* name, const char* text, bool enabled,
              std::optional<QKeySequence::StandardKey> key = std::nullopt) {
  QString caption = QLineEdit::tr(text);
  if (key && QGuiApplication::styleHints()->showShortcutsInContextMenus())
    caption += QLatin1Char('\t') + QKeySequence(*key).toString(QKeySequence::NativeText);
  QAction* action = menu->addAction(caption);
  action->setObjectName(QLatin1String(name));
  action->setEnabled(enabled);
  if (QIcon::hasThemeIcon(QLatin1String(name)))
    action->setIcon(QIcon::fromTheme(QLatin1String(name)));
  return action;
}

// The edit's standard menu, but for its paste item, which is offered whenever the edit takes
// text: the toolkit's own asks the clipboard whether it holds text before the menu shows.
void ShowMenu(QLineEdit* edit, QPoint at, const PasteFrom& paste) {
  auto* menu = new QMenu(edit);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool writable = !edit->isReadOnly();
  const bool selected = edit->hasSelectedText() && edit->echoMode() == QLineEdit::Normal;
  if (writable) {
    QObject::connect(Item(menu, "edit-undo", "&Undo", edit->isUndoAvailable(), QKeySequence::Undo),
                     &QAction::triggered, edit, &QLineEdit::undo);
    QObject::connect(Item(menu, "edit-redo", "&Redo", edit->isRedoAvailable(), QKeySequence::Redo),
                     &QAction::triggered, edit, &QLineEdit::redo);
    menu->addSeparator();
    QObject::connect(Item(menu, "edit-cut", "Cu&t", selected, QKeySequence::Cut),
                     &QAction::triggered, edit, &QLineEdit::cut);
  }
  QObject::connect(Item(menu, "edit-copy", "&Copy", selected, QKeySequence::Copy),
                   &QAction::triggered, edit, &QLineEdit::copy);
  if (writable) {
    QObject::connect(Item(menu, "edit-paste", "&Paste", true, QKeySequence::Paste),
                     &QAction::triggered, edit, [paste] { paste(Selection::kClipboard); });
    QObject::connect(Item(menu, "edit-delete", "Delete", edit->hasSelectedText()),
                     &QAction::triggered, edit, &QLineEdit::del);
  }
  menu->addSeparator();
  const bool all = !edit->text().isEmpty() && edit->selectedText() != edit->text();
  QObject::connect(Item(menu, "select-all", "Select All", all, QKeySequence::SelectAll),
                   &QAction::triggered, edit, &QLineEdit::selectAll);
  menu->popup(at);
}

}  // namespace

bool TakePasteEvent(QLineEdit* edit, QEvent* event, const PasteFrom& paste) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool primary = key->key() == Qt::Key_Insert &&
                           key->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
      if (!primary && !key->matches(QKeySequence::Paste)) return false;
      if (!edit->isReadOnly()) paste(primary ? Selection::kPrimary : Selection::kClipboard);
      return true;
    }
    case QEvent::MouseButtonRelease:
      // The press has put the caret where the button went down, as for the edit's own paste.
      if (static_cast<QMouseEvent*>(event)->button() != Qt::MiddleButton || edit->isReadOnly())
        return false;
      edit->deselect();
      paste(Selection::kPrimary);
      return true;
    case QEvent::ContextMenu:
      ShowMenu(edit, static_cast<QContextMenuEvent*>(event)->globalPos(), paste);
      return true;
    default:
      return false;
  }
}

CaretSpot CaretSpot::Of(const QLineEdit* edit) {
  return {edit->cursorPosition(), edit->selectionStart(), edit->selectionLength()};
}

void CaretSpot::Restore(QLineEdit* edit) const {
  if (length == 0) {
    edit->setCursorPosition(caret);
  } else if (caret == start) {  // selected leftwards: the caret at its start
    edit->setSelection(start + length, -length);
  } else {
    edit->setSelection(start, length);
  }
}

void InsertPasted(QLineEdit* edit, const QString& text) {
  // A move of the caret ends the edit's running undo step, as its own paste does on both sides;
  // the caret and the selection are put back as they were.
  auto separate = [edit] {
    if (edit->text().isEmpty()) return;
    const CaretSpot spot = CaretSpot::Of(edit);
    edit->setCursorPosition(spot.caret > 0 ? spot.caret - 1 : spot.caret + 1);
    edit->setCursorPosition(spot.caret);
    spot.Restore(edit);
  };
  separate();
  edit->insert(text);
  separate();
}

EditPaste::EditPaste(QLineEdit* edit) : QObject(edit), edit_(edit), clipboard_(&SystemClipboard()) {
  edit->installEventFilter(this);
}

bool EditPaste::eventFilter(QObject* watched, QEvent* event) {
  return watched == edit_ &&
         TakePasteEvent(edit_, event, [this](Selection which) { Paste(which); });
}

void EditPaste::Paste(Selection which) {
  auto spot = [edit = edit_] {
    return std::make_tuple(edit->text(), edit->cursorPosition(), edit->selectionStart(),
                           edit->selectionLength());
  };
  clipboard_->ReadText(which, edit_, [this, before = spot(), spot](const Pasted& pasted) {
    if (pasted.kind == Pasted::Kind::kText && spot() == before && !edit_->isReadOnly())
      InsertPasted(edit_, pasted.text);
  });
}

}  // namespace orvelt
