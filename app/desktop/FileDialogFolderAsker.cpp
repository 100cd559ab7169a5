#include "app/desktop/FileDialogFolderAsker.h"

#include "app/desktop/FolderPanel.h"

#include <QFileDialog>

namespace pictavo {

std::optional<std::filesystem::path> FileDialogFolderAsker::ask(PanelPurpose purpose) {
    QFileDialog dialog;
    setUpFolderPanel(dialog, purpose, std::nullopt);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return chosenFolder(dialog);
}

} // namespace pictavo
