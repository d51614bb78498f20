// The compute command as the user meets it: a click on the button of the built windows, up to the
// graph window having painted the new picture. 20 + 20 points, series 2 plotted, a ±1s band;
// without and with the statistics window open, and with both 95 % bands or the residuals shown.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "bench/full_grid.h"
#include "bench/window_main.h"
#include "graph/graph.h"
#include "ui/controls.h"
#include "ui/datagrid.h"
#include "ui/main.h"

namespace {

// A successful command shows no box; any box means the benchmark measured something else.
class CountingDesktop : public orvelt::Desktop {
 public:
  int shown = 0;
  bool Show(const orvelt::Box&) override {
    ++shown;
    return true;
  }
  bool Run(orvelt::FileDialog&) override { return false; }
  bool RunPrintDialog(QPrinter&) override { return false; }
  void ShowHelp(const QString&, QWidget*) override {}
};

class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Events until the picture widget has painted once more, or a bounded number of rounds.
bool WaitForPaint(const PaintCounter& counter, int before) {
  for (int i = 0; i < 1000 && counter.paints == before; ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  return counter.paints != before;
}

// With state.range(0), the statistics window is open too and follows the compute; state.range(1)
// is the graph: 0 the curve alone, 1 with both 95 % bands, 2 the residuals.
void BM_ComputeCommand(benchmark::State& state) {
  orvelt::Worksheet sheet;
  CountingDesktop desktop;
  TForm1 form1(sheet, desktop);
  TForm2 form2(sheet);
  form1.SetGraphWindow(&form2);
  form1.Open();
  PaintCounter counter;
  form2.Image1->installEventFilter(&counter);
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();

  const orvelt::GridInput input = FullGrids(true);
  for (int r = 1; r <= orvelt::kRows; ++r) {
    for (int c = orvelt::kColumnX; c <= orvelt::kColumnOmit; ++c)
      form1.StringGrid1->SetCell(c, r, QString::fromStdString(input.series1[r][c]));
    for (int c = orvelt::kColumnX; c <= orvelt::kColumnY; ++c)
      form1.StringGrid2->SetCell(c, r, QString::fromStdString(input.series2[r][c]));
  }
  form1.CheckBox1->setChecked(true);
  form1.RadioGroup1->SetItemIndex(static_cast<int>(orvelt::FitModel::Quadratic));
  form1.RadioGroup2->SetItemIndex(1);
  if (state.range(0) != 0) form2.Views->Statistics->trigger();
  if (state.range(1) == 1) {
    form2.Views->Confidence->trigger();
    form2.Views->Prediction->trigger();
  }
  if (state.range(1) == 2) form2.Views->Residuals->trigger();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  // The first command also loads the picture's fonts; the user meets that once.
  form1.Button1->click();
  WaitForPaint(counter, counter.paints);

  for (auto _ : state) {
    // The user clicks in the main window, which is active again by then.
    state.PauseTiming();
    form1.activateWindow();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    const int before = counter.paints;
    state.ResumeTiming();

    form1.Button1->click();
    if (!WaitForPaint(counter, before)) {
      state.SkipWithError("the graph window did not repaint");
      break;
    }
  }
  if (desktop.shown != 0) state.SkipWithError("the command showed a box");
  if (form1.Label5->text() != QStringLiteral("data : 19 組"))
    state.SkipWithError("the command did not fit the grids");
}
BENCHMARK(BM_ComputeCommand)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->ArgNames({"statistics", "graph"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

// The application as app/main.cpp sets it up, on the offscreen platform unless told otherwise.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  // Nine repetitions of half a second each unless the command line says otherwise.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=9", minTime = "--benchmark_min_time=0.5",
              aggregates = "--benchmark_report_aggregates_only=true";
  for (std::string* flag : {&repetitions, &minTime, &aggregates}) {
    const std::string name = flag->substr(0, flag->find('=') + 1);
    if (std::none_of(args.begin() + 1, args.end(),
                     [&](const char* a) { return std::string_view(a).starts_with(name); }))
      args.insert(args.begin() + 1, flag->data());
  }
  args.push_back(nullptr);
  return RunWithWindows(static_cast<int>(args.size()) - 1, args.data());
}
