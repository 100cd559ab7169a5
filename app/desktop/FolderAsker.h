#pragma once
#include "app/desktop/PanelPurpose.h"

#include <filesystem>
#include <optional>

namespace pictavo {

// Asks the user for a folder in a modal panel (which runs a nested event loop). None when
// the user cancelled.
class FolderAsker {
public:
    virtual ~FolderAsker() = default;
    virtual std::optional<std::filesystem::path> ask(PanelPurpose purpose) = 0;
};

} // namespace pictavo
