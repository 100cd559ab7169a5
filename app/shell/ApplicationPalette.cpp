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
    const QColor window = colour(palette::DSWindowBg());
    const QColor base = colour(palette::DSSurface());
    const QColor button = over(colour(palette::DSFill()), base);
    const QColor text = over(colour(palette::primary()), base);
    const QColor disabledText = over(colour(palette::tertiaryLabel()), base);

    // The bevel shades styles draw frames, scroll bars and buttons with come from the button colour.
    QPalette result(button, window);
    result.setColor(QPalette::WindowText, over(colour(palette::primary()), window));
    result.setColor(QPalette::Base, base);
    result.setColor(QPalette::AlternateBase, button);
    result.setColor(QPalette::Text, text);
    result.setColor(QPalette::ButtonText, over(colour(palette::primary()), button));
    result.setColor(QPalette::BrightText, colour(palette::red()));
    result.setColor(QPalette::Highlight, colour(palette::DSAccent()));
    result.setColor(QPalette::HighlightedText, colour(palette::white()));
    result.setColor(QPalette::Link, colour(palette::DSAccent()));
    result.setColor(QPalette::LinkVisited, colour(palette::DSAccentPress()));
    result.setColor(QPalette::PlaceholderText, disabledText);
    result.setColor(QPalette::ToolTipBase, isDark(appearance) ? button : base);
    result.setColor(QPalette::ToolTipText, text);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        result.setColor(QPalette::Disabled, role, disabledText);
    }
    result.setColor(QPalette::Disabled, QPalette::Highlight, over(colour(palette::DSAccentInert()), base));
    return result;
}

} // namespace pictavo
