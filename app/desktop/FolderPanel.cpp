#include "app/desktop/FolderPanel.h"

#include <QFile>
#include <QFileDialog>

namespace pictavo {

void setUpFolderPanel(QFileDialog& panel, PanelPurpose purpose,
                      const std::optional<std::filesystem::path>& startFolder) {
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly);
    panel.setWindowTitle(panelMessage(purpose));
    panel.setLabelText(QFileDialog::Accept, panelPrompt(purpose));
    if (startFolder) panel.setDirectory(QFile::decodeName(startFolder->c_str()));
}

std::optional<std::filesystem::path> chosenFolder(const QFileDialog& panel) {
    const QStringList chosen = panel.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen.first()).toStdString());
}

} // namespace pictavo
