#include "graph/views.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace orvelt {

GraphViews::GraphViews(Canvas& canvas, QWidget* window, const Worksheet& sheet)
    : QObject(window), canvas_(canvas), sheet_(sheet) {
  Menu = new QMenu(window);
  Menu->setObjectName(QStringLiteral("ViewMenu"));
  auto* group = new QActionGroup(this);
  auto item = [&](const char* name, const QString& caption, GraphView view) {
    QAction* action = Menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, view] { SetView(view); });
    return action;
  };
  ThroughOrigin = item("ThroughOrigin", QStringLiteral("原点を含める"), GraphView::ThroughOrigin);
  FitData = item("FitData", QStringLiteral("データに合わせる"), GraphView::FitData);
  Residuals = item("Residuals", QStringLiteral("残差(&R)"), GraphView::Residuals);
  ThroughOrigin->setChecked(true);
  Menu->addSeparator();
  auto band = [&](const char* name, const QString& caption, void (GraphViews::*set)(bool)) {
    QAction* action = Menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, set](bool on) { (this->*set)(on); });
    return action;
  };
  Confidence = band("Confidence", QStringLiteral("95% 信頼帯(&M)"), &GraphViews::SetConfidence);
  Prediction = band("Prediction", QStringLiteral("95% 予測帯(&N)"), &GraphViews::SetPrediction);
  Menu->addSeparator();
  auto command = [&](const char* name, const QString& caption, QKeySequence key) {
    QAction* action = Menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    // Keys reach an action only from a widget of the active window that holds it.
    window->addAction(action);
    return action;
  };
  Statistics = command("Statistics", QStringLiteral("回帰の統計(&T)..."), Qt::Key_T);
  SavePicture = command("SavePicture", QStringLiteral("ｸﾞﾗﾌを保存(&S)..."), Qt::CTRL | Qt::Key_S);
  PrintPicture = command("PrintPicture", QStringLiteral("ｸﾞﾗﾌを印刷(&P)..."), Qt::CTRL | Qt::Key_P);
  // The window's own children take neither keys nor menus: both reach the window.
  window->installEventFilter(this);
  sheet_.AddListener(this);
}

GraphViews::~GraphViews() {
  sheet_.RemoveListener(this);
}

GraphView GraphViews::View() const {
  return choices_.view;
}

GraphChoices GraphViews::Choices() const {
  return choices_;
}

void GraphViews::SetView(GraphView view) {
  // A menu item has checked itself by the time it reports.
  (view == GraphView::FitData     ? FitData
   : view == GraphView::Residuals ? Residuals
                                  : ThroughOrigin)
      ->setChecked(true);
  if (view != GraphView::Residuals) frame_ = view;
  // The residuals have no curve to draw the bands about.
  Confidence->setEnabled(view != GraphView::Residuals);
  Prediction->setEnabled(view != GraphView::Residuals);
  GraphChoices choices = choices_;
  choices.view = view;
  Draw(choices);
}

void GraphViews::SetConfidence(bool on) {
  SetBand(Confidence, &GraphChoices::confidence, on);
}

void GraphViews::SetPrediction(bool on) {
  SetBand(Prediction, &GraphChoices::prediction, on);
}

void GraphViews::SetBand(QAction* item, bool GraphChoices::*band, bool on) {
  item->setChecked(on);
  GraphChoices choices = choices_;
  choices.*band = on;
  Draw(choices);
}

// Only a change that the picture shows draws it again.
void GraphViews::Draw(GraphChoices choices) {
  const bool shown = choices.view != choices_.view || choices.view != GraphView::Residuals;
  if (choices == choices_) return;
  choices_ = choices;
  if (shown && sheet_.Result()) ResultChanged();
}

void GraphViews::ResultChanged() {
  DrawGraphPicture(canvas_, sheet_.Result(), sheet_.ResultBand(), choices_);
}

QString GraphViews::Title() const {
  return GraphTitle(sheet_.Result());
}

bool GraphViews::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    Menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto chords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if ((key->key() == Qt::Key_F || key->key() == Qt::Key_R) && !(key->modifiers() & chords)) {
      // Held down, a key switches once.
      if (key->isAutoRepeat()) return true;
      if (key->key() == Qt::Key_F) {
        SetView(View() == GraphView::FitData ? GraphView::ThroughOrigin : GraphView::FitData);
      } else {
        SetView(View() == GraphView::Residuals ? frame_ : GraphView::Residuals);
      }
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvelt
