#include "app/errors.h"

namespace orvelt {

Box GeneralErrorBox(const QString& message) {
  // Every failure that ends a command comes in this box, whatever its message.
  static constexpr Message kFailure{BoxKind::General, 0, false, ""};
  return BoxFor(kFailure, message, nullptr);
}

}  // namespace orvelt
