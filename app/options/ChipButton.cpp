#include "app/options/ChipButton.h"

#include "app/options/ChipLabel.h"

namespace pictavo {

void applyChipFace(DSCapsuleButton& chip, ChipLabel*& label, const ChipFace& face) {
    if (!label) {
        label = new ChipLabel(face.glyph, face.value, face.chevron);
        chip.setLabel(label);
    }
    label->setValue(face.value);
    DSCapsuleButtonStyle style = chip.capsuleStyle();
    style.role = face.role;
    style.isFilled = true;
    chip.setCapsuleStyle(style);
    chip.setToolTip(face.toolTip);
    chip.setAccessibleName(face.accessibleName);
    chip.setAccessibleDescription(face.accessibleValue.value_or(QString()));
}

} // namespace pictavo
