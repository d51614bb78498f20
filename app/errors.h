#pragma once
// The general error box: what a command does not handle itself ends the command and shows here.

#include <QString>
#include <exception>

#include "app/desktop.h"
#include "core/messages.h"

namespace orvelt {

// The general error box holding the message, and what it is about (a file the command named
// itself) in a paragraph of its own: caption the application title, the error icon, one OK;
// centred on the screen.
Box GeneralErrorBox(const QString& message, const QString& about = QString());

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
    message = QString::fromUtf8(kUnknownError.text);
  }
  desktop.Show(GeneralErrorBox(message));
}

}  // namespace orvelt
