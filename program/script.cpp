#include "program/script.h"

#include <QDir>
#include <QImage>
#include <cerrno>
#include <optional>
#include <string>

#include "app/desktop.h"
#include "app/errors.h"
#include "files/columns.h"
#include "files/fileio.h"
#include "graph/canvas.h"
#include "graph/drawgraph.h"
#include "graph/export.h"
#include "sheet/worksheet.h"

namespace orvelt {

namespace {

const QString kStandardInput = QStringLiteral("-");

std::optional<Refusal> Open(Worksheet& sheet, int series, const QString& name) {
  if (name.endsWith(QLatin1String(".ovt"), Qt::CaseInsensitive))
    return sheet.OpenSeries(series, name);
  const bool input = name == kStandardInput;
  if (!input && !FileExists(name)) return Refuse(kFileNotFound);
  const std::optional<QByteArray> bytes =
      ReadColumnsFile(input ? QStringLiteral("/dev/stdin") : name);
  if (!bytes) return Refuse(kUnreadableFile);
  sheet.LoadSeries(series, ColumnCells(*bytes, series));
  return std::nullopt;
}

// A message about a file, as the general error box names one: in a paragraph of its own.
QString About(const QString& text, const QString& file) {
  return text + QStringLiteral("\n\n") + QDir::toNativeSeparators(file);
}

int Fail(std::FILE* err, const QString& text) {
  std::fputs((text + '\n').toUtf8().constData(), err);
  return kExitFailed;
}

QByteArray Picture(const Worksheet& sheet, const ScriptOptions& options, PictureFormat format) {
  Canvas canvas(QSize(kPictureWidth, kPictureHeight));
  constexpr GraphView kViews[] = {GraphView::ThroughOrigin, GraphView::FitData,
                                  GraphView::Residuals};
  DrawGraphPicture(canvas, sheet.Result(), sheet.ResultBand(),
                   {kViews[options.view], options.confidence, options.prediction});
  return PictureBytes(canvas, format, GraphTitle(sheet.Result()));
}

// The report and the statistics with the line ends of a terminal.
QByteArray Lines(const std::string& report) {
  return QByteArray::fromStdString(report).replace("\r\n", "\n");
}

}  // namespace

int RunScript(const CommandLine& line, std::FILE* out, std::FILE* err) {
  const ScriptOptions& options = line.script;
  std::optional<PictureFormat> format;
  if (!options.picture.isEmpty() && !(format = PictureFormatOf(options.picture))) {
    std::fputs(("orvelt: --picture needs a name ending in .png, .svg or .pdf\n\n" + UsageText())
                   .toUtf8()
                   .constData(),
               err);
    return kExitRefused;
  }

  Worksheet sheet;
  for (int series = 1; series <= line.files.size(); ++series) {
    const QString& name = line.files[series - 1];
    try {
      if (const auto refusal = Open(sheet, series, name))
        return Fail(err, About(QString::fromStdString(refusal->text), name));
    } catch (...) {
      return Fail(err, About(GeneralErrorText(CurrentFailure()), name));
    }
  }
  sheet.SetKind(static_cast<FitModel>(options.formula));
  sheet.SetBand(options.band);
  sheet.SetPlotSeries2(options.series2);
  try {
    if (const auto refusal = sheet.Compute()) return Fail(err, QString::fromStdString(refusal->text));
  } catch (...) {
    return Fail(err, GeneralErrorText(CurrentFailure()));
  }

  if (format) {
    try {
      SaveWholeFile(options.picture, Picture(sheet, options, *format));
    } catch (...) {
      return Fail(err, About(GeneralErrorText(CurrentFailure()), options.picture));
    }
  }
  std::string text;
  if (options.report) text += sheet.Report();
  if (options.stats) text += sheet.StatisticsReport();
  if (!text.empty()) {
    const QByteArray lines = Lines(text);
    std::fwrite(lines.constData(), 1, std::size_t(lines.size()), out);
    if (std::fflush(out) != 0 || std::ferror(out)) {
      const int error = errno ? errno : EIO;
      return Fail(err, GeneralErrorText(QString::fromStdString(IoErrorText(error))));
    }
  }
  return 0;
}

}  // namespace orvelt
