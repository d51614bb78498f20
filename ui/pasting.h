#pragma once
// Every way a one-line edit box pastes, taken over so that each reads through the clipboard
// reader that never holds up the windows: the paste keys, the middle button and the context
// menu, whose paste item is offered without asking the clipboard anything first. The toolkit's
// own paths wait for the clipboard's owner with the event loop stopped.

#include <QObject>
#include <functional>

#include "app/clipboard.h"

class QEvent;
class QLineEdit;

namespace orvelt {

using PasteFrom = std::function<void(Selection)>;

// Takes `event` of `edit` when it would paste or open the context menu, and hands the paste to
// `paste`: Ctrl+V and Shift+Insert read the clipboard, Ctrl+Shift+Insert and the middle button
// PRIMARY, as the edit's own handling would. True when taken.
bool TakePasteEvent(QLineEdit* edit, QEvent* event, const PasteFrom& paste);

// An edit's caret and selection, to be put back after its text was set anew or the caret moved.
struct CaretSpot {
  int caret, start, length;

  static CaretSpot Of(const QLineEdit* edit);
  void Restore(QLineEdit* edit) const;
};

// Puts `text` in place of the selection, or at the caret, as a step of the edit's own undo.
void InsertPasted(QLineEdit* edit, const QString& text);

// The pastes of a plain edit box, each put in when its text comes, unless the user went on
// meanwhile (typed, moved the caret or selected).
class EditPaste : public QObject {
  Q_OBJECT

 public:
  explicit EditPaste(QLineEdit* edit);
  // Where the pastes read; the desktop's clipboard unless a test gives another.
  void SetClipboard(ClipboardReader* clipboard) { clipboard_ = clipboard; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Paste(Selection which);

  QLineEdit* edit_;
  ClipboardReader* clipboard_;
};

}  // namespace orvelt
