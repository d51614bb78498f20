#pragma once
// The graph window's two views, and the last graph drawn in it, so that a change of view draws
// that graph again without a new compute.

#include <QObject>
#include <memory>

#include "graph/canvas.h"
#include "graph/drawgraph.h"

class QAction;
class QMenu;
class QWidget;

namespace orvelt {

class GraphViews : public QObject {
  Q_OBJECT

 public:
  // Offers the views on `window`'s context menu (right click, the Menu key) and its F key, and
  // draws on `canvas`. Through the origin until changed.
  GraphViews(Canvas& canvas, QWidget* window);

  QMenu* Menu;
  QAction *ThroughOrigin, *FitData;  // "原点を含める", "データに合わせる"; one of them checked
  // The picture out of the program, also by Ctrl+S and Ctrl+P while the window is active; whoever
  // owns the dialogs and the files answers them.
  QAction *SavePicture, *PrintPicture;  // "ｸﾞﾗﾌを保存(&S)...", "ｸﾞﾗﾌを印刷(&P)..."

  GraphView View() const;
  // Takes effect at once: a picture that holds a graph is drawn again in the new view.
  void SetView(GraphView view);
  // A blank picture with the graph of the fit on it in the current view, bands at `bandMultiple`
  // times its deviation; both are kept for a change of view.
  void Show(std::shared_ptr<const FitResult> result, int bandMultiple);
  // The results reset: a blank picture, and no graph to draw again.
  void Blank();
  // The formula of the graph shown, empty without one: the title of the picture's files.
  QString Title() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Draw();

  Canvas& canvas_;
  GraphView view_ = GraphView::ThroughOrigin;
  std::shared_ptr<const FitResult> result_;  // none after a reset
  int bandMultiple_ = 0;
};

}  // namespace orvelt
