#include "platform/files/FileStatus.h"

#include <dirent.h>
#include <sys/stat.h>

namespace platform {

namespace fs = std::filesystem;

FileStamp readFileStamp(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return {static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

fs::path fileKey(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) absolute = path;
    absolute = absolute.lexically_normal();
    // "/a/b/" and "/a/b" are one folder.
    if (!absolute.has_filename() && absolute.has_parent_path() && absolute != absolute.root_path()) {
        absolute = absolute.parent_path();
    }
    const fs::path canonical = fs::canonical(absolute, error);
    return error ? absolute : canonical;
}

bool isDirectory(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isRegularFile(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool isRegularFileNoFollow(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool isSymbolicLink(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool isSameFile(const fs::path& first, const fs::path& second) {
    const std::optional<FileIdentity> a = fileIdentity(first);
    return a && a == fileIdentity(second);
}

bool isListedIn(const fs::path& folder, const std::string& name) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return false;
    bool listed = false;
    while (const dirent* entry = ::readdir(listing)) {
        if (name == entry->d_name) {
            listed = true;
            break;
        }
    }
    ::closedir(listing);
    return listed;
}

std::optional<FileIdentity> fileIdentity(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

} // namespace platform
