// The reference of bench/run.sh's targets: the empty window with one line of Japanese text, which
// is what starting fontconfig, a Japanese face and its fallbacks costs any program that shows
// such text.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setCentralWidget(new QLabel(QStringLiteral("回帰式計算")));
  window.show();
  return app.exec();
}
