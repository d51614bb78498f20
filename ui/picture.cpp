#include "ui/picture.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <algorithm>
#include <cerrno>
#include <string>

#include "app/errors.h"
#include "output/output.h"

namespace orvelt {

namespace {

// Saves as a data file is saved; its failure is told with the file's name, which the picture's
// commands, unlike the data file's, may have made up.
template <class Save>
void Write(Desktop& desktop, const QString& path, Save&& save) {
  try {
    save();
  } catch (const CommandError& e) {
    desktop.Show(GeneralErrorBox(QString::fromUtf8(e.what()), QDir::toNativeSeparators(path)));
  }
}

}  // namespace

FileDialog PictureDialog() {
  FileDialog dialog;
  dialog.mode = FileDialog::Mode::Save;
  dialog.filter =
      QStringLiteral("PNG 画像(*.png)|*.png|SVG 画像(*.svg)|*.svg|PDF 文書(*.pdf)|*.pdf");
  return dialog;
}

PictureFile PictureFileOf(const QString& name, int chosenFilter) {
  if (const auto format = PictureFormatOf(name)) return {name, *format};
  // The dialog's filters are in the formats' order.
  const auto chosen = static_cast<PictureFormat>(std::clamp(chosenFilter, 0, kPictureFormats - 1));
  return {name + '.' + QLatin1String(PictureExtension(chosen)), chosen};
}

void SavePicture(Desktop& desktop, FileDialog& dialog, QWidget* mainWindow, const Canvas& canvas,
                 const QString& title, FileSystem& files) {
  dialog.fileName.clear();
  if (!desktop.Run(dialog)) return;
  const PictureFile file = PictureFileOf(dialog.fileName, dialog.chosenFilter);
  dialog.folder = QFileInfo(file.path).absolutePath();
  Write(desktop, file.path, [&] {
    const QString target = SaveTarget(file.path, files);
    if (FileExists(target, files) && !desktop.Show(BoxFor(kOverwrite, mainWindow))) return;
    SaveWholeFile(target, PictureBytes(canvas, file.format, title), files);
  });
}

void PrintPicture(Desktop& desktop, const QString& folder, const Canvas& canvas,
                  const QString& title, FileSystem& files) {
  PrintJob job;
  job.title = title;
  job.creator = QStringLiteral("Orvelt");
  // Without a printer Qt's dialog would offer to print into the home folder's own name, which
  // cannot be written.
  job.offeredFile =
      QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(QStringLiteral("orvelt.pdf"));
  job.dialog = [&](QPrinter& printer) { return desktop.RunPrintDialog(printer); };
  job.toFile = [&](const QString& file, const QPageLayout& page) {
    Write(desktop, file, [&] { SaveWholeFile(file, PdfBytes(canvas, title, page), files); });
  };
  job.paint = [&](QPainter& painter, const QRectF& page) {
    PaintPictureFitted(painter, canvas, page);
  };
  // The print system tells nothing of why it failed: a failure of its input and output.
  if (!ProgramOutput().Print(job)) throw CommandError(kIoError, {std::to_string(EIO)});
}

}  // namespace orvelt
