#include "platform/files/FolderWalk.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

void walkInto(const fs::path& folder, std::vector<fs::path>& files) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) return;
    std::vector<fs::path> subfolders;
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) return;
        const fs::path& path = entries->path();
        const std::string name = path.filename().string();
        if (name.empty() || name.front() == '.') continue;
        // The entry's own type: a link, to a file or to a folder, is neither.
        std::error_code statusError;
        const fs::file_type type = entries->symlink_status(statusError).type();
        if (statusError) continue;
        if (type == fs::file_type::regular) {
            files.push_back(path);
        } else if (type == fs::file_type::directory) {
            subfolders.push_back(path);
        }
    }
    for (const fs::path& subfolder : subfolders) walkInto(subfolder, files);
}

} // namespace

std::vector<fs::path> walkRegularFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    walkInto(folder, files);
    return files;
}

} // namespace platform
