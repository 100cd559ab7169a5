#include "app/desktop/FileDialogFolderAsker.h"

#include <QFile>
#include <QFileDialog>

namespace pictavo {

std::optional<std::filesystem::path> FileDialogFolderAsker::ask(PanelPurpose purpose,
                                                                const std::optional<std::filesystem::path>& startFolder) {
    QFileDialog dialog;
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowTitle(panelMessage(purpose));
    dialog.setLabelText(QFileDialog::Accept, panelPrompt(purpose));
    if (startFolder) dialog.setDirectory(QFile::decodeName(startFolder->c_str()));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen.first()).toStdString());
}

} // namespace pictavo
