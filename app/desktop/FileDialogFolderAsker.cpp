#include "app/desktop/FileDialogFolderAsker.h"

#include "app/desktop/FolderPanel.h"

#include <QFileDialog>

namespace pictavo {

std::optional<std::filesystem::path> FileDialogFolderAsker::ask(PanelPurpose purpose,
                                                                const std::optional<std::filesystem::path>& startFolder) {
    QFileDialog dialog;
    setUpFolderPanel(dialog, purpose, startFolder);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return chosenFolder(dialog);
}

} // namespace pictavo
