#include "app/helpviewer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/desktop.h"

namespace orvelt {

namespace {

constexpr int kViewerWidth = 600, kViewerHeight = 640;
constexpr int kTextPixels = 14;

}  // namespace

HelpViewer::HelpViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("HelpViewer"));
  setWindowTitle(kHelpTitle);
  // The main window's closing alone ends the program, and takes this window with it.
  setAttribute(Qt::WA_QuitOnClose, false);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpText"));
  // The application's Japanese face, a little larger than the windows' for reading.
  QFont font = QApplication::font();
  font.setPixelSize(kTextPixels);
  browser_->setFont(font);
  // The manual's links lead to its own sections; nothing opens outside the window.
  browser_->setOpenLinks(false);
  browser_->setOpenExternalLinks(false);
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (url.hasFragment()) browser_->scrollToAnchor(url.fragment());
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
  resize(kViewerWidth, kViewerHeight);
}

std::optional<Refusal> HelpViewer::Open(const QString& path) {
  const QFileInfo info(path);
  const QString full = info.absoluteFilePath();
  const std::string fullUtf8 = full.toStdString();
  if (!info.exists()) return RefuseAbout(kHelpMissing, fullUtf8);
  QFile file(full);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly))
    return RefuseAbout(kHelpUnreadable, fullUtf8);
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return RefuseAbout(kHelpUnreadable, fullUtf8);

  // The file names its character set; without one it is UTF-8.
  QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
  if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
  const QString html = decoder(bytes);
  browser_->setSearchPaths({info.absolutePath()});
  browser_->setHtml(html);
  browser_->moveCursor(QTextCursor::Start);
  browser_->verticalScrollBar()->setValue(0);

  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  return std::nullopt;
}

// The real desktop's help is this window; it is defined here so that the desktop needs nothing of
// the viewer.
void QtDesktop::ShowHelp(const QString& path, QWidget* owner) {
  ShowHelpWindow(*this, owner, path);
}

void ShowHelpWindow(Desktop& desktop, QWidget* owner, const QString& path) {
  static QPointer<HelpViewer> lone;
  HelpViewer* viewer =
      owner ? owner->findChild<HelpViewer*>(QString(), Qt::FindDirectChildrenOnly) : lone.data();
  if (!viewer) {
    viewer = new HelpViewer(owner);
    if (!owner) lone = viewer;
  }
  if (const std::optional<Refusal> problem = viewer->Open(path))
    desktop.Show(BoxFor(*problem, owner));
}

}  // namespace orvelt
