#pragma once
// The picture's files as programs of their own read them: librsvg and poppler render them back,
// poppler tells what a PDF holds.

#include <QImage>
#include <QMap>
#include <QProcess>
#include <QStringList>

#include "tests/files/file_support.h"

namespace test {

// What the program writes on its standard output; empty when it fails.
inline QByteArray Tool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  const bool done = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
  return done && process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

// An SVG rendered on white at the picture's size, or a PDF's page at a pixel a point.
inline QImage RenderedBack(const QString& path) {
  const QString png = path + QStringLiteral(".back");
  if (path.endsWith(QLatin1String(".svg")))
    Tool("rsvg-convert", {"-w", "321", "-h", "450", "-b", "white", path, "-o", png + ".png"});
  else
    Tool("pdftoppm", {"-png", "-singlefile", "-r", "72", path, png});
  return QImage(png + ".png").convertToFormat(QImage::Format_RGB32);
}

// What pdfinfo says of a file, by field.
inline QMap<QString, QString> PdfInfo(const QString& path) {
  QMap<QString, QString> fields;
  for (const QString& line : QString::fromUtf8(Tool("pdfinfo", {path})).split('\n')) {
    const qsizetype colon = line.indexOf(':');
    if (colon > 0) fields[line.left(colon)] = line.mid(colon + 1).trimmed();
  }
  return fields;
}

}  // namespace test
