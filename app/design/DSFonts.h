#pragma once
#include <QFont>

// The design system's text styles: the application's font at a fixed pixel size and weight.
namespace pictavo::fonts {

const QFont& DSFontHero();            // 34, bold
const QFont& DSFontDropTitle();       // 22, semibold
const QFont& DSFontDropBody();        // 15, regular
const QFont& DSFontBody();            // 13, regular
const QFont& DSFontBodyMedium();      // 13, medium
const QFont& DSFontBodySemibold();    // 13, semibold
const QFont& DSFontSmall();           // 12, regular
const QFont& DSFontSmallField();      // 12, regular
const QFont& DSFontCaption();         // 11, regular
const QFont& DSFontCaptionSemibold(); // 11, semibold

// The application's font at a size in pixels, which may be fractional when scaled.
QFont systemFont(double pixelSize, QFont::Weight weight);

} // namespace pictavo::fonts
