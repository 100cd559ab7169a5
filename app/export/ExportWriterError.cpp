#include "app/export/ExportWriterError.h"

#include "platform/files/FileErrorText.h"

namespace pictavo {

ExportWriterError ExportWriterError::withUnderlyingPath(const std::filesystem::path& path) const {
    if (!underlying_) return *this;
    return ExportWriterError(kind_, underlying_->withPath(path));
}

std::string ExportWriterError::description() const {
    // The file error's sentence goes in brackets inside this one, without its own full stop.
    std::string cause = underlying_ ? platform::fileErrorDescription(*underlying_) : std::string();
    if (cause.ends_with('.')) cause.pop_back();
    switch (kind_) {
    case Kind::replacedButNotMoved:
        return "The original is safe in the Trash, but the converted file couldn't be saved in its place (" + cause +
               ").";
    case Kind::trashRefused:
        return "The original couldn't be moved to the Trash, so it was left as it is (" + cause + ").";
    case Kind::changedInTrash:
        return "This file changed while it was being replaced, so nothing was saved in its place. The version that "
               "changed is in the Trash.";
    }
    return {};
}

std::string ExportWriterError::diagnostic() const {
    const std::string cause = underlying_ ? platform::fileErrorDiagnostic(*underlying_) : std::string();
    switch (kind_) {
    case Kind::replacedButNotMoved: return "replacedButNotMoved(" + cause + ")";
    case Kind::trashRefused: return "trashRefused(" + cause + ")";
    case Kind::changedInTrash: return "changedInTrash";
    }
    return {};
}

} // namespace pictavo
