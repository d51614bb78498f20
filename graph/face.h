#pragma once
// The faces of the program's windows and of the graph picture.

#include <QFont>
#include <QStringList>

namespace orvelt {

// The Japanese faces the windows prefer, in order, as far as the font database has them: the
// face we would ask for first, then the ones that stand in for it on Linux. A family that is not
// installed is never asked for, since every font made from it would send Qt and fontconfig
// through a fallback search. Needs a QGuiApplication.
QStringList JapaneseFamilies();

// The face of the windows at a pixel height.
QFont JapaneseFont(int pixelHeight);

// The graph picture's faces by text height, as far as installed. The frame's numbers (12
// pixels) stand at positions that leave each character 7 pixels, the last one less, so they come
// from a face with digits 6 pixels wide, the Japanese faces behind it. The formula block (15 and
// 11 pixels) keeps the Japanese face, whose blanks leave the raised "2" its gap between "ax" and
// "+".
QStringList GraphFamilies(int pixelHeight);

// The graph picture's face at a pixel height, never antialiased, hinted alike on every screen;
// with `ratio` device pixels to the pixel, the same face that many times as high.
QFont GraphFont(int pixelHeight, double ratio = 1);

}  // namespace orvelt
