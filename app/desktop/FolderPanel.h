#pragma once
#include "app/desktop/PanelPurpose.h"

#include <filesystem>
#include <optional>

class QFileDialog;

namespace pictavo {

// Makes a file dialog this application's folder panel of the purpose: folders only, new
// folders allowed, the purpose's message as its title (Qt's dialogs have no message line),
// its prompt on the accepting button, and opening in `startFolder` when one is given.
void setUpFolderPanel(QFileDialog& panel, PanelPurpose purpose,
                      const std::optional<std::filesystem::path>& startFolder);

// The folder an accepted panel chose; none when it chose nothing.
std::optional<std::filesystem::path> chosenFolder(const QFileDialog& panel);

} // namespace pictavo
