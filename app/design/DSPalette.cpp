#include "app/design/DSPalette.h"

namespace pictavo::palette {

namespace {

const QColor accentLight = srgb(215, 46, 105);
const QColor accentDark = srgb(245, 92, 136);

QColor withAlpha(QColor colour, double alpha) {
    colour.setAlphaF(float(alpha));
    return colour;
}

// The increased-contrast line of the separator and the glass border, shared by both.
const QColor& highContrastLightLine() {
    static const QColor colour = srgb(60, 60, 67, 0.6);
    return colour;
}

const QColor& highContrastDarkLine() {
    static const QColor colour = srgb(235, 235, 245, 0.48);
    return colour;
}

DSColour plain(QColor value) {
    return DSColour(QString(), [value](DSAppearance) { return value; });
}

DSColour plain(QColor light, QColor dark) {
    return DSColour(QString(), [light, dark](DSAppearance appearance) { return isDark(appearance) ? dark : light; });
}

} // namespace

#define PICTAVO_PALETTE_MEMBER(member, ...)                                                                            \
    const DSColour& member() {                                                                                         \
        static const DSColour colour = __VA_ARGS__;                                                                    \
        return colour;                                                                                                 \
    }

PICTAVO_PALETTE_MEMBER(DSAccent, twoWayColour("DSAccent", accentLight, accentDark))
PICTAVO_PALETTE_MEMBER(DSAccentTint,
                       twoWayColour("DSAccentTint", withAlpha(accentLight, 0.12), withAlpha(accentDark, 0.16)))
PICTAVO_PALETTE_MEMBER(DSAccentTintStrong,
                       twoWayColour("DSAccentTintStrong", withAlpha(accentLight, 0.28), withAlpha(accentDark, 0.34)))
PICTAVO_PALETTE_MEMBER(DSAccentInert,
                       twoWayColour("DSAccentInert", withAlpha(accentLight, 0.3), withAlpha(accentDark, 0.3)))
PICTAVO_PALETTE_MEMBER(DSAccentRing,
                       twoWayColour("DSAccentRing", withAlpha(accentLight, 0.28), withAlpha(accentDark, 0.34)))
PICTAVO_PALETTE_MEMBER(DSAccentPress, twoWayColour("DSAccentPress", srgb(184, 0, 81), srgb(214, 63, 111)))
PICTAVO_PALETTE_MEMBER(DSAccentFgInert, twoWayColour("DSAccentFgInert", srgb(184, 0, 81), grey(1.0, 0.55)))
PICTAVO_PALETTE_MEMBER(DSAccentFgInertContrast, twoWayColour("DSAccentFgInertContrast", Qt::black, Qt::white))
PICTAVO_PALETTE_MEMBER(DSSeparator, fourWayColour("DSSeparator", srgb(60, 60, 67, 0.14), srgb(84, 84, 88, 0.6),
                                                  highContrastLightLine(), highContrastDarkLine()))
PICTAVO_PALETTE_MEMBER(DSStructural, fourWayColour("DSStructural", srgb(60, 60, 67, 0.75), srgb(235, 235, 245, 0.6),
                                                   grey(0.0, 0.76), grey(1.0, 0.7)))
PICTAVO_PALETTE_MEMBER(DSWindowBg, twoWayColour("DSWindowBg", srgb(242, 242, 247), srgb(30, 30, 30)))
PICTAVO_PALETTE_MEMBER(DSSurface, twoWayColour("DSSurface", srgb(255, 255, 255), srgb(28, 28, 30)))
PICTAVO_PALETTE_MEMBER(DSCheckerboard, twoWayColour("DSCheckerboard", srgb(255, 255, 255), srgb(44, 44, 46)))
PICTAVO_PALETTE_MEMBER(DSCheckerboardAlt, twoWayColour("DSCheckerboardAlt", srgb(233, 233, 238), srgb(58, 58, 60)))
PICTAVO_PALETTE_MEMBER(DSFill, twoWayColour("DSFill", srgb(120, 120, 128, 0.12), srgb(120, 120, 128, 0.24)))
PICTAVO_PALETTE_MEMBER(DSFill2, twoWayColour("DSFill2", srgb(120, 120, 128, 0.2), srgb(120, 120, 128, 0.36)))
PICTAVO_PALETTE_MEMBER(DSGlassBorder, fourWayColour("DSGlassBorder", grey(1.0, 0.7), grey(1.0, 0.14),
                                                    highContrastLightLine(), highContrastDarkLine()))
PICTAVO_PALETTE_MEMBER(DSGlassActive, twoWayColour("DSGlassActive", srgb(120, 120, 128, 0.18), grey(1.0, 0.16)))
PICTAVO_PALETTE_MEMBER(DSGlassSolid, twoWayColour("DSGlassSolid", srgb(255, 255, 255), srgb(42, 42, 44)))
PICTAVO_PALETTE_MEMBER(DSMenuPanel, twoWayColour("DSMenuPanel", srgb(246, 246, 248, 0.92), srgb(52, 52, 56, 0.94)))
PICTAVO_PALETTE_MEMBER(DSMenuSelection,
                       twoWayColour("DSMenuSelection", withAlpha(accentLight, 0.15), withAlpha(accentDark, 0.2)))
PICTAVO_PALETTE_MEMBER(DSMenuHighlight, twoWayColour("DSMenuHighlight", grey(0.0, 0.07), grey(1.0, 0.1)))
PICTAVO_PALETTE_MEMBER(DSMenuHighlightRing,
                       fourWayColour("DSMenuHighlightRing", grey(0.0, 0.5), grey(1.0, 0.5), Qt::black, Qt::white))
PICTAVO_PALETTE_MEMBER(DSKeyboardRing, twoWayColour("DSKeyboardRing", Qt::black, Qt::white))
PICTAVO_PALETTE_MEMBER(DSSegmentSelected,
                       twoWayColour("DSSegmentSelected", srgb(120, 120, 128, 0.2), srgb(120, 120, 128, 0.36)))
// A dark desktop needs a deeper shadow for the panel to stand off the window beneath.
PICTAVO_PALETTE_MEMBER(DSPanelShadow, fourWayColour("DSPanelShadow", grey(0.0, 0.35), grey(0.0, 0.6), grey(0.0, 0.45),
                                                    grey(0.0, 0.7)))

PICTAVO_PALETTE_MEMBER(white, plain(Qt::white))
PICTAVO_PALETTE_MEMBER(translucentWhite, plain(grey(1.0, 0.8)))
PICTAVO_PALETTE_MEMBER(black, plain(Qt::black))
// The label colours and the system colours follow the appearance like the desktop's own.
PICTAVO_PALETTE_MEMBER(primary, plain(grey(0.0, 0.85), grey(1.0, 0.85)))
PICTAVO_PALETTE_MEMBER(secondary, plain(grey(0.0, 0.5), grey(1.0, 0.55)))
PICTAVO_PALETTE_MEMBER(tertiaryLabel, plain(grey(0.0, 0.26), grey(1.0, 0.25)))
PICTAVO_PALETTE_MEMBER(green, plain(srgb(52, 199, 89), srgb(48, 209, 88)))
PICTAVO_PALETTE_MEMBER(orange, plain(srgb(255, 149, 0), srgb(255, 159, 10)))
PICTAVO_PALETTE_MEMBER(red, plain(srgb(255, 59, 48), srgb(255, 69, 58)))

#undef PICTAVO_PALETTE_MEMBER

} // namespace pictavo::palette
