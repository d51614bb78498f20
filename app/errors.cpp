#include "app/errors.h"

namespace orvelt {

Box GeneralErrorBox(const QString& message, const QString& about) {
  // Every failure that ends a command comes in this box, whatever its message.
  static constexpr Message kFailure{BoxKind::General, 0, false, ""};
  Box box = BoxFor(kFailure, message, nullptr);
  if (!about.isEmpty()) box.text += QStringLiteral("\n\n") + about;
  return box;
}

}  // namespace orvelt
