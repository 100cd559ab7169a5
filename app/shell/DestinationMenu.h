#pragma once
#include "app/design/DSMenuContent.h"
#include "app/design/MenuChoice.h"
#include "app/export/DestinationStore.h"

namespace pictavo {

using DestinationMenuTag = MenuChoice<DestinationChoice>;

// The band's destination menu: the three ordinary choices; replacing the originals, in red; and
// "Save as default" while the current choice is not the default.
DSMenuContent<DestinationMenuTag> destinationMenu(const DestinationStore& destinations);

// A chosen row: "In a folder…" always asks for the folder, also when one is chosen already;
// "Save as default" makes the current choice the default; any other row becomes the choice.
void chooseDestination(DestinationStore& destinations, const DestinationMenuTag& tag);

} // namespace pictavo
