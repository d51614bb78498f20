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
  ThroughOrigin->setChecked(true);
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
  return view_;
}

void GraphViews::SetView(GraphView view) {
  // A menu item has checked itself by the time it reports.
  (view == GraphView::FitData ? FitData : ThroughOrigin)->setChecked(true);
  if (view == view_) return;
  view_ = view;
  if (sheet_.Result()) ResultChanged();
}

void GraphViews::ResultChanged() {
  DrawGraphPicture(canvas_, sheet_.Result(), sheet_.ResultBand(), {View()});
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
    if (key->key() == Qt::Key_F && !(key->modifiers() & chords)) {
      // Held down, the key switches once.
      if (!key->isAutoRepeat()) {
        SetView(View() == GraphView::FitData ? GraphView::ThroughOrigin : GraphView::FitData);
      }
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvelt
