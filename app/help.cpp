#include "app/help.h"

namespace orvelt {

QString VersionText() {
  return kMainCaption + QStringLiteral("\n\nCopyright (C) 2026 オルヴェルト開発チーム");
}

QString HelpFilePath(const QString& programPath) {
  return programPath.left(programPath.lastIndexOf('/') + 1) + QStringLiteral("orvelta.hlp");
}

}  // namespace orvelt
