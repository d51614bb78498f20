#pragma once
// The general error box: what a command does not handle itself ends the command and shows here.

#include <QString>
#include <exception>

#include "app/desktop.h"
#include "core/arith.h"

namespace orvelt {

// The message with a full stop, unless it is empty or already ends in "." or a sign below it.
QString GeneralErrorText(const QString& message);

// Caption the application title, the error icon, one OK; centred on the screen.
Box GeneralErrorBox(const QString& message);

// Runs one command; a failure escaping it is shown in the general error box and the program
// goes on with the next event.
template <class Command>
void RunCommand(Desktop& desktop, Command&& command) {
  QString message;
  try {
    command();
    return;
  } catch (const CommandError& e) {
    message = QString::fromUtf8(e.what());
  } catch (const std::exception& e) {
    message = QString::fromLocal8Bit(e.what());
  } catch (...) {
    message = QStringLiteral("不明なエラー");
  }
  desktop.Show(GeneralErrorBox(message));
}

}  // namespace orvelt
