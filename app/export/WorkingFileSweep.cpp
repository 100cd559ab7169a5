#include "app/export/WorkingFileSweep.h"

#include "app/desktop/BackgroundWork.h"
#include "app/export/SystemExportWriter.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/FileOperations.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// How long a working file must have been left alone before it counts as left over.
constexpr std::chrono::minutes settlingTime(1);

WorkingFileSweep::Clock::time_point timeOf(const timespec& moment) {
    return WorkingFileSweep::Clock::time_point(std::chrono::duration_cast<WorkingFileSweep::Clock::duration>(
        std::chrono::seconds(moment.tv_sec) + std::chrono::nanoseconds(moment.tv_nsec)));
}

// Paths hold any byte but NUL, so NUL parts them.
QByteArray joined(const std::vector<fs::path>& folders) {
    QByteArray bytes;
    for (const fs::path& folder : folders) {
        if (!bytes.isEmpty()) bytes.append('\0');
        bytes.append(folder.c_str());
    }
    return bytes;
}

} // namespace

void WorkingFileSweep::sweepFoldersOfLastRun() {
    if (sweptAtLaunch_) return;
    sweptAtLaunch_ = true;
    sweepInBackground(recordedFolders());
}

void WorkingFileSweep::runStarts(const ExportDestination& destination, const std::vector<fs::path>& sources) {
    std::vector<fs::path> folders;
    if (destination.kind() == ExportDestination::Kind::folder) {
        folders.push_back(destination.folderPath());
    } else {
        for (const fs::path& source : sources) folders.push_back(source.parent_path());
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    defaults_.setData(QString::fromLatin1(foldersKey), joined(folders));
    if (destination.kind() == ExportDestination::Kind::replaceOriginal) sweepInBackground(std::move(folders));
}

std::vector<fs::path> WorkingFileSweep::recordedFolders() const {
    std::vector<fs::path> folders;
    const std::optional<QByteArray> stored = defaults_.data(QString::fromLatin1(foldersKey));
    if (!stored) return folders;
    for (const QByteArray& part : stored->split('\0')) {
        // Only absolute paths were recorded; anything else was not written by this class.
        if (part.startsWith('/')) folders.emplace_back(part.toStdString());
    }
    return folders;
}

bool WorkingFileSweep::isWorkingFileName(std::string_view name) {
    return SystemExportWriter::isWorkingFileName(name) || platform::isProvisionalFileName(name);
}

int WorkingFileSweep::sweepFolder(const fs::path& folder, Clock::time_point cutoff) {
    const platform::FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen()) return 0;
    // The listing takes a descriptor of its own; removals go through the one kept here.
    const int listed = ::dup(directory.get());
    if (listed < 0) return 0;
    DIR* listing = ::fdopendir(listed);
    if (!listing) {
        ::close(listed);
        return 0;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(listing)) {
        if (isWorkingFileName(entry->d_name)) leftovers.emplace_back(entry->d_name);
    }
    ::closedir(listing);

    int removed = 0;
    for (const std::string& name : leftovers) {
        struct stat status {};
        if (::fstatat(directory.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const bool left = S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && timeOf(status.st_mtim) < cutoff;
        if (left && ::unlinkat(directory.get(), name.c_str(), 0) == 0) ++removed;
    }
    return removed;
}

void WorkingFileSweep::sweepInBackground(std::vector<fs::path> folders) {
    if (folders.empty()) return;
    const Clock::time_point cutoff = Clock::now() - settlingTime;
    runInBackground(fileWorkPool(), [folders = std::move(folders), cutoff] {
        for (const fs::path& folder : folders) sweepFolder(folder, cutoff);
    });
}

} // namespace pictavo
