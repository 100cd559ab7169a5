#include "app/export/PathBookmarks.h"

#include "platform/files/FileStatus.h"

namespace pictavo {

std::optional<QByteArray> PathBookmarks::make(const std::filesystem::path& folder) {
    if (!folder.is_absolute()) return std::nullopt;
    return QByteArray::fromStdString(folder.string());
}

std::optional<Bookmarks::Resolved> PathBookmarks::resolve(const QByteArray& data) {
    const std::filesystem::path path(data.toStdString());
    if (data.isEmpty() || !path.is_absolute() || !platform::isDirectory(path)) return std::nullopt;
    return Resolved{path, false};
}

} // namespace pictavo
