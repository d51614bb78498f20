#include "app/desktop.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "output/output.h"

namespace orvelt {

namespace {

constexpr int kBoxTopOffset = 150;

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

class NameOnlyIcons : public QFileIconProvider {
 public:
  QIcon icon(const QFileInfo& info) const override {
    return QFileIconProvider::icon(info.isDir() ? Folder : File);
  }
  QString type(const QFileInfo& info) const override {
    if (!info.isFile()) return QFileIconProvider::type(info);
    const QMimeType mime =
        QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
  }
};

bool IsBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\u3000';
}

// Shown only when the dialog has opened; Qt's print dialog opens its own file dialog.
class FileDialogsByName : public QObject {
 public:
  FileDialogsByName() { qApp->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && qobject_cast<QFileDialog*>(watched))
      ShowFilesByName(watched);
    return false;
  }
};

}  // namespace

QString ChosenName(const QString& answer, const QString& defaultExt) {
  QString name = answer;
  const QFileInfo given(answer);
  if (!given.exists() && !given.isSymLink()) {
    while (!name.isEmpty() && IsBlank(name.back())) name.chop(1);
  }
  const QFileInfo info(name);
  if (!defaultExt.isEmpty() && !info.fileName().isEmpty() && !info.fileName().contains(u'.') &&
      !info.isDir()) {
    name += u'.' + defaultExt;
  }
  return name;
}

void ShowFilesByName(QObject* dialog) {
  static NameOnlyIcons icons;
  if (auto* files = qobject_cast<QFileDialog*>(dialog)) files->setIconProvider(&icons);
  for (QFileSystemModel* model : dialog->findChildren<QFileSystemModel*>())
    model->setIconProvider(&icons);
}

void PlaceBox(Box& box, QPoint mainWindowTopLeft, int leftOffset) {
  const int left = mainWindowTopLeft.x() + leftOffset;
  const int top = mainWindowTopLeft.y() + kBoxTopOffset;
  box.left = left >= 0 ? std::optional<int>(left) : std::nullopt;
  box.top = top >= 0 ? std::optional<int>(top) : std::nullopt;
}

QString GeneralErrorText(const QString& message) {
  if (message.isEmpty() || message.back().unicode() <= '.') return message;
  return message + '.';
}

Box BoxFor(const Message& message, const QString& text, QWidget* mainWindow) {
  Box box;
  box.text = text;
  box.beep = message.alert;
  bool centred = false;
  switch (message.kind) {
    case BoxKind::WarningQuestion:
    case BoxKind::WarningNotice:
      box.caption = QStringLiteral("警告");
      box.icon = BoxIcon::Warning;
      box.buttons = message.kind == BoxKind::WarningQuestion ? BoxButtons::YesNo : BoxButtons::Ok;
      break;
    case BoxKind::Error:
      box.caption = QStringLiteral("エラー");
      box.icon = BoxIcon::Error;
      break;
    case BoxKind::Confirmation:
      box.caption = QStringLiteral("確認");
      box.icon = BoxIcon::Question;
      box.buttons = BoxButtons::YesNo;
      break;
    case BoxKind::Plain:
      box.caption = kAppTitle;
      break;
    case BoxKind::General:
      box.caption = kAppTitle;
      box.text = GeneralErrorText(text);
      box.icon = BoxIcon::Error;
      centred = true;
      break;
    case BoxKind::Help:
      box.caption = kHelpTitle;
      box.icon = BoxIcon::Warning;
      centred = true;
      break;
  }
  if (!centred && mainWindow) PlaceBox(box, mainWindow->frameGeometry().topLeft(), message.left);
  return box;
}

Box BoxFor(const Message& message, QWidget* mainWindow, std::initializer_list<QString> parts) {
  std::vector<std::string> utf8;
  for (const QString& part : parts) utf8.push_back(part.toStdString());
  std::vector<std::string_view> views(utf8.begin(), utf8.end());
  return BoxFor(message, QString::fromStdString(MessageText(message, views)), mainWindow);
}

Box BoxFor(const Refusal& refusal, QWidget* mainWindow) {
  return BoxFor(*refusal.message, QString::fromStdString(refusal.text), mainWindow);
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
  ShowFilesByName(&d);
  d.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite |
               QFileDialog::HideNameFilterDetails);
  d.setAcceptMode(dialog.mode == FileDialog::Mode::Save ? QFileDialog::AcceptSave
                                                        : QFileDialog::AcceptOpen);
  d.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = NameFilters(dialog.filter);
  d.setNameFilters(filters);
  if (!filters.isEmpty()) d.selectNameFilter(filters.first());
  if (!dialog.folder.isEmpty()) d.setDirectory(dialog.folder);
  if (!dialog.fileName.isEmpty()) d.selectFile(dialog.fileName);
  const bool chosen = d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty();
  if (chosen) {
    dialog.fileName = ChosenName(d.selectedFiles().first(), dialog.defaultExt);
    // Qt names the chosen filter as the user sees it: the description alone.
    const QString selected = d.selectedNameFilter();
    const QStringList described = dialog.filter.split('|');
    dialog.chosenFilter = 0;
    for (int i = 0; i < filters.size(); ++i)
      if (filters[i] == selected || described.value(2 * i) == selected) dialog.chosenFilter = i;
  }
  if (active) active->activateWindow();
  return chosen;
}

bool QtDesktop::RunPrintDialog(QPrinter& printer) {
  QWidget* const active = QApplication::activeWindow();
  const FileDialogsByName opened;
  const bool chosen = ProgramOutput().RunPrintDialog(
      printer, Owner(), [](QWidget& dialog) { ShowFilesByName(&dialog); });
  if (active) active->activateWindow();
  return chosen;
}

}  // namespace orvelt
