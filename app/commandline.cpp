#include "app/commandline.h"

namespace orvelt {

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  bool options = true;
  for (const QString& argument : arguments) {
    if (options && argument == QLatin1String("--")) {
      options = false;
    } else if (options && argument == QLatin1String("--help")) {
      if (line.action != CommandLine::Action::Refuse) line.action = CommandLine::Action::Help;
    } else if (options && argument == QLatin1String("--version")) {
      if (line.action == CommandLine::Action::Run) line.action = CommandLine::Action::Version;
    } else if (options && argument.startsWith('-') && argument != QLatin1String("-")) {
      if (line.action != CommandLine::Action::Refuse) {
        line.action = CommandLine::Action::Refuse;
        line.refused = argument;
      }
    } else {
      line.files << argument;
    }
  }
  return line;
}

QString UsageText() {
  return QStringLiteral(
      "Usage: orvelt [FILE1.ovt [FILE2.ovt]]\n"
      "       orvelt --help | --version\n"
      "\n"
      "Fits a regression formula to (x, y) pairs and draws its graph (Japanese interface).\n"
      "FILE1 opens into series 1 and FILE2 into series 2, as the File menu opens them.\n"
      "\n"
      "  --help     show this text and exit\n"
      "  --version  show the version and exit\n"
      "  --         the arguments after it are file names\n");
}

QString VersionLines() {
  return QStringLiteral("orvelt " ORVELT_VERSION
                        "\n"
                        "Copyright (C) 2026 Orvelt developers\n"
                        "License: MIT\n");
}

}  // namespace orvelt
