#include "app/errors.h"

namespace orvelt {

QString GeneralErrorText(const QString& message) {
  if (message.isEmpty() || message.back().unicode() <= '.') return message;
  return message + '.';
}

Box GeneralErrorBox(const QString& message) {
  return Box{kAppTitle,      GeneralErrorText(message),
             BoxIcon::Error, BoxButtons::Ok,
             std::nullopt,   std::nullopt,
             false};
}

}  // namespace orvelt
