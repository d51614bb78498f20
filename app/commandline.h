#pragma once
// The command line: the data files to open, a question answered on the terminal without a
// window, or the script that computes without one.

#include <QString>
#include <QStringList>

namespace orvelt {

// What the script prints and writes, and the choices its compute runs with.
struct ScriptOptions {
  bool report = false;  // the text report on standard output
  bool stats = false;   // the statistics of the fit on standard output, after the report
  QString picture;      // the graph's file; empty for none
  int formula = 0;      // as the formula selector's items
  int band = 0;         // as the band selector's items
  int view = 0;          // the graph's frame: 0 through the origin, 1 on the data, 2 the residuals
  bool confidence = false;  // the 95 % band of the mean response
  bool prediction = false;  // the 95 % band of a new measurement
  bool series2 = false;  // series 2 plotted
};

struct CommandLine {
  enum class Action {
    Run,      // the windows, then the files opened into series 1 and 2
    Help,     // the usage on standard output
    Version,  // the version on standard output
    Refuse,   // a usage error: the problem and the usage on standard error
    Script,   // the files into series 1 and 2, a compute, its report and picture; no window
  };
  Action action = Action::Run;
  QStringList files;  // as given, in order
  QString refused;    // the first argument refused
  QString problem;    // what is wrong with it, e.g. "unknown option --verbose"
  ScriptOptions script;
};

// The arguments after the program's name. "--help" and "--version" answer; "--" ends the
// options; "--report", "--stats" and "--picture OUT" make a script of one or two files,
// "--formula K", "--band N", "--view origin|data|residuals", "--confidence", "--prediction" and
// "--series2" its choices (a value may also follow "="); any other argument that begins with "-" but is not "-" alone is refused, the more
// so since the program takes no option of the toolkit's either. The first problem found is the one told.
CommandLine ParseCommandLine(const QStringList& arguments);

// The short text of "--help", also shown after a refused command line. ASCII, for any terminal.
QString UsageText();
// "orvelt 1.11" with the copyright and the licence.
QString VersionLines();

// The exit codes of the terminal answers and the script: a refusal of the data, a usage error.
constexpr int kExitFailed = 1;
constexpr int kExitRefused = 2;

}  // namespace orvelt
