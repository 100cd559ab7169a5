#include "app/export/FreedesktopTrash.h"

namespace pictavo {

namespace fs = std::filesystem;

TrashedItem FreedesktopTrash::moveToTrash(const fs::path& path, const platform::ClaimNotice& noteClaim) {
    const platform::TrashEntry entry = writer_.moveToTrash(path, noteClaim);
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

void FreedesktopTrash::putBack(const TrashedItem& item, const fs::path& to, const platform::ClaimNotice& noteClaim) {
    files_.moveNoReplace(item.filesPath, to, noteClaim);
    if (item.infoPath) files_.removeFile(*item.infoPath);
}

std::optional<TrashedItem> FreedesktopTrash::itemFor(const fs::path& path, const std::string& trashName) {
    const std::optional<platform::TrashEntry> entry = writer_.entryFor(path, trashName);
    if (!entry) return std::nullopt;
    return TrashedItem{entry->filesPath, entry->infoPath};
}

} // namespace pictavo
