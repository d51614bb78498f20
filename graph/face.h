#pragma once
// The Japanese face of the program's windows and pictures.

#include <QFont>
#include <QStringList>

namespace orvelt {

// The face we ask for first, then the ones that stand in for it on Linux.
QStringList JapaneseFamilies();

// The face at a pixel height, never antialiased where `plain` is set.
QFont JapaneseFont(int pixelHeight, bool plain = false);

}  // namespace orvelt
