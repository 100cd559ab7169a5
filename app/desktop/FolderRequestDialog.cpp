#include "app/desktop/FolderRequestDialog.h"

#include "app/desktop/FolderPanel.h"

#include <QFileDialog>

namespace pictavo {

FolderRequestDialog::~FolderRequestDialog() { withdraw(); }

void FolderRequestDialog::show(const FolderRequest& request, Answer answered) {
    if (panel_ && shown_ == request.id) return;
    withdraw();
    auto* panel = new QFileDialog(window_);
    setUpFolderPanel(*panel, request.purpose, request.startFolder);
    panel_ = panel;
    shown_ = request.id;
    QObject::connect(panel, &QDialog::finished, panel,
                     [this, panel, id = request.id, answered = std::move(answered)](int result) {
                         const std::optional<std::filesystem::path> folder =
                             result == QDialog::Accepted ? chosenFolder(*panel) : std::nullopt;
                         // Forgotten before the answer, which may well withdraw its request.
                         panel_.clear();
                         panel->deleteLater();
                         answered(id, folder);
                     });
    panel->open();
}

void FolderRequestDialog::withdraw() {
    QFileDialog* panel = panel_;
    panel_.clear();
    if (!panel) return;
    // Closing answers nothing: its signal is let go first.
    QObject::disconnect(panel, &QDialog::finished, nullptr, nullptr);
    delete panel;
}

} // namespace pictavo
