#pragma once
#include "app/desktop/FolderAsker.h"

namespace pictavo {

// Asks in a modal folder panel (see FolderPanel.h). Only for asking that answers a user's
// own command, such as choosing the default folder; work under way asks through a
// FolderRequest instead.
class FileDialogFolderAsker : public FolderAsker {
public:
    std::optional<std::filesystem::path> ask(PanelPurpose purpose) override;
};

} // namespace pictavo
