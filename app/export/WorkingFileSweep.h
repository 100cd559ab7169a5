#pragma once
#include "app/export/ExportDestination.h"
#include "app/settings/UserDefaults.h"

#include <chrono>
#include <filesystem>
#include <string_view>
#include <vector>

namespace pictavo {

// Removes the working files that an interrupted export left in the user's folders: killed
// or crashed between writing a converted file and giving it its name, the writer leaves a
// hidden ".export-<UUID>" (or, on file systems without anonymous files,
// ".pictavo-partial-<digits>") file behind.
//
// Only files of those two name patterns go, only regular files (never a link) that belong
// to this user, and only ones unchanged for a minute before the sweep began: a working
// file lives for a moment, so a younger one may belong to a replacement under way in
// another copy of the application. Folders are swept off the main thread; one that cannot
// be read is passed over.
class WorkingFileSweep {
public:
    using Clock = std::chrono::system_clock;
    static constexpr const char* foldersKey = "workingFileFolders";

    explicit WorkingFileSweep(UserDefaults& defaults) : defaults_(defaults) {}

    // At launch: sweeps the folders the last run recorded. Only the first call sweeps.
    void sweepFoldersOfLastRun();
    // At the start of a run: records the folders it will write in (each source's folder,
    // or the destination folder) for the next launch, and sweeps the sources' folders when
    // the run replaces originals.
    void runStarts(const ExportDestination& destination, const std::vector<std::filesystem::path>& sources);

    // The folders the last run recorded.
    std::vector<std::filesystem::path> recordedFolders() const;

    // Whether a file of this name is one of the writer's working files.
    static bool isWorkingFileName(std::string_view name);
    // Sweeps one folder on the calling thread, removing the leftovers last changed before
    // `cutoff`; returns how many went.
    static int sweepFolder(const std::filesystem::path& folder, Clock::time_point cutoff);

private:
    static void sweepInBackground(std::vector<std::filesystem::path> folders);

    UserDefaults& defaults_;
    bool sweptAtLaunch_ = false;
};

} // namespace pictavo
