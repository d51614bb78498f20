#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <thread>

#include "app/desktop.h"
#include "graph/graph.h"
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

}  // namespace

int main(int argc, char* argv[]) {
  if (!HasDisplay()) {
    std::fputs("orvelt: no display to open the window on (DISPLAY is not set)\n", stderr);
    return 1;
  }
  // Fontconfig parses its configuration on first use, which the window's first text would wait
  // for; a second core does it while Qt connects to the display and loads its plugins.
  std::jthread fontconfig([] { FcInit(); });
  // The windows keep their pixel layout at any screen resolution.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication app(argc, argv);
  orvelt::ConfigureApplication();

  fontconfig.join();

  orvelt::DataStore store;
  orvelt::QtDesktop desktop;
  TForm1 form1(store, desktop);
  TForm2 form2;
  form1.SetGraphWindow(&form2);
  form1.Open();
  return app.exec();
}
