#include "app/help.h"

#include <QCoreApplication>

#include "core/messages.h"

namespace orvelt {

QString VersionText() {
  return QString::fromStdString(MessageText(kVersion, {kMainCaption.toStdString()}));
}

QString HelpFilePath(const QString& programPath) {
  return programPath.left(programPath.lastIndexOf('/') + 1) + QStringLiteral("orvelta.hlp");
}

QString ProgramHelpFile() {
  // Qt takes the name from /proc/self/exe, which the kernel gives with every link resolved.
  return HelpFilePath(QCoreApplication::applicationFilePath());
}

}  // namespace orvelt
