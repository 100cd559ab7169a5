#include "app/export/FreedesktopTrash.h"

#include <QFile>

#include <cerrno>

namespace pictavo {

namespace fs = std::filesystem;

TrashedItem FreedesktopTrash::moveToTrash(const fs::path& path) {
    QString pathInTrash;
    errno = 0;
    if (!QFile::moveToTrash(QFile::decodeName(path.c_str()), &pathInTrash)) {
        // Qt reports no error number of its own; the failing call's is still in errno.
        const int error = errno != 0 ? errno : EIO;
        throw platform::FileError(path, error, platform::FileOperation::trash);
    }
    TrashedItem item;
    item.filesPath = fs::path(QFile::encodeName(pathInTrash).toStdString());
    // The record sits in the Trash's "info" folder beside "files", named after the item.
    const fs::path trashFolder = item.filesPath.parent_path().parent_path();
    item.infoPath = trashFolder / "info" / (item.filesPath.filename().string() + ".trashinfo");
    return item;
}

void FreedesktopTrash::putBack(const TrashedItem& item, const fs::path& to) {
    files_.moveNoReplace(item.filesPath, to);
    if (item.infoPath) files_.removeFile(*item.infoPath);
}

} // namespace pictavo
