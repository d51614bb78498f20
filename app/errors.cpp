#include "app/errors.h"

namespace orvelt {

Box GeneralErrorBox(const QString& message, const QString& about) {
  // Every failure that ends a command comes in this box, whatever its message.
  static constexpr Message kFailure{BoxKind::General, 0, false, ""};
  Box box = BoxFor(kFailure, message, nullptr);
  if (!about.isEmpty()) box.text += QStringLiteral("\n\n") + about;
  return box;
}

QString CurrentFailure() {
  try {
    throw;
  } catch (const CommandError& e) {
    return QString::fromUtf8(e.what());
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
    return QString::fromUtf8(kUnknownError.text);
  }
}

}  // namespace orvelt
