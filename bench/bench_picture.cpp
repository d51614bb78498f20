// The graph picture out of the program: the save command for each format (argument 0 PNG, 1 SVG,
// 2 PDF) and the print command to a PDF file on A4, each with its dialog answered at once and its
// file written through the save path, flushes included. A full graph: 20 + 20 points, the curve
// and a ±1s band. Targets: PNG and SVG under 20 ms, PDF and printing under 100 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>

#include "bench/full_grid.h"
#include "bench/window_main.h"
#include "core/compute.h"
#include "graph/drawgraph.h"
#include "ui/main.h"
#include "ui/picture.h"

namespace {

// Answers every dialog with the file it is given, the overwrite question with Yes.
class AnsweringDesktop : public orvelt::Desktop {
 public:
  QString file;
  int filter = 0;
  int shown = 0;

  bool Show(const orvelt::Box&) override { return ++shown, true; }
  bool Run(orvelt::FileDialog& dialog) override {
    dialog.fileName = file;
    dialog.chosenFilter = filter;
    return true;
  }
  bool RunPrintDialog(QPrinter& printer) override {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return true;
  }
  void ShowHelp(const QString&, QWidget*) override {}
};

struct Graph {
  QImage image{321, 450, QImage::Format_RGB32};
  orvelt::Canvas canvas{image};

  Graph() {
    orvelt::DataStore store;
    const auto result =
        orvelt::RunCompute(store, FullGrids(true), orvelt::FitModel::Quadratic).result;
    orvelt::BlankGraphPicture(canvas);
    orvelt::DrawGraph(canvas, *result, 1);
  }
};

const QString kTitle = QStringLiteral("y = ax^2 + bx + c");

void BM_SavePicture(benchmark::State& state) {
  Graph graph;
  QTemporaryDir dir;
  AnsweringDesktop desktop;
  desktop.file = dir.filePath(QStringLiteral("graph"));
  desktop.filter = static_cast<int>(state.range(0));
  orvelt::FileDialog dialog = orvelt::PictureDialog();
  for (auto _ : state) orvelt::SavePicture(desktop, dialog, nullptr, graph.canvas, kTitle);
  // The question of the second save and after, and nothing else.
  if (desktop.shown != static_cast<int>(state.iterations()) - 1)
    state.SkipWithError("a save failed");
}
BENCHMARK(BM_SavePicture)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The file's bytes alone: what the save costs besides the disk's flushes.
void BM_PictureBytes(benchmark::State& state) {
  Graph graph;
  const auto format = static_cast<orvelt::PictureFormat>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(orvelt::PictureBytes(graph.canvas, format, kTitle));
}
BENCHMARK(BM_PictureBytes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_PrintToPdf(benchmark::State& state) {
  Graph graph;
  QTemporaryDir dir;
  AnsweringDesktop desktop;
  desktop.file = dir.filePath(QStringLiteral("printed.pdf"));
  for (auto _ : state) orvelt::PrintPicture(desktop, dir.path(), graph.canvas, kTitle);
  if (desktop.shown != 0 || !QFile::exists(desktop.file)) state.SkipWithError("printing failed");
}
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

// Texts need the application object; the program's face settings are those of the windows.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return RunWithWindows(argc, argv);
}
