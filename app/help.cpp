#include "app/help.h"

#include <QCoreApplication>

namespace orvelt {

QString VersionText() {
  return kMainCaption + QStringLiteral("\n\nCopyright (C) 2026 オルヴェルト開発チーム");
}

QString HelpFilePath(const QString& programPath) {
  return programPath.left(programPath.lastIndexOf('/') + 1) + QStringLiteral("orvelta.hlp");
}

QString ProgramHelpFile() {
  // Qt takes the name from /proc/self/exe, which the kernel gives with every link resolved.
  return HelpFilePath(QCoreApplication::applicationFilePath());
}

}  // namespace orvelt
