#pragma once
#include "app/desktop/FolderAsker.h"

namespace pictavo {

// Asks in a modal folder dialog: folders only, new folders allowed, the purpose's message
// as its title (Qt's dialogs have no message line) and its prompt on the accepting button.
class FileDialogFolderAsker : public FolderAsker {
public:
    std::optional<std::filesystem::path> ask(PanelPurpose purpose,
                                             const std::optional<std::filesystem::path>& startFolder) override;
};

} // namespace pictavo
