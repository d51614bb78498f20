#pragma once
// The program's own help window: the manual, a small HTML file, shown in a text browser. No
// viewer of the platform is needed, so the help command answers on any desktop.

#include <QString>
#include <QWidget>

#include <optional>

#include "app/desktop.h"
#include "core/messages.h"

class QTextBrowser;

namespace orvelt {

class HelpViewer : public QWidget {
  Q_OBJECT

 public:
  // A window of its own that goes when `owner` goes; without an owner it stands alone.
  explicit HelpViewer(QWidget* owner = nullptr);

  // Reads the file anew and shows it from its beginning, the table of contents, in front.
  // When the file cannot be read the window is left as it was, and what the viewer says of it
  // comes back: nothing there, or what is there cannot be read, with the full path it looked for.
  std::optional<Refusal> Open(const QString& path);

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

// The help command's viewer: shows `path` in the owner's help window, made at the first call and
// reused after it; a file that cannot be read is reported in a box of its own and nothing else
// happens.
void ShowHelpWindow(Desktop& desktop, QWidget* owner, const QString& path);

}  // namespace orvelt
