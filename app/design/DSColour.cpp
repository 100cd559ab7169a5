#include "app/design/DSColour.h"

#include "app/design/DSTheme.h"

namespace pictavo {

DSColour::DSColour(QString name, Provider provider) : name_(std::move(name)), provider_(std::move(provider)) {}

QColor DSColour::current() const { return resolve(DSTheme::shared().appearance()); }

DSColour dynamicColor(const QString& name, DSColour::Provider provider) { return DSColour(name, std::move(provider)); }

QColor pickVariant(DSAppearance appearance, const QColor& light, const QColor& dark,
                   const QColor& increasedContrastLight, const QColor& increasedContrastDark) {
    switch (appearance) {
    case DSAppearance::light: return light;
    case DSAppearance::dark: return dark;
    case DSAppearance::increasedContrastLight: return increasedContrastLight;
    case DSAppearance::increasedContrastDark: return increasedContrastDark;
    }
    return light;
}

DSColour twoWayColour(const QString& name, QColor light, QColor dark) {
    return dynamicColor(name, [light, dark](DSAppearance appearance) { return isDark(appearance) ? dark : light; });
}

DSColour fourWayColour(const QString& name, QColor light, QColor dark, QColor increasedContrastLight,
                       QColor increasedContrastDark) {
    return dynamicColor(name, [=](DSAppearance appearance) {
        return pickVariant(appearance, light, dark, increasedContrastLight, increasedContrastDark);
    });
}

QColor srgb(int red, int green, int blue, double alpha) {
    return QColor::fromRgbF(float(red / 255.0), float(green / 255.0), float(blue / 255.0), float(alpha));
}

QColor grey(double white, double alpha) {
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}

} // namespace pictavo
