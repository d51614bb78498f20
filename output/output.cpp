#include "output/output.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QFile>

#include "core/messages.h"

namespace orvelt {

QString BesideProgram(const QString& programPath, const QString& name) {
  return programPath.left(programPath.lastIndexOf('/') + 1) + name;
}

QString BesideThisProgram(const QString& name) {
  // Qt takes the name from /proc/self/exe, which the kernel gives with every link resolved.
  return BesideProgram(QCoreApplication::applicationFilePath(), name);
}

const Output& LoadOutput(const QString& file) {
  const auto failed = [&] { return CommandError(kOutputUnloadable, {file.toStdString()}); };
  // Bound whole now: a module that does not fit the libraries fails here, not in a command.
  void* module = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!module) throw failed();
  const auto entry = reinterpret_cast<OutputEntry>(dlsym(module, kOutputEntry));
  const Output* output = entry ? entry() : nullptr;
  if (!output) {
    dlclose(module);
    throw failed();
  }
  return *output;
}

const Output& ProgramOutput() {
  static const Output* output = nullptr;
  if (!output) output = &LoadOutput(BesideThisProgram(kOutputModule));
  return *output;
}

}  // namespace orvelt
