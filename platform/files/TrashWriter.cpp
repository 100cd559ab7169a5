#include "platform/files/TrashWriter.h"

#include "platform/files/SafeFileName.h"
#include "platform/files/TrashRecord.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view recordExtension = ".trashinfo";
// Names already taken in the Trash are passed over for "name.2.ext", "name.3.ext"...; past
// this many the Trash is not usable for the item.
constexpr int namesToTry = 100;

[[noreturn]] void fail(const fs::path& item, int error) { throw FileError(item, error, FileOperation::trash); }

std::string userHome() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
        return found->pw_dir;
    }
    return {};
}

// The user's data folder; empty when there is no home to hold it.
fs::path dataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return data;
    const std::string home = userHome();
    return home.empty() ? fs::path() : fs::path(home) / ".local" / "share";
}

// The disk a folder is on, or will be on once made: that of its nearest existing ancestor.
std::optional<dev_t> diskOf(fs::path folder) {
    for (;;) {
        struct stat status {};
        if (::stat(folder.c_str(), &status) == 0) return status.st_dev;
        if (errno != ENOENT || folder == folder.parent_path()) return std::nullopt;
        folder = folder.parent_path();
    }
}

// The folder, made 0700 with its missing parents; a folder already there is used as it is.
void makeFolders(const fs::path& folder, const fs::path& item) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) == 0) {
        if (!S_ISDIR(status.st_mode)) fail(item, ENOTDIR);
        return;
    }
    if (errno != ENOENT) fail(item, errno);
    if (folder != folder.parent_path()) makeFolders(folder.parent_path(), item);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) fail(item, errno);
}

// A folder on a shared disk that holds this user's Trash: made 0700 when missing, and used
// only when it is a real folder of this user's, which nobody else can point elsewhere.
// The error number that rules it out, or 0.
int ownFolderRefusal(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) return errno;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() ? 0 : EPERM;
}

// The highest folder above the item that is on the item's disk: where the disk is mounted.
fs::path topFolderOf(const fs::path& folder, dev_t disk) {
    fs::path top = folder;
    while (top != top.parent_path()) {
        struct stat status {};
        if (::stat(top.parent_path().c_str(), &status) != 0 || status.st_dev != disk) break;
        top = top.parent_path();
    }
    return top;
}

// The Trash of the disk mounted at `top`.
fs::path diskTrash(const fs::path& top, const fs::path& item) {
    const std::string user = std::to_string(::geteuid());
    const fs::path shared = top / ".Trash";
    struct stat status {};
    // A shared Trash that is a link, or lacks the sticky bit, would let other users remove
    // or swap this user's items; it is passed over.
    if (::lstat(shared.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0 &&
        ownFolderRefusal(shared / user) == 0) {
        return shared / user;
    }
    const fs::path own = top / (".Trash-" + user);
    if (const int refusal = ownFolderRefusal(own)) fail(item, refusal);
    return own;
}

// The item's name in the Trash for the n-th try: the name itself, then "photo.2.png",
// "photo.3.png"..., each short enough that its record's name fits the file system.
std::string nameInTrash(const std::string& name, int attempt) {
    const std::size_t limit = maximumFileNameBytes - recordExtension.size();
    if (attempt == 1) return fileNameWithin(name, limit);
    return markedFileName(name, "." + std::to_string(attempt), limit);
}

} // namespace

TrashEntry TrashWriter::moveToTrash(const fs::path& path, const ClaimNotice& noteClaim) {
    return putInTrash(path, Placement::move, noteClaim);
}

TrashEntry TrashWriter::linkIntoTrash(const fs::path& path) { return putInTrash(path, Placement::link, {}); }

TrashWriter::Place TrashWriter::placeOf(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error).lexically_normal();
    if (error) fail(path, error.value());
    if (!absolute.has_filename()) fail(path, EINVAL);
    // The folder without links, so that the item's path below its disk's top folder is known.
    const fs::path folder = fs::canonical(absolute.parent_path(), error);
    if (error) fail(path, error.value());
    const fs::path item = folder / absolute.filename();
    struct stat status {};
    if (::lstat(item.c_str(), &status) != 0) fail(path, errno);

    fs::path trash;
    std::string recordedPath;
    const fs::path data = dataHome();
    const std::optional<dev_t> homeDisk = data.empty() ? std::nullopt : diskOf(data / "Trash");
    if (homeDisk == status.st_dev) {
        trash = data / "Trash";
        recordedPath = item.string();
    } else {
        const fs::path top = topFolderOf(folder, status.st_dev);
        trash = diskTrash(top, path);
        // Records in a disk's own Trash are relative to its top folder, so that they still
        // restore when the disk is mounted elsewhere.
        recordedPath = item.lexically_relative(top).string();
    }
    return Place{item, trash, recordedPath};
}

std::optional<TrashEntry> TrashWriter::entryFor(const fs::path& path, const std::string& trashName) {
    Place place;
    try {
        place = placeOf(path);
    } catch (const FileError&) {
        return std::nullopt;
    }
    const TrashEntry entry{place.trash / "files" / trashName,
                           place.trash / "info" / (trashName + std::string(recordExtension))};
    // Only the lines the writer wrote: the record's time may be any.
    const std::string pathLine = "\nPath=" + percentEncodedPath(place.recordedPath) + "\n";
    Bytes record;
    try {
        record = readFileStart(entry.infoPath, 64 * 1024);
    } catch (const FileError&) {
        return std::nullopt;
    }
    if (std::string_view(reinterpret_cast<const char*>(record.data()), record.size()).find(pathLine) ==
        std::string_view::npos) {
        return std::nullopt;
    }
    return entry;
}

TrashEntry TrashWriter::putInTrash(const fs::path& path, Placement placement, const ClaimNotice& noteClaim) {
    const auto [item, trash, recordedPath] = placeOf(path);
    makeFolders(trash / "files", path);
    makeFolders(trash / "info", path);

    const std::string text = trashRecordText(recordedPath, std::time(nullptr));
    const Bytes record(text.begin(), text.end());
    const std::string name = item.filename().string();
    for (int attempt = 1; attempt <= namesToTry; ++attempt) {
        const std::string trashName = nameInTrash(name, attempt);
        const fs::path info = trash / "info" / (trashName + std::string(recordExtension));
        try {
            files_.writeExclusive(info, record, 0600);
        } catch (const FileError& refused) {
            if (refused.errorNumber() == EEXIST) continue;
            fail(path, refused.errorNumber());
        }
        // The record is on disk before the item moves, so the item is never in the Trash without one.
        files_.syncFolder(info.parent_path());
        const fs::path target = trash / "files" / trashName;
        try {
            if (placement == Placement::move) {
                files_.moveNoReplace(item, target, noteClaim);
            } else {
                files_.linkNoReplace(item, target);
            }
        } catch (const FileError& refused) {
            files_.removeFile(info);
            // A file without a record may hold the name in "files".
            if (refused.errorNumber() == EEXIST) continue;
            fail(path, refused.errorNumber());
        }
        files_.syncFolder(target.parent_path());
        return TrashEntry{target, info};
    }
    fail(path, EEXIST);
}

} // namespace platform
