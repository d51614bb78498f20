#pragma once
// The program's own help window: the manual, a small HTML file, shown in a text browser. No
// viewer of the platform is needed, so the help command answers on any desktop.

#include <QString>
#include <QWidget>

#include "app/desktop.h"

class QTextBrowser;

namespace orvelt {

inline const QString kHelpTitle = QStringLiteral("オルヴェルト ヘルプ");

// What the viewer says of a help file it cannot show: the full path it looked for, and whether
// nothing is there or what is there cannot be read.
QString MissingHelpText(const QString& fullPath);
QString UnreadableHelpText(const QString& fullPath);

// Caption the help window's title, the warning icon, one OK; centred on the screen.
Box HelpFileBox(const QString& text);

class HelpViewer : public QWidget {
  Q_OBJECT

 public:
  // A window of its own that goes when `owner` goes; without an owner it stands alone.
  explicit HelpViewer(QWidget* owner = nullptr);

  // Reads the file anew and shows it from its beginning, the table of contents, in front.
  // When the file cannot be read the window is left as it was and the text for the box comes
  // back; empty when the manual is shown.
  QString Open(const QString& path);

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

// The help command's viewer: shows `path` in the owner's help window, made at the first call and
// reused after it; a file that cannot be read is reported in a box of its own and nothing else
// happens.
void ShowHelpWindow(Desktop& desktop, QWidget* owner, const QString& path);

}  // namespace orvelt
