#pragma once
#include "app/desktop/PanelPurpose.h"

#include <QUuid>

#include <filesystem>
#include <optional>

namespace pictavo {

// A folder that work under way waits for the user to choose. The work records the request
// and carries on with what does not need the folder; whoever shows the panel answers later,
// by the request's id, so no panel ever runs inside the model that asked.
struct FolderRequest {
    QUuid id;
    PanelPurpose purpose = PanelPurpose::fallbackFolder;
    // The folder the panel opens in, when there is one.
    std::optional<std::filesystem::path> startFolder;

    friend bool operator==(const FolderRequest&, const FolderRequest&) = default;
};

} // namespace pictavo
