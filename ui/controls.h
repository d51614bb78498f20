#pragma once
// Small controls of the main window that Qt lacks as such.

#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QWidget>

class QRadioButton;

namespace orvelt {

// A group box holding one column of exclusive radio buttons; one of them is always selected, and
// only that one is a stop of the Tab key.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  RadioGroup(const QString& caption, const QStringList& items, QWidget* parent);

  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const { return buttons_.at(index); }
  int Count() const { return buttons_.size(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateTabStop();

  QList<QRadioButton*> buttons_;
};

// A label that assistive technology knows by its text alone, also while the text is empty.
class TextLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TextLabel(QWidget* parent);
};

// A single etched horizontal rule along the top edge of its parent, as wide as the parent.
class EtchedRule : public QWidget {
 public:
  explicit EtchedRule(QWidget* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace orvelt
