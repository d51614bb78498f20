#pragma once
// Qt's SVG and print support, which nothing needs before a picture is saved as SVG or printed,
// behind a module of the program's own (output/module.cpp, "orvelt-output.so" beside the
// program's file), loaded on first use: the program's start maps neither library.
//
// The program calls the module only through the table below, so that it names no symbol of
// either library itself.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <functional>

class QPageLayout;
class QPainter;
class QPrinter;
class QRectF;
class QWidget;

namespace orvelt {

// A print as the program asks for it: the module sets up the printer and calls back.
struct PrintJob {
  QString title;        // the document's name in the print system
  QString creator;      // the program that made it
  QString offeredFile;  // the PDF file the dialog offers when there is no printer to print on
  // Runs the print dialog on the printer; false when the user cancelled.
  std::function<bool(QPrinter&)> dialog;
  // When the user chose a PDF file: writes it on the page chosen.
  std::function<void(const QString& file, const QPageLayout& page)> toFile;
  // Otherwise: paints onto the printer's page, `page` its printable area in device pixels.
  std::function<void(QPainter& painter, const QRectF& page)> paint;
};

class Output {
 public:
  virtual ~Output() = default;
  // An SVG document of `size`, with a title and a description as they are given, of what
  // `paint` draws.
  virtual QByteArray Svg(QSize size, const QString& title, const QString& description,
                         const std::function<void(QPainter&)>& paint) const = 0;
  // Qt's modal print dialog on `printer`, owned by `owner`, handed to `prepare` before it
  // opens; true when the user asked to print.
  virtual bool RunPrintDialog(QPrinter& printer, QWidget* owner,
                              const std::function<void(QWidget&)>& prepare) const = 0;
  // The dialog, then a PDF file or the printed page; false when the print system failed.
  virtual bool Print(const PrintJob& job) const = 0;
};

// What the module's file exports: its one table.
using OutputEntry = const Output* (*)();
inline constexpr char kOutputEntry[] = "orvelt_output";

// The module's file, beside the program's.
inline const QString kOutputModule = QStringLiteral("orvelt-output.so");

// The file `name` in the folder of the program file `programPath`: the path up to its last
// separator.
QString BesideProgram(const QString& programPath, const QString& name);
// Beside the program's own file as it is now, symbolic links followed, so that an installed link
// finds the files beside the real executable.
QString BesideThisProgram(const QString& name);

// The module in `file`, loaded now (again only in name if it was loaded before). A file that is
// missing, cannot be loaded or has no table throws the CommandError that names it.
const Output& LoadOutput(const QString& file);

// The module beside the program's own file, symbolic links followed, loaded on first use and
// kept; a failure throws as LoadOutput does, and the next use tries again.
const Output& ProgramOutput();

}  // namespace orvelt
