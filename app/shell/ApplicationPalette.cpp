#include "app/shell/ApplicationPalette.h"

#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QApplication>

namespace pictavo {

namespace {

// A translucent colour as it shows over an opaque one: styles fill with palette colours
// directly, so a label colour with alpha would show what lies beneath instead.
QColor over(const QColor& top, const QColor& bottom) {
    const float alpha = top.alphaF();
    const auto mix = [alpha](float above, float below) { return above * alpha + below * (1 - alpha); };
    return QColor::fromRgbF(mix(top.redF(), bottom.redF()), mix(top.greenF(), bottom.greenF()),
                            mix(top.blueF(), bottom.blueF()));
}

} // namespace

ApplicationPalette::ApplicationPalette(QObject* parent) : QObject(parent) {
    connect(&DSTheme::shared(), &DSTheme::changed, this, &ApplicationPalette::apply);
    apply();
}

void ApplicationPalette::apply() {
    const QPalette palette = make(DSTheme::shared().appearance());
    if (palette == QApplication::palette()) return;
    QApplication::setPalette(palette);
}

QPalette ApplicationPalette::make(DSAppearance appearance) {
    const auto colour = [appearance](const DSColour& named) { return named.resolve(appearance); };
    const bool dark = isDark(appearance);
    const QColor window = colour(palette::DSWindowBg());
    const QColor base = colour(palette::DSSurface());
    const QColor button = colour(palette::DSGlassSolid());
    const QColor text = over(colour(palette::primary()), base);
    const QColor disabledText = over(colour(palette::tertiaryLabel()), base);
    const QColor separator = over(colour(palette::DSSeparator()), window);

    QPalette result;
    result.setColor(QPalette::Window, window);
    result.setColor(QPalette::WindowText, over(colour(palette::primary()), window));
    result.setColor(QPalette::Base, base);
    result.setColor(QPalette::AlternateBase, over(colour(palette::DSFill()), base));
    result.setColor(QPalette::Text, text);
    result.setColor(QPalette::Button, button);
    result.setColor(QPalette::ButtonText, over(colour(palette::primary()), button));
    result.setColor(QPalette::BrightText, colour(palette::red()));
    // The bevel shades the styles draw frames, scroll bar grooves and handles with.
    result.setColor(QPalette::Light, dark ? button.lighter(130) : button);
    result.setColor(QPalette::Midlight, dark ? button.lighter(115) : window);
    result.setColor(QPalette::Mid, separator);
    result.setColor(QPalette::Dark, dark ? window.darker(140) : separator.darker(115));
    result.setColor(QPalette::Shadow, colour(palette::black()));
    result.setColor(QPalette::Highlight, colour(palette::DSAccent()));
    result.setColor(QPalette::HighlightedText, colour(palette::white()));
    result.setColor(QPalette::Link, colour(palette::DSAccent()));
    result.setColor(QPalette::LinkVisited, colour(palette::DSAccentPress()));
    result.setColor(QPalette::PlaceholderText, disabledText);
    result.setColor(QPalette::ToolTipBase, dark ? button : base);
    result.setColor(QPalette::ToolTipText, text);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        result.setColor(QPalette::Disabled, role, disabledText);
    }
    result.setColor(QPalette::Disabled, QPalette::Highlight, over(colour(palette::DSAccentInert()), base));
    return result;
}

} // namespace pictavo
