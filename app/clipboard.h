#pragma once
// The clipboard's text for a paste, read without holding up the windows: the program that owns
// the clipboard answers in an event of its own, and one that never answers costs one timeout
// during which the windows work on.

#include <QString>
#include <functional>

class QObject;

namespace orvelt {

// How long a paste waits for the clipboard's owner: the toolkit's own clipboard timeout.
inline constexpr int kClipboardTimeoutMs = 5000;
// The most bytes a paste takes, far more than the grids can hold; more is refused, not held.
inline constexpr qsizetype kMaxClipboardBytes = qsizetype{32} << 20;

struct Pasted {
  enum class Kind {
    kText,      // `text` is the clipboard's plain text
    kNothing,   // no text there, or no answer in time
    kTooLarge,  // more than kMaxClipboardBytes
  };
  Kind kind = Kind::kNothing;
  QString text;
};

// What a paste reads: the clipboard (Ctrl+V), or X11's PRIMARY selection, the text selected last
// anywhere (the middle button).
enum class Selection { kClipboard, kPrimary };

class ClipboardReader {
 public:
  using Done = std::function<void(const Pasted&)>;

  virtual ~ClipboardReader() = default;
  // Asks the selection once for its plain text and hands what came to `done`, now or from a
  // later event; never once `context` is gone. A request while one for the same selection is
  // waiting takes its place: the answer to the first serves the second, and the first's `done`
  // is dropped. The two selections wait apart.
  virtual void ReadText(Selection which, QObject* context, Done done) = 0;
};

// The desktop's clipboard: on X11 the CLIPBOARD or PRIMARY selection, asked for UTF8_STRING
// (STRING where the owner has no UTF-8) on the toolkit's own connection, the answer taken from
// its event stream; the program's own text from the toolkit's memory once the X server names
// the program as the owner. Elsewhere the toolkit's own clipboard, asked and answered at once.
ClipboardReader& SystemClipboard();

}  // namespace orvelt
