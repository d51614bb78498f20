#pragma once
// Everything the program asks of the user or the desktop outside its own windows: message boxes,
// file dialogs, the help viewer and the alert sound. Tests put a scripted one in its place.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>

#include "core/messages.h"

class QObject;
class QPrinter;
class QWidget;

namespace orvelt {

inline const QString kAppTitle = QStringLiteral("オルヴェルト");
// The help window's title, also its boxes' caption.
inline const QString kHelpTitle = QStringLiteral("オルヴェルト ヘルプ");

// The captions of the boxes' buttons.
inline const QString kYesCaption = QStringLiteral("はい(&Y)");
inline const QString kNoCaption = QStringLiteral("いいえ(&N)");
inline const QString kOkCaption = QStringLiteral("OK");

enum class BoxIcon { None, Warning, Error, Question };
enum class BoxButtons { Ok, YesNo };

struct Box {
  QString caption;
  QString text;
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
  // Screen position of the top-left corner; centred on the screen along an axis without one.
  std::optional<int> left, top;
  bool beep = false;  // the alert sounds before the box shows
};

// The box `message` comes in, holding `text` (the message's text with its parts): caption, icon
// and buttons by its kind; placed at the main window's left + the message's offset and top + 150,
// or centred on the screen for the general error box and the help viewer's; the alert as the
// message says.
Box BoxFor(const Message& message, const QString& text, QWidget* mainWindow);
// With the message's own text and parts.
Box BoxFor(const Message& message, QWidget* mainWindow, std::initializer_list<QString> parts = {});
Box BoxFor(const Refusal& refusal, QWidget* mainWindow);

// The general error box's text: the message with a full stop, unless it is empty or already ends
// in "." or a sign below it.
QString GeneralErrorText(const QString& message);

// A coordinate that comes out negative is not applied.
void PlaceBox(Box& box, QPoint mainWindowTopLeft, int leftOffset);

// A file dialog that remembers the name last chosen in it.
struct FileDialog {
  enum class Mode { Open, Save };
  Mode mode = Mode::Open;
  // Pairs of a description and a pattern, separated by "|"; the first pair is selected.
  QString filter;
  QString defaultExt;  // appended to a name typed without an extension
  QString fileName;    // shown when the dialog opens; the chosen name afterwards
  QString folder;      // where it opens when it shows no name; the current folder if empty
  int chosenFilter = 0;  // afterwards: the pair selected when the name was chosen
};

// The name a file dialog's answer stands for: blanks typed after it are dropped, unless something
// of that very name is there (picked from the list, not typed), and `defaultExt` is appended to a
// file name without a dot.
QString ChosenName(const QString& answer, const QString& defaultExt);

// What the file dialogs show of a file is decided by its name: the toolkit's own provider reads a
// file's first bytes for its type, and some files (under /proc, say) never answer. Every file
// model in `dialog`, also those of its completers, gets it.
void ShowFilesByName(QObject* dialog);

// The filter's pairs as Qt's name filters. The description is what the user sees; "*.*" means
// every file, as it does on the platform the files come from.
QStringList NameFilters(const QString& filter);

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Shows a modal box; true when it was answered Yes (or OK).
  virtual bool Show(const Box& box) = 0;
  // Runs a modal file dialog; true when a name was chosen, now in dialog.fileName.
  virtual bool Run(FileDialog& dialog) = 0;
  // Runs the modal print dialog on `printer`; true when the user asked to print, the printer
  // then set up as chosen (a printer, or a PDF file and its name).
  virtual bool RunPrintDialog(QPrinter& printer) = 0;
  // Shows the help file in the help window owned by `owner`; a file that cannot be shown is
  // reported by the viewer itself, and the caller goes on either way.
  virtual void ShowHelp(const QString& path, QWidget* owner) = 0;
};

// The real desktop: Qt's message boxes and file dialogs, the program's own help window.
class QtDesktop : public Desktop {
 public:
  // Boxes and dialogs belong to the main window (are transient for it), so that a window system
  // which places them itself, as Wayland compositors do, puts them over it. Until it is set,
  // the window active at the time is the owner.
  void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

  bool Show(const Box& box) override;
  bool Run(FileDialog& dialog) override;
  bool RunPrintDialog(QPrinter& printer) override;
  void ShowHelp(const QString& path, QWidget* owner) override;

 private:
  QWidget* Owner() const;

  QWidget* mainWindow_ = nullptr;
};

}  // namespace orvelt
