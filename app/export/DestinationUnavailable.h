#pragma once
#include <QString>

#include <array>

namespace pictavo {

// Why the chosen-folder destination cannot be used.
enum class DestinationUnavailable {
    // No folder was ever chosen.
    noFolderChosen,
    // A folder was chosen, but it is no longer there.
    folderMissing,
};

inline constexpr std::array<DestinationUnavailable, 2> allDestinationUnavailableReasons{
    DestinationUnavailable::noFolderChosen, DestinationUnavailable::folderMissing};

// The alert's title, also the status line.
QString title(DestinationUnavailable reason);
// The alert's message, above its "Choose Folder…" button.
QString alertMessage(DestinationUnavailable reason);

} // namespace pictavo
