#pragma once
#include "app/export/ExportDestination.h"
#include "app/settings/UserDefaults.h"

#include <QObject>

#include <chrono>
#include <filesystem>
#include <string_view>
#include <vector>

namespace pictavo {

// Removes the working files that an interrupted export left in the user's folders: killed
// or crashed between writing a converted file and giving it its name, the writer leaves a
// hidden ".export-<UUID>" (or, on file systems without anonymous files,
// ".pictavo-partial-<digits>") file behind. A working file with a journal that no writer
// holds is the whole converted photo of a replacement cut short between its two renames: it
// is given its name instead (SystemExportWriter::finishCutShort), whatever its age.
//
// Other leftovers go only when of those name patterns, regular files (never a link) that
// belong to this user, and unchanged for a minute before the sweep began: a working file
// lives for a moment, so a younger one may belong to a replacement under way in another copy
// of the application. Folders are swept off the main thread; one that cannot be read is
// passed over.
//
// The record of folders to sweep only grows as runs start; a folder leaves it once a sweep
// at launch finds it clean, so that one holding a leftover too young to go is swept again at
// the next launch.
//
// Thread rule: main thread, but sweepFolder, which runs on any.
class WorkingFileSweep : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::system_clock;
    static constexpr const char* foldersKey = "workingFileFolders";

    explicit WorkingFileSweep(UserDefaults& defaults, QObject* parent = nullptr)
        : QObject(parent), defaults_(defaults) {}

    // At launch: sweeps the folders of the record. Only the first call sweeps.
    void sweepFoldersOfLastRun();
    // At the start of a run: adds the folders it will write in (each source's folder, or the
    // destination folder) to the record for the next launch, and sweeps the sources' folders
    // when the run replaces originals.
    void runStarts(const ExportDestination& destination, const std::vector<std::filesystem::path>& sources);

    // The folders of the record.
    std::vector<std::filesystem::path> recordedFolders() const;

    // Whether a file of this name is one of the writer's working files or journals.
    static bool isWorkingFileName(std::string_view name);
    // Sweeps one folder on the calling thread: finishes the replacements cut short and removes
    // the leftovers last changed before `cutoff`; returns how many files went.
    static int sweepFolder(const std::filesystem::path& folder, Clock::time_point cutoff);

Q_SIGNALS:
    // A sweep at launch is over, and the record has left the folders it found clean.
    void launchSweepEnded();

private:
    struct Swept {
        int removed = 0;
        bool clean = true;
    };
    static Swept sweep(const std::filesystem::path& folder, Clock::time_point cutoff);
    static void sweepInBackground(std::vector<std::filesystem::path> folders);
    void record(const std::vector<std::filesystem::path>& folders);
    void forgetCleanFolders(const std::vector<std::filesystem::path>& clean);

    UserDefaults& defaults_;
    bool sweptAtLaunch_ = false;
    // Runs started so far: a folder found clean before a run began may not be clean after.
    int runsStarted_ = 0;
};

} // namespace pictavo
