#pragma once
#include "app/design/DSAppearance.h"

#include <QColor>
#include <QString>

#include <functional>

namespace pictavo {

// A colour whose value depends on the appearance it is drawn in. Views keep no resolved
// value: they resolve again at every paint, so a change of appearance shows at the next one.
class DSColour {
public:
    using Provider = std::function<QColor(DSAppearance)>;

    DSColour(QString name, Provider provider);

    // Empty for the plain palette members.
    const QString& name() const { return name_; }
    QColor resolve(DSAppearance appearance) const { return provider_(appearance); }
    // Resolved in the appearance the application draws in now.
    QColor current() const;

private:
    QString name_;
    Provider provider_;
};

// Makes the named dynamic colour; the provider may capture values.
DSColour dynamicColor(const QString& name, DSColour::Provider provider);

// The value of a four-way colour for an appearance: light, dark, increased-contrast light,
// increased-contrast dark.
QColor pickVariant(DSAppearance appearance, const QColor& light, const QColor& dark,
                   const QColor& increasedContrastLight, const QColor& increasedContrastDark);

// An increased-contrast appearance takes the value of its base appearance.
DSColour twoWayColour(const QString& name, QColor light, QColor dark);
DSColour fourWayColour(const QString& name, QColor light, QColor dark, QColor increasedContrastLight,
                       QColor increasedContrastDark);

// sRGB from 8-bit components, the form every palette value is written in.
QColor srgb(int red, int green, int blue, double alpha = 1.0);
QColor grey(double white, double alpha = 1.0);

} // namespace pictavo
