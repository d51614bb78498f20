#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QResource>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "app/commandline.h"
#include "app/desktop.h"
#include "app/memory.h"
#include "graph/graph.h"
#include "program/script.h"
#include "ui/main.h"

namespace {

// Without a display Qt aborts with a page of plugin diagnostics; one line says it better.
bool HasDisplay() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// Where a Wayland display is there, the program is its client, whatever the toolkit's build
// would prefer: the compositor then places the boxes over the main window they belong to, and
// the windows are drawn at the screen's own scale. Without the Wayland plugin, or when its
// display does not answer, X11 serves.
void ChoosePlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "wayland;xcb");
  }
}

// Each picture's ARGB32 pixels, built into the program (packaging/icon_pixels.cpp) in a folder
// named by its size, "16x16".
QIcon ProgramIcon() {
  QIcon icon;
  for (const QString& size : QDir(QStringLiteral(":/icons")).entryList()) {
    const QResource pixels(QStringLiteral(":/icons/%1/orvelt.argb").arg(size));
    const int side = size.section(QLatin1Char('x'), 0, 0).toInt();
    if (pixels.compressionAlgorithm() != QResource::NoCompression ||
        pixels.size() != qint64(side) * side * 4)
      continue;
    // Copied: the resource's bytes need not lie on the words' boundaries.
    QImage image(side, side, QImage::Format_ARGB32);
    std::memcpy(image.bits(), pixels.data(), std::size_t(pixels.size()));
    icon.addPixmap(QPixmap::fromImage(std::move(image)));
  }
  return icon;
}

// About what the heap gains from here until both windows are shown: with it, 200 fewer page
// faults at start; with more, the spare pages would stay mapped unused.
constexpr std::size_t kWindowsHeap = 1024 * 1024;

// Runs `action` once, as soon as every one of `windows` is on the screen.
class WhenExposed : public QObject {
 public:
  WhenExposed(QList<QWidget*> windows, std::function<void()> action)
      : windows_(std::move(windows)), action_(std::move(action)) {
    for (QWidget* w : windows_) w->windowHandle()->installEventFilter(this);
    Check();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Expose) {
      // After the expose has been handled, so that the window is drawn before a box covers it.
      QTimer::singleShot(0, this, [this] { Check(); });
    }
    return false;
  }

 private:
  void Check() {
    if (!action_) return;
    for (QWidget* w : windows_)
      if (!w->windowHandle()->isExposed()) return;
    for (QWidget* w : windows_) w->windowHandle()->removeEventFilter(this);
    std::exchange(action_, nullptr)();
  }

  QList<QWidget*> windows_;
  std::function<void()> action_;
};

// The script's standard error holds its own messages: the toolkit's notes on the environment
// (no XDG_RUNTIME_DIR under env -i, say) would read as a failure there.
QtMessageHandler toolkitMessages = nullptr;
void KeepSevereMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) toolkitMessages(type, context, text);
}

// The script opens no window, whatever display there is: its picture is drawn off the screen,
// the same on any. Only the picture needs the toolkit's application.
int RunScript(const orvelt::CommandLine& line, char* program) {
  toolkitMessages = qInstallMessageHandler(KeepSevereMessages);
  std::unique_ptr<QGuiApplication> app;
  if (!line.script.picture.isEmpty()) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int toolkitArgc = 1;
    app = std::make_unique<QGuiApplication>(toolkitArgc, &program);
  }
  return orvelt::RunScript(line, stdout, stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  const orvelt::CommandLine line = orvelt::ParseCommandLine(arguments);
  switch (line.action) {
    case orvelt::CommandLine::Action::Help:
      std::fputs(orvelt::UsageText().toUtf8().constData(), stdout);
      return 0;
    case orvelt::CommandLine::Action::Version:
      std::fputs(orvelt::VersionLines().toUtf8().constData(), stdout);
      return 0;
    case orvelt::CommandLine::Action::Refuse:
      std::fprintf(stderr, "orvelt: %s\n\n%s", line.problem.toUtf8().constData(),
                   orvelt::UsageText().toUtf8().constData());
      return orvelt::kExitRefused;
    case orvelt::CommandLine::Action::Script:
      return RunScript(line, argv[0]);
    case orvelt::CommandLine::Action::Run:
      break;
  }
  if (!HasDisplay()) {
    std::fputs("orvelt: no display to open the window on (DISPLAY is not set)\n", stderr);
    return 1;
  }
  ChoosePlatform();
  orvelt::ShareOneHeap();
  orvelt::ReserveHeap(kWindowsHeap);
  // Fontconfig parses its configuration on first use, which the window's first text would wait
  // for; a second core does it while Qt connects to the display and loads its plugins.
  std::jthread fontconfig([] { FcInit(); });
  // The toolkit gets no argument of the command line: every one has been read above.
  int toolkitArgc = 1;
  QApplication app(toolkitArgc, argv);
  // Before the first text: a font looked up sooner would read the whole configuration a second
  // time, beside the thread, whenever the thread is late.
  fontconfig.join();
  orvelt::ConfigureApplication();
  QApplication::setWindowIcon(ProgramIcon());
  // The Wayland application id, by which the desktop finds the entry's name and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(ORVELT_APP_ID));

  orvelt::Worksheet sheet;
  orvelt::QtDesktop desktop;
  TForm1 form1(sheet, desktop);
  desktop.SetMainWindow(&form1);
  TForm2 form2(sheet);
  form1.SetGraphWindow(&form2);
  form1.Open();
  std::unique_ptr<WhenExposed> opener;
  if (!line.files.isEmpty()) {
    opener = std::make_unique<WhenExposed>(QList<QWidget*>{&form1, &form2},
                                           [&] { form1.OpenFiles(line.files); });
  }
  return app.exec();
}
