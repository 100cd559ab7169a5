#pragma once
#include <QString>

#include <array>
#include <optional>

namespace pictavo {

// Where the next export goes, as the user chose it. Also DestinationStore::Choice.
enum class DestinationChoice { besideOriginal, chosenFolder, askEachTime, replaceOriginal };

inline constexpr std::array<DestinationChoice, 4> allDestinationChoices{
    DestinationChoice::besideOriginal, DestinationChoice::chosenFolder, DestinationChoice::askEachTime,
    DestinationChoice::replaceOriginal};

// The stored form: "besideOriginal", "chosenFolder", "askEachTime", "replaceOriginal".
QString rawValue(DestinationChoice choice);
// None for any other text.
std::optional<DestinationChoice> destinationChoiceFromRawValue(const QString& raw);
// The destination menus' title: "Beside each original", "In a folder…", ...
QString menuTitle(DestinationChoice choice);

} // namespace pictavo
