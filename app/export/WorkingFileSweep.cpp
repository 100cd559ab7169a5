#include "app/export/WorkingFileSweep.h"

#include "app/desktop/BackgroundWork.h"
#include "app/export/ReplacementJournal.h"
#include "app/export/SystemExportWriter.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/FileOperations.h"

#include <QByteArray>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
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

// Of this user's, and a plain file; false when it is gone.
bool ownRegularFile(int folder, const std::string& name, struct stat& status) {
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::geteuid();
}

} // namespace

void WorkingFileSweep::sweepFoldersOfLastRun() {
    if (sweptAtLaunch_) return;
    sweptAtLaunch_ = true;
    std::vector<fs::path> folders = recordedFolders();
    if (folders.empty()) return;
    const Clock::time_point cutoff = Clock::now() - settlingTime;
    const int runsBefore = runsStarted_;
    QPointer<QObject> self(this);
    runInBackground(fileWorkPool(), [self, folders = std::move(folders), cutoff, runsBefore] {
        std::vector<fs::path> clean;
        for (const fs::path& folder : folders) {
            if (sweep(folder, cutoff).clean) clean.push_back(folder);
        }
        postTo(self, [self, clean = std::move(clean), runsBefore] {
            auto* sweeper = static_cast<WorkingFileSweep*>(self.data());
            if (sweeper->runsStarted_ == runsBefore) sweeper->forgetCleanFolders(clean);
            Q_EMIT sweeper->launchSweepEnded();
        });
    });
}

void WorkingFileSweep::runStarts(const ExportDestination& destination, const std::vector<fs::path>& sources) {
    ++runsStarted_;
    std::vector<fs::path> folders;
    if (destination.kind() == ExportDestination::Kind::folder) {
        folders.push_back(destination.folderPath());
    } else {
        for (const fs::path& source : sources) folders.push_back(source.parent_path());
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::vector<fs::path> recorded = recordedFolders();
    recorded.insert(recorded.end(), folders.begin(), folders.end());
    record(recorded);
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

void WorkingFileSweep::record(const std::vector<fs::path>& folders) {
    std::vector<fs::path> sorted = folders;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    defaults_.setData(QString::fromLatin1(foldersKey), joined(sorted));
}

void WorkingFileSweep::forgetCleanFolders(const std::vector<fs::path>& clean) {
    std::vector<fs::path> kept = recordedFolders();
    std::erase_if(kept, [&](const fs::path& folder) {
        return std::find(clean.begin(), clean.end(), folder) != clean.end();
    });
    record(kept);
}

bool WorkingFileSweep::isWorkingFileName(std::string_view name) {
    return SystemExportWriter::isWorkingFileName(name) || platform::isProvisionalFileName(name) ||
           ReplacementJournal::isJournalName(name);
}

int WorkingFileSweep::sweepFolder(const fs::path& folder, Clock::time_point cutoff) {
    return sweep(folder, cutoff).removed;
}

WorkingFileSweep::Swept WorkingFileSweep::sweep(const fs::path& folder, Clock::time_point cutoff) {
    Swept swept;
    const platform::FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen()) return swept;
    // The listing takes a descriptor of its own; removals go through the one kept here.
    const int listed = ::dup(directory.get());
    if (listed < 0) return swept;
    DIR* listing = ::fdopendir(listed);
    if (!listing) {
        ::close(listed);
        return swept;
    }
    std::vector<std::string> leftovers;
    std::vector<std::string> journals;
    while (const dirent* entry = ::readdir(listing)) {
        if (ReplacementJournal::isJournalName(entry->d_name)) {
            journals.emplace_back(entry->d_name);
        } else if (isWorkingFileName(entry->d_name)) {
            leftovers.emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);

    auto removeOld = [&](const std::string& name) {
        struct stat status {};
        if (!ownRegularFile(directory.get(), name, status)) return;
        if (timeOf(status.st_mtim) < cutoff && ::unlinkat(directory.get(), name.c_str(), 0) == 0) {
            ++swept.removed;
        } else {
            swept.clean = false;
        }
    };

    // Working files that a live replacement, or a journal, still speaks for.
    std::set<std::string> spokenFor;
    for (const std::string& name : journals) {
        const fs::path journal = folder / name;
        const std::string working = ReplacementJournal::workingFileOf(journal).filename().string();
        const std::optional<platform::TakenOverRecord> left = platform::takeOverReplacementRecord(journal);
        if (!left) {
            spokenFor.insert(working);
            swept.clean = false;
            continue;
        }
        if (!left->record) {
            // Cut short while it was written, before the original was touched.
            removeOld(name);
            continue;
        }
        struct stat status {};
        if (ownRegularFile(directory.get(), working, status) || ::fstatat(directory.get(), working.c_str(), &status,
                                                                          AT_SYMLINK_NOFOLLOW) != 0) {
            SystemExportWriter().finishCutShort(folder / working, *left);
        }
        if (ownRegularFile(directory.get(), working, status)) {
            spokenFor.insert(working);
            swept.clean = false;
            continue;
        }
        if (::unlinkat(directory.get(), name.c_str(), 0) == 0) ++swept.removed;
    }
    for (const std::string& name : leftovers) {
        if (spokenFor.contains(name)) continue;
        removeOld(name);
    }
    if (swept.removed > 0) ::fsync(directory.get());
    return swept;
}

void WorkingFileSweep::sweepInBackground(std::vector<fs::path> folders) {
    if (folders.empty()) return;
    const Clock::time_point cutoff = Clock::now() - settlingTime;
    runInBackground(fileWorkPool(), [folders = std::move(folders), cutoff] {
        for (const fs::path& folder : folders) sweep(folder, cutoff);
    });
}

} // namespace pictavo
