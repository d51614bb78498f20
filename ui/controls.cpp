#include "ui/controls.h"

#include <QButtonGroup>
#include <QEvent>
#include <QPainter>
#include <QRadioButton>

namespace orvelt {

TextLabel::TextLabel(QWidget* parent) : QLabel(parent) {}

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
  auto* group = new QButtonGroup(this);
  for (const QString& item : items) {
    auto* button = new QRadioButton(item, this);
    group->addButton(button, buttons_.size());
    buttons_ << button;
  }
  connect(group, &QButtonGroup::idToggled, this, [this] { UpdateTabStop(); });
  SetItemIndex(0);
}

void RadioGroup::UpdateTabStop() {
  for (QRadioButton* button : buttons_)
    button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

int RadioGroup::ItemIndex() const {
  for (int i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->isChecked()) return i;
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  buttons_.at(index)->setChecked(true);
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  // The items share the height below the caption evenly.
  constexpr int kTop = 16, kBottom = 4, kLeft = 6, kRight = 2;
  const int pitch = (height() - kTop - kBottom) / std::max<int>(1, buttons_.size());
  for (int i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setGeometry(kLeft, kTop + i * pitch, width() - kLeft - kRight, pitch);
}

EtchedRule::EtchedRule(QWidget* parent) : QWidget(parent) {
  parent->installEventFilter(this);
}

bool EtchedRule::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) resize(static_cast<QWidget*>(watched)->width(), height());
  return false;
}

void EtchedRule::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::Mid));
  p.drawLine(0, 0, width() - 1, 0);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(0, 1, width() - 1, 1);
}

}  // namespace orvelt
