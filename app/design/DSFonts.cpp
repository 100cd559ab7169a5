#include "app/design/DSFonts.h"

#include <QGuiApplication>

#include <cmath>

namespace pictavo::fonts {

QFont systemFont(double pixelSize, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(weight);
    return font;
}

#define PICTAVO_FONT_TOKEN(token, size, weight)                                                                        \
    const QFont& token() {                                                                                             \
        static const QFont font = systemFont(size, weight);                                                            \
        return font;                                                                                                   \
    }

PICTAVO_FONT_TOKEN(DSFontHero, 34, QFont::Bold)
PICTAVO_FONT_TOKEN(DSFontDropTitle, 22, QFont::DemiBold)
PICTAVO_FONT_TOKEN(DSFontDropBody, 15, QFont::Normal)
PICTAVO_FONT_TOKEN(DSFontBody, 13, QFont::Normal)
PICTAVO_FONT_TOKEN(DSFontBodyMedium, 13, QFont::Medium)
PICTAVO_FONT_TOKEN(DSFontBodySemibold, 13, QFont::DemiBold)
PICTAVO_FONT_TOKEN(DSFontSmall, 12, QFont::Normal)
PICTAVO_FONT_TOKEN(DSFontSmallField, 12, QFont::Normal)
PICTAVO_FONT_TOKEN(DSFontCaption, 11, QFont::Normal)
PICTAVO_FONT_TOKEN(DSFontCaptionSemibold, 11, QFont::DemiBold)

#undef PICTAVO_FONT_TOKEN

} // namespace pictavo::fonts
