#include "app/shell/DestinationMenu.h"

namespace pictavo {

namespace {

DSMenuRow<DestinationMenuTag> row(const DestinationStore& destinations, DestinationChoice choice) {
    return {DestinationMenuTag::value(choice), menuTitle(choice), destinations.subtitle(choice), std::nullopt,
            choice == DestinationChoice::replaceOriginal};
}

} // namespace

DSMenuContent<DestinationMenuTag> destinationMenu(const DestinationStore& destinations) {
    DSMenuContent<DestinationMenuTag> content;
    content.groups.push_back({std::nullopt,
                              {row(destinations, DestinationChoice::besideOriginal),
                               row(destinations, DestinationChoice::chosenFolder),
                               row(destinations, DestinationChoice::askEachTime)}});
    content.groups.push_back({std::nullopt, {row(destinations, DestinationChoice::replaceOriginal)}});
    if (destinations.choice() != destinations.defaultChoice()) {
        content.groups.push_back(
            {std::nullopt,
             {{DestinationMenuTag::saveAsDefault(), QStringLiteral("Save as default"),
               QStringLiteral("New batches ") + destinations.sentenceTail(destinations.choice()), std::nullopt,
               false}}});
    }
    return content;
}

void chooseDestination(DestinationStore& destinations, const DestinationMenuTag& tag) {
    const std::optional<DestinationChoice>& choice = tag.chosenValue();
    if (!choice) {
        destinations.setDefaultChoice(destinations.choice());
    } else if (*choice == DestinationChoice::chosenFolder) {
        destinations.chooseFolder();
    } else if (*choice != destinations.choice()) {
        destinations.setChoice(*choice);
    }
}

} // namespace pictavo
