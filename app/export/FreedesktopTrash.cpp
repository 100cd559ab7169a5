#include "app/export/FreedesktopTrash.h"

namespace pictavo {

namespace fs = std::filesystem;

TrashedItem FreedesktopTrash::moveToTrash(const fs::path& path) {
    const platform::TrashEntry entry = writer_.moveToTrash(path);
    return TrashedItem{entry.filesPath, entry.infoPath};
}

void FreedesktopTrash::putBack(const TrashedItem& item, const fs::path& to) {
    files_.moveNoReplace(item.filesPath, to);
    if (item.infoPath) files_.removeFile(*item.infoPath);
}

} // namespace pictavo
