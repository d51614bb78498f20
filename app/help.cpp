#include "app/help.h"

#include "core/messages.h"
#include "output/output.h"

namespace orvelt {

QString VersionText() {
  return QString::fromStdString(MessageText(kVersion, {kMainCaption.toStdString()}));
}

QString ProgramHelpFile() {
  return BesideThisProgram(QStringLiteral("orvelta.hlp"));
}

}  // namespace orvelt
