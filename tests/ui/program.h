#pragma once
// Both windows of the program as start-up leaves them, with a scripted desktop.

#include <QLabel>
#include <QStringList>

#include "graph/graph.h"
#include "tests/core/grid_builder.h"
#include "tests/scripted_desktop.h"
#include "ui/datagrid.h"
#include "ui/main.h"

using namespace orvelt;

using Row = Row1;

struct Program {
  Worksheet sheet;
  const DataStore& store = sheet.Store();
  ScriptedDesktop desktop;
  TForm1 form1{sheet, desktop};
  TForm2 form2{sheet};

  Program() {
    form1.SetGraphWindow(&form2);
    form1.move(60, 40);
    form1.Open();
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

  // A box as the user meets it, in one line: caption, icon, buttons, place, sound and text, e.g.
  // "確認 question yes-no +125+150 quiet: ..."; the place is relative to the main window, "c" for
  // centred on the screen along that axis.
  QString Shown(const Box& box) const {
    static const char* const icons[] = {"no-icon", "warning", "error", "question"};
    const QPoint corner = form1.frameGeometry().topLeft();
    auto place = [](std::optional<int> at, int from) {
      return at ? QString::number(*at - from) : QStringLiteral("c");
    };
    return QStringLiteral("%1 %2 %3 +%4+%5 %6: %7")
        .arg(box.caption, QLatin1String(icons[int(box.icon)]),
             QLatin1String(box.buttons == BoxButtons::YesNo ? "yes-no" : "ok"),
             place(box.left, corner.x()), place(box.top, corner.y()),
             QLatin1String(box.beep ? "beep" : "quiet"), box.text);
  }
};

// Every cell of a grid, headers and labels included, row by row.
inline QStringList AllCells(const DataGrid* g) {
  QStringList cells;
  for (int r = 0; r < g->RowCount(); ++r)
    for (int c = 0; c < g->ColCount(); ++c) cells << g->Cell(c, r);
  return cells;
}

Q_DECLARE_METATYPE(Row)

inline const QStringList kBareLabels{"a =", "b =", "c =", "data :", "標準偏差 ="};
