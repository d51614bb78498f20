#include "app/commandline.h"

#include <optional>

#include "core/formula.h"

namespace orvelt {

namespace {

// 0 to `count` - 1 written as one digit, or the index of `names` it equals.
std::optional<int> Index(const QString& value, int count, const QStringList& names = {}) {
  if (value.size() == 1 && value[0] >= '0' && value[0].unicode() < '0' + count)
    return value[0].unicode() - '0';
  const qsizetype named = names.indexOf(value);
  return named >= 0 ? std::optional<int>(int(named)) : std::nullopt;
}

QStringList FormulaTexts() {
  QStringList texts;
  for (int m = 0; m < kFitModels; ++m) texts << QLatin1String(FormulaText(FitModel(m)));
  return texts;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  bool help = false, version = false, options = true;
  QStringList choices;  // the script's choices given, by option name
  auto refuse = [&](const QString& argument, const QString& problem) {
    if (!line.problem.isEmpty()) return;
    line.refused = argument;
    line.problem = problem;
  };
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (!options || argument == QLatin1String("-") || !argument.startsWith('-')) {
      line.files << argument;
      continue;
    }
    const qsizetype equals = argument.indexOf('=');
    const QString name = argument.left(equals);
    const bool takesValue = name == QLatin1String("--picture") || name == QLatin1String("--formula") ||
                            name == QLatin1String("--band") || name == QLatin1String("--view");
    if (argument == QLatin1String("--")) {
      options = false;
    } else if (argument == QLatin1String("--help")) {
      help = true;
    } else if (argument == QLatin1String("--version")) {
      version = true;
    } else if (argument == QLatin1String("--report")) {
      line.script.report = true;
    } else if (argument == QLatin1String("--stats")) {
      line.script.stats = true;
    } else if (argument == QLatin1String("--series2")) {
      line.script.series2 = true;
      choices << argument;
    } else if (argument == QLatin1String("--confidence") ||
               argument == QLatin1String("--prediction")) {
      (argument == QLatin1String("--confidence") ? line.script.confidence
                                                 : line.script.prediction) = true;
      choices << argument;
    } else if (!takesValue) {
      refuse(argument, QStringLiteral("unknown option ") + argument);
    } else if (equals < 0 && i + 1 == arguments.size()) {
      refuse(argument, name + QStringLiteral(" needs a value"));
    } else {
      const QString value = equals >= 0 ? argument.mid(equals + 1) : arguments[++i];
      if (name == QLatin1String("--picture")) {
        line.script.picture = value;
        if (value.isEmpty()) refuse(argument, QStringLiteral("--picture needs a file name"));
        continue;
      }
      choices << name;
      std::optional<int> index;
      if (name == QLatin1String("--formula")) {
        index = Index(value, kFitModels, FormulaTexts());
        if (index) line.script.formula = *index;
        else refuse(value, QStringLiteral("--formula needs 0 to 3 or a formula's text"));
      } else if (name == QLatin1String("--band")) {
        index = Index(value, 4);
        if (index) line.script.band = *index;
        else refuse(value, QStringLiteral("--band needs 0, 1, 2 or 3"));
      } else {
        index = Index(value, 0,
                      {QStringLiteral("origin"), QStringLiteral("data"), QStringLiteral("residuals")});
        if (index) line.script.view = *index;
        else refuse(value, QStringLiteral("--view needs origin, data or residuals"));
      }
    }
  }

  const bool script = line.script.report || line.script.stats || !line.script.picture.isEmpty();
  if (!script && !choices.isEmpty()) {
    refuse(choices.first(),
           choices.first() + QStringLiteral(" needs --report, --stats or --picture"));
  } else if (script && line.script.picture.isEmpty() &&
             (choices.contains(QLatin1String("--band")) || choices.contains(QLatin1String("--view")))) {
    refuse(QString(), QStringLiteral("--band and --view need --picture"));
  } else if (script && line.script.picture.isEmpty() &&
             (line.script.confidence || line.script.prediction)) {
    refuse(QString(), QStringLiteral("--confidence and --prediction need --picture"));
  } else if (script && line.files.isEmpty()) {
    refuse(QString(), QStringLiteral("no FILE1 to read"));
  } else if (script && line.files.size() > 2) {
    refuse(line.files[2], QStringLiteral("more than two files: ") + line.files[2]);
  } else if (script && line.files.count(QStringLiteral("-")) > 1) {
    refuse(QStringLiteral("-"), QStringLiteral("standard input named twice"));
  }

  if (!line.problem.isEmpty()) {
    line.action = CommandLine::Action::Refuse;
  } else if (help) {
    line.action = CommandLine::Action::Help;
  } else if (version) {
    line.action = CommandLine::Action::Version;
  } else if (script) {
    line.action = CommandLine::Action::Script;
  }
  return line;
}

QString UsageText() {
  return QStringLiteral(
      "Usage: orvelt [FILE1.ovt [FILE2.ovt]]\n"
      "       orvelt --report [--formula K] [--series2] FILE1 [FILE2]\n"
      "       orvelt --stats [--formula K] [--series2] FILE1 [FILE2]\n"
      "       orvelt --picture OUT [--report] [--formula K] [--band N] [--view V]\n"
      "              [--confidence] [--prediction] [--series2] FILE1 [FILE2]\n"
      "       orvelt --help | --version\n"
      "\n"
      "Fits a regression formula to (x, y) pairs and draws its graph (Japanese interface).\n"
      "FILE1 opens into series 1 and FILE2 into series 2, as the File menu opens them.\n"
      "\n"
      "With --report, --stats or --picture no window opens: the files are opened, the\n"
      "formula is fitted as the compute button fits it, and the results are printed or\n"
      "the graph saved.\n"
      "A FILE ending in .ovt is a data file; any other, or - for standard input, is text of\n"
      "tab- or comma-separated columns x, y and (series 1) an Omit mark, one row a line.\n"
      "\n"
      "  --report       print the text report that Copy Text copies (UTF-8)\n"
      "  --stats        print the statistics of the fit as the statistics window copies\n"
      "                 them: R^2, standard errors, 95% intervals, residuals (UTF-8)\n"
      "  --picture OUT  save the graph as OUT: PNG, SVG or PDF by its extension\n"
      "  --formula K    0 y = ax + b (the default), 1 y = ax, 2 y = ax^2 + bx + c,\n"
      "                 3 y = ax^2 + bx; or the formula's text\n"
      "  --band N       the deviation band: 0 none (the default), 1, 2 or 3 s\n"
      "  --view V       the graph's frame: origin (the default), data, or residuals (the\n"
      "                 residuals of series 1 against x)\n"
      "  --confidence   draw the 95% band of the mean response (where the true curve lies)\n"
      "  --prediction   draw the 95% band of a new measurement\n"
      "  --series2      plot series 2 (FILE2) too, checked as the compute checks it\n"
      "  --help         show this text and exit\n"
      "  --version      show the version and exit\n"
      "  --             the arguments after it are file names\n"
      "\n"
      "Exit status: 0 done; 1 a file or a cell refused, or a fault of the arithmetic or the\n"
      "output (the message on standard error); 2 a usage error.\n");
}

QString VersionLines() {
  return QStringLiteral("orvelt " ORVELT_VERSION
                        "\n"
                        "Copyright (C) 2026 Orvelt developers\n"
                        "License: MIT\n");
}

}  // namespace orvelt
