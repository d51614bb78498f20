#include "ui/main.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("オルヴェルト Ver. 1.11"));
  resize(449, 380);
}
