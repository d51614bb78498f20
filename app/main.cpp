#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/main.h"

namespace {

// Without a display Qt aborts with a page of plugin diagnostics; one line says it better.
bool HasDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) return true;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!HasDisplay()) {
    std::fputs("orvelt: no display to open the window on (DISPLAY is not set)\n", stderr);
    return 1;
  }
  QApplication app(argc, argv);
  TForm1 form1;
  form1.show();
  return app.exec();
}
