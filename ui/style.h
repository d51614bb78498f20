#pragma once
// The program's style: Qt's classic Windows style, whose menu bar extension icon (the button a
// menu bar shows when its menus do not fit, which the program's never needs) is made when it is
// first drawn or measured rather than with every menu bar.

class QStyle;

namespace orvelt {

// A new style of that kind, for QApplication::setStyle, which takes it.
QStyle* NewProgramStyle();

}  // namespace orvelt
