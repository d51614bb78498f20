#pragma once
// The graph window's views of the worksheet's last fit: a new fit, a reset and a change of view
// draw the picture again.

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
  // Offers the views on `window`'s context menu (right click, the Menu key) and its F and R keys,
  // and draws `sheet`'s fits on `canvas`; the worksheet outlives it. Through the origin and
  // without the 95 % bands until changed.
  GraphViews(Canvas& canvas, QWidget* window, const Worksheet& sheet);
  ~GraphViews() override;

  QMenu* Menu;
  // "原点を含める", "データに合わせる", "残差(&R)"; one of them checked.
  QAction *ThroughOrigin, *FitData, *Residuals;
  // "95% 信頼帯(&M)", "95% 予測帯(&N)": each on or off, for the graph of the curve; the residual
  // view has none.
  QAction *Confidence, *Prediction;
  // The statistics of the last fit in a window of their own, also by T while the window is
  // active; whoever owns the windows opens it.
  QAction* Statistics;  // "回帰の統計(&T)..."
  // The picture out of the program, also by Ctrl+S and Ctrl+P while the window is active; whoever
  // owns the dialogs and the files answers them.
  QAction *SavePicture, *PrintPicture;  // "ｸﾞﾗﾌを保存(&S)...", "ｸﾞﾗﾌを印刷(&P)..."

  GraphView View() const;
  // Takes effect at once: a picture that holds a graph is drawn again in the new view.
  void SetView(GraphView view);
  // What the graph is drawn with besides the fit's own choices.
  GraphChoices Choices() const;
  // Take effect at once, as a change of view does.
  void SetConfidence(bool on);
  void SetPrediction(bool on);
  // A blank picture with the worksheet's last fit on it, if any, in the current view, bands at
  // the multiple of its deviation chosen for it.
  void ResultChanged() override;
  // The formula of the graph shown, empty without one: the title of the picture's files.
  QString Title() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetBand(QAction* item, bool GraphChoices::*band, bool on);
  void Draw(GraphChoices choices);

  Canvas& canvas_;
  const Worksheet& sheet_;
  GraphChoices choices_;
  GraphView frame_ = GraphView::ThroughOrigin;  // the graph's frame, to go back to from residuals
};

}  // namespace orvelt
