#include "app/desktop.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "app/helpviewer.h"

namespace orvelt {

namespace {

constexpr int kBoxTopOffset = 150;

Box MakeBox(const QString& caption, BoxIcon icon, BoxButtons buttons, const QString& text,
            QWidget* mainWindow, int leftOffset) {
  Box box{caption, text, icon, buttons, std::nullopt, std::nullopt, false};
  if (mainWindow) PlaceBox(box, mainWindow->frameGeometry().topLeft(), leftOffset);
  return box;
}

// Positions itself once its size is known, before it reaches the screen.
class PlacedMessageBox : public QMessageBox {
 public:
  PlacedMessageBox(const Box& box, QWidget* owner) : QMessageBox(owner), box_(box) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize size = frameGeometry().size();
    move(box_.left.value_or(area.x() + (area.width() - size.width()) / 2),
         box_.top.value_or(area.y() + (area.height() - size.height()) / 2));
  }

 private:
  Box box_;
};

QMessageBox::Icon ToQt(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Warning:
      return QMessageBox::Warning;
    case BoxIcon::Error:
      return QMessageBox::Critical;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void PlaceBox(Box& box, QPoint mainWindowTopLeft, int leftOffset) {
  const int left = mainWindowTopLeft.x() + leftOffset;
  const int top = mainWindowTopLeft.y() + kBoxTopOffset;
  box.left = left >= 0 ? std::optional<int>(left) : std::nullopt;
  box.top = top >= 0 ? std::optional<int>(top) : std::nullopt;
}

Box WarningBox(const QString& text, QWidget* mainWindow, int leftOffset) {
  return MakeBox(QStringLiteral("警告"), BoxIcon::Warning, BoxButtons::YesNo, text, mainWindow,
                 leftOffset);
}

Box ErrorBox(const QString& text, QWidget* mainWindow, int leftOffset) {
  return MakeBox(QStringLiteral("エラー"), BoxIcon::Error, BoxButtons::Ok, text, mainWindow,
                 leftOffset);
}

Box ConfirmationBox(const QString& text, QWidget* mainWindow, int leftOffset) {
  return MakeBox(QStringLiteral("確認"), BoxIcon::Question, BoxButtons::YesNo, text, mainWindow,
                 leftOffset);
}

Box PlainBox(const QString& text, QWidget* mainWindow, int leftOffset) {
  return MakeBox(kAppTitle, BoxIcon::None, BoxButtons::Ok, text, mainWindow, leftOffset);
}

QWidget* QtDesktop::Owner() const {
  return mainWindow_ ? mainWindow_ : QApplication::activeWindow();
}

bool QtDesktop::Show(const Box& box) {
  QWidget* const active = QApplication::activeWindow();
  if (box.beep) QApplication::beep();
  PlacedMessageBox dialog(box, Owner());
  dialog.setWindowTitle(box.caption);
  dialog.setText(box.text);
  dialog.setIcon(ToQt(box.icon));
  QAbstractButton* yes = nullptr;
  if (box.buttons == BoxButtons::YesNo) {
    QPushButton* y = dialog.addButton(kYesCaption, QMessageBox::YesRole);
    QPushButton* n = dialog.addButton(kNoCaption, QMessageBox::NoRole);
    dialog.setDefaultButton(y);
    dialog.setEscapeButton(n);
    yes = y;
  } else {
    QPushButton* ok = dialog.addButton(kOkCaption, QMessageBox::AcceptRole);
    dialog.setDefaultButton(ok);
    dialog.setEscapeButton(ok);
    yes = ok;
  }
  dialog.exec();
  // Without a window manager nobody gives the focus back.
  if (active) active->activateWindow();
  return dialog.clickedButton() == yes;
}

QStringList NameFilters(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString pattern =
        parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
    filters << parts[i] + " (" + pattern + ')';
  }
  return filters;
}

bool QtDesktop::Run(FileDialog& dialog) {
  QWidget* const active = QApplication::activeWindow();
  // Qt's own dialog, the same everywhere; the commands make their own tests of the name.
  QFileDialog d(Owner());
  d.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite |
               QFileDialog::HideNameFilterDetails);
  d.setAcceptMode(dialog.mode == FileDialog::Mode::Save ? QFileDialog::AcceptSave
                                                        : QFileDialog::AcceptOpen);
  d.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = NameFilters(dialog.filter);
  d.setNameFilters(filters);
  if (!filters.isEmpty()) d.selectNameFilter(filters.first());
  d.setDefaultSuffix(dialog.defaultExt);
  if (!dialog.fileName.isEmpty()) d.selectFile(dialog.fileName);
  const bool chosen = d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty();
  if (chosen) dialog.fileName = d.selectedFiles().first();
  if (active) active->activateWindow();
  return chosen;
}

void QtDesktop::ShowHelp(const QString& path, QWidget* owner) {
  ShowHelpWindow(*this, owner, path);
}

}  // namespace orvelt
