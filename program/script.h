#pragma once
// The program from a script: the worksheet without a window, the command line's files into its
// series, one compute, its report and statistics on standard output and its graph in a file.

#include <cstdio>

#include "app/commandline.h"

namespace orvelt {

// Opens FILE1 into series 1 and FILE2 into series 2 as the open command would (a name ending in
// ".ovt" as a data file, any other and "-" as a text file of columns), computes with the
// options' choices as the compute command would, then writes the picture and prints the report
// and the statistics.
// A refusal or a failure prints the message its box would show on `err`, about the file it
// concerns, writes nothing on `out` and gives kExitFailed; a picture name without a picture
// format's extension is a usage error. The picture needs a QGuiApplication; the report needs
// none.
int RunScript(const CommandLine& line, std::FILE* out, std::FILE* err);

}  // namespace orvelt
