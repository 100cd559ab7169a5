#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "app/design/DSCapsuleButtonStyle.h"

#include <QString>

#include <optional>

namespace pictavo {

// Everything a toolbar chip shows and says, apart from its menu.
struct ChipFace {
    QString glyph;
    QString value;
    bool chevron = true;
    DSCapsuleButtonStyle::Role role = DSCapsuleButtonStyle::Role::chip;
    // What assistive technology calls the chip, and the value it reads after the name.
    QString accessibleName;
    std::optional<QString> accessibleValue;
    QString toolTip;

    bool operator==(const ChipFace&) const = default;

    static ChipFace format(const OutputFormat& format);
    // `label` is the size chip's resolved label.
    static ChipFace size(const QString& label);
    // The options chip never shows a setting: its value is always "Options".
    static ChipFace options();
};

} // namespace pictavo
