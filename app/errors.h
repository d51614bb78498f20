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

// The message of the failure being handled, inside a catch block: a CommandError's text, another
// exception's, or the unknown error's.
QString CurrentFailure();

// Runs one command; a failure escaping it is shown in the general error box and the program
// goes on with the next event.
template <class Command>
void RunCommand(Desktop& desktop, Command&& command) {
  QString failure;
  try {
    command();
    return;
  } catch (...) {
    failure = CurrentFailure();
  }
  // Outside the handler: the box runs the event loop.
  desktop.Show(GeneralErrorBox(failure));
}

}  // namespace orvelt
