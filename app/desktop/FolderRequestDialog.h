#pragma once
#include "app/desktop/FolderRequest.h"

#include <QPointer>

#include <filesystem>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace pictavo {

// Shows the panel of a folder request without holding up the event loop: the panel opens
// (window-modal when it has a window) and returns at once, and the answer comes back
// through a callback when the user closes it. One request at a time; main thread only.
class FolderRequestDialog {
public:
    // The chosen folder, or none when the panel was cancelled.
    using Answer = std::function<void(const QUuid& request, std::optional<std::filesystem::path> folder)>;

    explicit FolderRequestDialog(QWidget* window = nullptr) : window_(window) {}
    // A panel still open closes unanswered.
    ~FolderRequestDialog();
    FolderRequestDialog(const FolderRequestDialog&) = delete;
    FolderRequestDialog& operator=(const FolderRequestDialog&) = delete;

    // Opens the request's panel; `answered` is called once, when the user closes it.
    // Showing the request already shown does nothing; another request takes the place of
    // the one shown, which then gets no answer.
    void show(const FolderRequest& request, Answer answered);
    // Closes the panel without an answer: its request was withdrawn.
    void withdraw();

private:
    QWidget* window_;
    QPointer<QFileDialog> panel_;
    QUuid shown_;
};

} // namespace pictavo
