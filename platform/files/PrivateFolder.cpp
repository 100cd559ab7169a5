#include "platform/files/PrivateFolder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

void createPrivateFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0) throw FileError(folder, errno, FileOperation::createFolder);
    // The umask may have taken bits away but never adds any; set exactly 0700 all the same.
    if (::chmod(folder.c_str(), 0700) != 0) throw FileError(folder, errno, FileOperation::createFolder);
}

void ensurePrivateFolder(const fs::path& folder) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        if (errno != ENOENT) throw FileError(folder, errno, FileOperation::createFolder);
        const fs::path parent = folder.parent_path();
        std::error_code ignored;
        // Parents are ordinary folders of the user's (such as ~/.cache); only the last one is private.
        if (!parent.empty() && parent != folder) fs::create_directories(parent, ignored);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            throw FileError(folder, errno, FileOperation::createFolder);
        }
        if (::lstat(folder.c_str(), &status) != 0) throw FileError(folder, errno, FileOperation::createFolder);
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        throw FileError(folder, EPERM, FileOperation::createFolder);
    }
    if ((status.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) {
        throw FileError(folder, errno, FileOperation::createFolder);
    }
}

} // namespace platform
