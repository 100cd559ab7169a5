#include "app/desktop/FileDialogFolderAsker.h"

#include "app/desktop/FolderPanel.h"

#include <QApplication>
#include <QFileDialog>

namespace pictavo {

std::optional<std::filesystem::path> FileDialogFolderAsker::ask(PanelPurpose purpose) {
    // Over the window that asked, as its own panel: the window manager keeps it above that
    // window and gives the keyboard back to it.
    QFileDialog dialog(QApplication::activeWindow());
    setUpFolderPanel(dialog, purpose, std::nullopt);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return chosenFolder(dialog);
}

} // namespace pictavo
