#pragma once
#include <QByteArray>

#include <filesystem>
#include <optional>

namespace pictavo {

// Persistent references to folders that the application may use again at a later launch.
class Bookmarks {
public:
    struct Resolved {
        std::filesystem::path path;
        // The data should be made again (the folder moved).
        bool isStale = false;
    };

    virtual ~Bookmarks() = default;
    // None when no bookmark can be made.
    virtual std::optional<QByteArray> make(const std::filesystem::path& folder) = 0;
    // None when the bookmark no longer leads to a folder.
    virtual std::optional<Resolved> resolve(const QByteArray& data) = 0;
    // Begins using the folder; false when access is refused.
    virtual bool startAccessing(const std::filesystem::path& folder) = 0;
    virtual void stopAccessing(const std::filesystem::path& folder) = 0;
};

} // namespace pictavo
