#pragma once
#include "app/design/DSColour.h"

// Every colour the application draws with. Views never write colour literals: they read these.
// Each is made once, on its first read, and the same object is returned afterwards.
namespace pictavo::palette {

const DSColour& DSAccent();
const DSColour& DSAccentTint();
const DSColour& DSAccentTintStrong();
const DSColour& DSAccentInert();
const DSColour& DSAccentRing();
const DSColour& DSAccentPress();
const DSColour& DSAccentFgInert();
const DSColour& DSAccentFgInertContrast();
const DSColour& DSSeparator();
const DSColour& DSStructural();
const DSColour& DSWindowBg();
const DSColour& DSSurface();
const DSColour& DSCheckerboard();
const DSColour& DSCheckerboardAlt();
const DSColour& DSFill();
const DSColour& DSFill2();
const DSColour& DSGlassBorder();
const DSColour& DSGlassActive();
const DSColour& DSGlassSolid();
const DSColour& DSMenuPanel();
const DSColour& DSMenuSelection();
const DSColour& DSMenuHighlight();
const DSColour& DSMenuHighlightRing();
const DSColour& DSKeyboardRing();
// The selected segment of a segmented control.
const DSColour& DSSegmentSelected();
// The shadow a floating panel draws around itself where the desktop composites windows.
const DSColour& DSPanelShadow();

// Plain members, without a name of their own.
const DSColour& white();
const DSColour& translucentWhite();
const DSColour& black();
const DSColour& primary();
const DSColour& secondary();
const DSColour& tertiaryLabel();
const DSColour& green();
const DSColour& orange();
const DSColour& red();

} // namespace pictavo::palette
