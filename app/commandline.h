#pragma once
// The command line: the data files to open, or a question answered on the terminal without a
// window.

#include <QString>
#include <QStringList>

namespace orvelt {

struct CommandLine {
  enum class Action {
    Run,      // the windows, then the files opened into series 1 and 2
    Help,     // the usage on standard output
    Version,  // the version on standard output
    Refuse,   // an unknown option: the usage on standard error
  };
  Action action = Action::Run;
  QStringList files;  // as given, in order
  QString refused;    // the first unknown option
};

// The arguments after the program's name. "--help" and "--version" answer; "--" ends the
// options; any other argument that begins with "-" but is not "-" alone is refused, the more
// so since the program takes no option of the toolkit's either.
CommandLine ParseCommandLine(const QStringList& arguments);

// The short text of "--help", also shown after a refused option. ASCII, for any terminal.
QString UsageText();
// "orvelt 1.11" with the copyright and the licence.
QString VersionLines();

// The exit codes of the terminal answers.
constexpr int kExitRefused = 2;

}  // namespace orvelt
