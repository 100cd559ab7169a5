#include "app/export/DestinationChoice.h"

namespace pictavo {

QString rawValue(DestinationChoice choice) {
    switch (choice) {
    case DestinationChoice::besideOriginal: return QStringLiteral("besideOriginal");
    case DestinationChoice::chosenFolder: return QStringLiteral("chosenFolder");
    case DestinationChoice::askEachTime: return QStringLiteral("askEachTime");
    case DestinationChoice::replaceOriginal: return QStringLiteral("replaceOriginal");
    }
    return {};
}

std::optional<DestinationChoice> destinationChoiceFromRawValue(const QString& raw) {
    for (DestinationChoice choice : allDestinationChoices) {
        if (rawValue(choice) == raw) return choice;
    }
    return std::nullopt;
}

QString menuTitle(DestinationChoice choice) {
    switch (choice) {
    case DestinationChoice::besideOriginal: return QStringLiteral("Beside each original");
    case DestinationChoice::chosenFolder: return QStringLiteral("In a folder\u2026");
    case DestinationChoice::askEachTime: return QStringLiteral("Ask each time");
    case DestinationChoice::replaceOriginal: return QStringLiteral("Replace the originals");
    }
    return {};
}

} // namespace pictavo
