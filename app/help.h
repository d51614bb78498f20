#pragma once
// The version message and the help file.

#include <QString>

namespace orvelt {

inline const QString kMainCaption = QStringLiteral("オルヴェルト Ver. 1.11");

// The main window's caption, an empty line and the authorship line.
QString VersionText();

// The help file, "orvelta.hlp" beside the program's own file (links followed).
QString ProgramHelpFile();

}  // namespace orvelt
