#include "platform/files/FileErrorText.h"

#include "platform/text/TextFormat.h"

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// Straight marks, as the apostrophes of the sentences around them are.
std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string sentence(const FileError& error) {
    const std::string name = quoted(lastPathComponent(error.path().string()));
    const std::string folder = quoted(lastPathComponent(error.path().parent_path().string()));
    const int code = error.errorNumber();
    switch (error.operation()) {
    case FileOperation::write:
        if (error.isPermissionDenial()) return "You don't have permission to save the file " + name + " in the folder " + folder;
        if (code == ENOSPC || code == EDQUOT) return "The file " + name + " couldn't be saved because there isn't enough space";
        if (code == EROFS) return "The file " + name + " couldn't be saved because the volume is read only";
        if (code == EEXIST) return "The file " + name + " couldn't be saved because a file with that name already exists";
        if (code == ENOENT || code == ENOTDIR) {
            return "The file " + name + " couldn't be saved because the folder " + folder + " isn't there";
        }
        if (code == EINVAL || code == ENAMETOOLONG) {
            return "The file " + name + " couldn't be saved because the disk can't hold that name";
        }
        return "The file " + name + " couldn't be saved in the folder " + folder;
    case FileOperation::move:
        if (error.isPermissionDenial()) return name + " couldn't be moved because you don't have permission to access " + folder;
        if (code == EEXIST) return name + " couldn't be moved because an item with the same name already exists";
        if (code == EXDEV) return name + " couldn't be moved because it would have to go to another disk";
        if (code == EINVAL || code == ENAMETOOLONG) return name + " couldn't be moved because the disk can't hold that name";
        return name + " couldn't be moved";
    case FileOperation::trash:
        if (error.isPermissionDenial()) return name + " couldn't be moved to the Trash because you don't have permission to access it";
        return name + " couldn't be moved to the Trash";
    case FileOperation::remove: return name + " couldn't be removed";
    case FileOperation::copy:
        if (error.isPermissionDenial()) return "The file " + name + " couldn't be copied because you don't have permission to access it";
        return "The file " + name + " couldn't be copied";
    case FileOperation::createFolder: return "The folder " + name + " couldn't be made";
    case FileOperation::read:
        if (code == ENOENT || code == ENOTDIR) return "The file " + name + " couldn't be opened because there is no such file";
        if (error.isPermissionDenial()) {
            return "The file " + name + " couldn't be opened because you don't have permission to view it";
        }
        return "The file " + name + " couldn't be opened";
    }
    return "The file " + name + " couldn't be used";
}

} // namespace

std::string fileErrorDescription(const FileError& error) { return sentence(error) + "."; }

std::string fileErrorSystemWords(const FileError& error) { return std::strerror(error.errorNumber()); }

std::string fileErrorDiagnostic(const FileError& error) { return "POSIX " + plainInteger(error.errorNumber()); }

} // namespace platform
