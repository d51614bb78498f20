#pragma once
// The graph window's picture out of the program: saved as a PNG, SVG or PDF file, or printed.
// What goes out is what ｸﾞﾗﾌをｺﾋﾟｰ would copy at that moment.

#include <QString>

#include "app/desktop.h"
#include "files/fileio.h"
#include "graph/canvas.h"
#include "graph/export.h"

class QWidget;

namespace orvelt {

// The picture's save dialog: PNG (selected when it opens), SVG and PDF.
FileDialog PictureDialog();

// The file a name chosen there makes. Its own extension decides (".png", ".svg" or ".pdf", in
// any case); a name without one of them gets the chosen filter's appended.
struct PictureFile {
  QString path;
  PictureFormat format;
};
PictureFile PictureFileOf(const QString& name, int chosenFilter);

// The dialog, the overwrite question for an existing file, then the file through the data files'
// save path; afterwards the dialog opens in the folder chosen. A failed save leaves the old file
// and nothing of its own, and shows the general error box as a data file's would, the file named.
void SavePicture(Desktop& desktop, FileDialog& dialog, QWidget* mainWindow, const Canvas& canvas,
                 const QString& title, FileSystem& files = SystemFileSystem());

// The print dialog, then the picture centred on the page and as large as its printable area
// takes. Printed to a PDF file, the file is written as a saved picture is (and offered in
// `folder` when there is no printer to print on). A cancelled dialog prints nothing.
void PrintPicture(Desktop& desktop, const QString& folder, const Canvas& canvas,
                  const QString& title, FileSystem& files = SystemFileSystem());

}  // namespace orvelt
