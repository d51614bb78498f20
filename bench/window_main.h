#pragma once
// The end of a benchmark program that needs the windows' application: the application object set
// up as the program sets it up, then the benchmarks.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "ui/main.h"

inline int RunWithWindows(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  QApplication app(argc, argv);
  orvelt::ConfigureApplication();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
