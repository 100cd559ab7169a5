#pragma once
#include "app/design/DSCapsuleButton.h"
#include "app/options/ChipFace.h"

namespace pictavo {

class ChipLabel;

// Gives a capsule button the face of a toolbar chip: its label, style, tooltip and what
// assistive technology reads. The label is made on the first call and updated after.
void applyChipFace(DSCapsuleButton& chip, ChipLabel*& label, const ChipFace& face);

} // namespace pictavo
