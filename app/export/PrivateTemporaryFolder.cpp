#include "app/export/PrivateTemporaryFolder.h"

#include "platform/files/FileOperations.h"
#include "platform/files/PrivateFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

fs::path pathOf(const QString& text) { return fs::path(QFile::encodeName(text).toStdString()); }

// The runtime folder the session gave this user, when it is one.
std::optional<fs::path> runtimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || runtime.front() != '/') return std::nullopt;
    struct stat status {};
    if (::lstat(runtime.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        return std::nullopt;
    }
    return fs::path(runtime.toStdString());
}

// How many fresh folders a maker tries when a sweep took each one for a leftover before it
// was locked.
constexpr int attemptsAtAnOwnedFolder = 8;

// The folder opened and locked without waiting; a closed descriptor when someone else holds
// it, or it is a link or gone.
platform::FileDescriptor lockedFolder(const fs::path& folder) {
    platform::FileDescriptor opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!opened.isOpen() || ::flock(opened.get(), LOCK_EX | LOCK_NB) != 0) return {};
    return opened;
}

// Whether the descriptor still names the folder at the path (a sweep may have removed it
// between its making and its locking).
bool stillAt(const platform::FileDescriptor& opened, const fs::path& folder) {
    struct stat held {};
    struct stat atPath {};
    return ::fstat(opened.get(), &held) == 0 && held.st_nlink > 0 && ::lstat(folder.c_str(), &atPath) == 0 &&
           held.st_dev == atPath.st_dev && held.st_ino == atPath.st_ino;
}

} // namespace

fs::path privateTemporaryBase() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) name = QStringLiteral("pictavo");
    fs::path base;
    if (const auto runtime = runtimeFolder()) {
        base = *runtime / pathOf(name);
    } else {
        base = pathOf(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)) / "tmp";
    }
    platform::ensurePrivateFolder(base);
    return base;
}

fs::path makePrivateTemporaryFolder(const QString& prefix) {
    const fs::path folder =
        privateTemporaryBase() / pathOf(prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    platform::createPrivateFolder(folder);
    return folder;
}

OwnedTemporaryFolder makeOwnedTemporaryFolder(const QString& prefix) {
    for (int attempt = 1;; ++attempt) {
        const fs::path folder = makePrivateTemporaryFolder(prefix);
        platform::FileDescriptor lock = lockedFolder(folder);
        if (lock.isOpen() && stillAt(lock, folder)) return OwnedTemporaryFolder{folder, std::move(lock)};
        if (attempt == attemptsAtAnOwnedFolder) throw platform::FileError(folder, EBUSY, platform::FileOperation::createFolder);
    }
}

int removeUnownedTemporaryFolders(const QString& prefix) {
    fs::path base;
    try {
        base = privateTemporaryBase();
    } catch (const std::exception&) {
        return 0;
    }
    const std::string start = QFile::encodeName(prefix).toStdString();
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(base.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name.size() > start.size() && name.starts_with(start)) names.push_back(name);
        }
        ::closedir(listing);
    }
    int removed = 0;
    for (const std::string& name : names) {
        const fs::path folder = base / name;
        struct stat status {};
        if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) continue;
        // Held while it goes, so that nobody takes it up half removed.
        const platform::FileDescriptor lock = lockedFolder(folder);
        if (!lock.isOpen() || !stillAt(lock, folder)) continue;
        platform::FileOperations::system().removeTree(folder);
        ++removed;
    }
    return removed;
}

} // namespace pictavo
