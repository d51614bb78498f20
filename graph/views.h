#pragma once
// The graph window's two views of the worksheet's last fit: a new fit, a reset and a change of
// view draw the picture again.

#include <QObject>

#include "graph/canvas.h"
#include "graph/drawgraph.h"
#include "sheet/worksheet.h"

class QAction;
class QMenu;
class QWidget;

namespace orvelt {

class GraphViews : public QObject, public WorksheetListener {
  Q_OBJECT

 public:
  // Offers the views on `window`'s context menu (right click, the Menu key) and its F key, and
  // draws `sheet`'s fits on `canvas`; the worksheet outlives it. Through the origin until changed.
  GraphViews(Canvas& canvas, QWidget* window, const Worksheet& sheet);
  ~GraphViews() override;

  QMenu* Menu;
  QAction *ThroughOrigin, *FitData;  // "原点を含める", "データに合わせる"; one of them checked
  // The statistics of the last fit in a window of their own, also by T while the window is
  // active; whoever owns the windows opens it.
  QAction* Statistics;  // "回帰の統計(&T)..."
  // The picture out of the program, also by Ctrl+S and Ctrl+P while the window is active; whoever
  // owns the dialogs and the files answers them.
  QAction *SavePicture, *PrintPicture;  // "ｸﾞﾗﾌを保存(&S)...", "ｸﾞﾗﾌを印刷(&P)..."

  GraphView View() const;
  // Takes effect at once: a picture that holds a graph is drawn again in the new view.
  void SetView(GraphView view);
  // A blank picture with the worksheet's last fit on it, if any, in the current view, bands at
  // the multiple of its deviation chosen for it.
  void ResultChanged() override;
  // The formula of the graph shown, empty without one: the title of the picture's files.
  QString Title() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Canvas& canvas_;
  const Worksheet& sheet_;
  GraphView view_ = GraphView::ThroughOrigin;
};

}  // namespace orvelt
