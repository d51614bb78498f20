#pragma once
// The version message and the help file.

#include <QString>

namespace orvelt {

inline const QString kMainCaption = QStringLiteral("オルヴェルト Ver. 1.11");

// The main window's caption, an empty line and the authorship line.
QString VersionText();

// "orvelta.hlp" in the folder of the program file: the path up to its last separator.
QString HelpFilePath(const QString& programPath);

// The help file beside the program's own file as it is now, symbolic links followed, so that
// an installed link finds the manual beside the real executable.
QString ProgramHelpFile();

}  // namespace orvelt
