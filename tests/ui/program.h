#pragma once
// Both windows of the program as start-up leaves them, with a scripted desktop.

#include <QLabel>
#include <QStringList>

#include "graph/graph.h"
#include "tests/scripted_desktop.h"
#include "ui/datagrid.h"
#include "ui/main.h"

using namespace orvelt;

struct Row {
  int row;
  const char* x;
  const char* y;
  const char* omit = "";
};

struct Program {
  DataStore store;
  ScriptedDesktop desktop;
  TForm1 form1{store, desktop};
  TForm2 form2;

  Program() {
    form1.SetGraphWindow(&form2);
    form1.move(60, 40);
    form1.show();
    form1.raise();
    form1.activateWindow();
  }

  void Fill(std::initializer_list<Row> rows, DataGrid* grid = nullptr) {
    grid = grid ? grid : form1.StringGrid1;
    for (const Row& r : rows) {
      grid->SetCell(1, r.row, QString::fromUtf8(r.x));
      grid->SetCell(2, r.row, QString::fromUtf8(r.y));
      if (grid->ColCount() > 3) grid->SetCell(3, r.row, QString::fromUtf8(r.omit));
    }
  }

  QStringList Labels() const {
    QStringList texts;
    for (QLabel* l : {form1.Label2, form1.Label3, form1.Label4, form1.Label5, form1.Label6})
      texts << l->text();
    return texts;
  }

  bool PictureIsBlank() const {
    const QImage& p = form2.Picture();
    for (int y = 0; y < p.height(); ++y)
      for (int x = 0; x < p.width(); ++x) {
        const bool outline = y < 321 && (x == 0 || x == 320 || y == 0 || y == 320);
        if (p.pixel(x, y) != (outline ? 0xff000000u : 0xffffffffu)) return false;
      }
    return true;
  }

  QPoint Offset(const Box& box) const {
    const QPoint corner = form1.frameGeometry().topLeft();
    return QPoint(box.left.value_or(-9999) - corner.x(), box.top.value_or(-9999) - corner.y());
  }
};

Q_DECLARE_METATYPE(Row)

inline const QStringList kBareLabels{"a =", "b =", "c =", "data :", "標準偏差 ="};
