#pragma once
#include "app/export/Bookmarks.h"

namespace pictavo {

// Bookmarks of an application that is not sandboxed: the folder's path, and access that
// is always there. A folder that was moved is not followed; its bookmark no longer opens.
class PathBookmarks : public Bookmarks {
public:
    std::optional<QByteArray> make(const std::filesystem::path& folder) override;
    std::optional<Resolved> resolve(const QByteArray& data) override;
    bool startAccessing(const std::filesystem::path&) override { return true; }
    void stopAccessing(const std::filesystem::path&) override {}
};

} // namespace pictavo
