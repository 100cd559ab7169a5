#include "app/export/FreedesktopTrash.h"

namespace pictavo {

namespace fs = std::filesystem;

TrashedItem FreedesktopTrash::moveToTrash(const fs::path& path) {
    const platform::TrashEntry entry = writer_.moveToTrash(path);
    return TrashedItem{entry.filesPath, entry.infoPath};
}

TrashedItem FreedesktopTrash::linkIntoTrash(const fs::path& path) {
    const platform::TrashEntry entry = writer_.linkIntoTrash(path);
    return TrashedItem{entry.filesPath, entry.infoPath};
}

void FreedesktopTrash::forget(const TrashedItem& item) noexcept {
    // The item goes first: a record left without its item is passed over by file managers.
    files_.removeFile(item.filesPath);
    if (item.infoPath) files_.removeFile(*item.infoPath);
}

void FreedesktopTrash::putBack(const TrashedItem& item, const fs::path& to) {
    files_.moveNoReplace(item.filesPath, to);
    if (item.infoPath) files_.removeFile(*item.infoPath);
}

} // namespace pictavo
