#include "graph/graph.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "core/messages.h"
#include "graph/drawgraph.h"
#include "graph/face.h"

namespace orvelt {

PictureView::PictureView(const Canvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::PictureChanged() {
  // A graph is a thousand drawings, and each update() costs a walk up to the window; the first
  // one until the next paint is enough. A hidden view paints whole when shown.
  fine_ = QImage();
  if (repaintAsked_) return;
  repaintAsked_ = true;
  update();
}

void PictureView::paintEvent(QPaintEvent* event) {
  repaintAsked_ = false;
  const double ratio = devicePixelRatioF();
  QPainter painter(this);
  if (ratio == 1) {
    // A strip at a time, drawn from the record: the window's own pixels are the one copy of
    // the picture that is kept.
    const QRect area = event->rect() & QRect(0, 0, canvas_.Width(), canvas_.Height());
    for (int y = area.top(); y <= area.bottom(); y += kStripRows) {
      const QRect strip(area.left(), y, area.width(), std::min(kStripRows, area.bottom() + 1 - y));
      painter.drawImage(strip.topLeft(), canvas_.Render(1, strip));
    }
    return;
  }
  if (fine_.isNull() || fine_.devicePixelRatio() != ratio) fine_ = canvas_.Render(ratio);
  painter.drawImage(QPoint(0, 0), fine_);
}

}  // namespace orvelt

TForm2::TForm2(const orvelt::Worksheet& sheet, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      canvas_(QSize(kPictureWidth, kPictureHeight)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Orvelt Ver. 1.10"));
  setFont(orvelt::JapaneseFont(12));
  // Closing the main window alone ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(353, 353);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Bevel1->setGeometry(8, 8, 337, 337);

  Image1 = new orvelt::PictureView(canvas_, this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(16, 16, 321, 321);

  FormCreate();
  Views = new orvelt::GraphViews(canvas_, this, sheet);
}

void TForm2::FormCreate() {
  canvas_.SetChangedHandler([this] { Image1->PictureChanged(); });
  orvelt::BlankGraphPicture(canvas_);
}

void TForm2::Activate() {
  if (!isVisible() || !isEnabled()) throw orvelt::CommandError(orvelt::kHiddenWindow);
  raise();
  activateWindow();
}

void TForm2::CopyPicture() const {
  QGuiApplication::clipboard()->setImage(canvas_.Image());
}

void TForm2::Dismiss() {
  dismissed_ = true;
  close();
}

void TForm2::closeEvent(QCloseEvent* event) {
  // The window offers no way to close it; it goes with the main window.
  if (!dismissed_) event->ignore();
}
