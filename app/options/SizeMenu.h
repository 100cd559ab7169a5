#pragma once
#include "app/design/DSMenuContent.h"
#include "app/design/MenuChoice.h"
#include "app/options/SizeChoice.h"

namespace pictavo::SizeMenu {

using Tag = MenuChoice<SizeChoice>;

// One group per preset group, then, unless the sizing is the default one, "Save as default"
// saying what new batches would start at (`label`, the chip's current text).
DSMenuContent<Tag> content(const QString& label, bool matchesDefault);

} // namespace pictavo::SizeMenu
