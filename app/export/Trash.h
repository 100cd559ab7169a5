#pragma once
#include <filesystem>
#include <optional>

namespace pictavo {

// An item the Trash holds: the file itself and, when the Trash keeps one, the record of
// where it came from.
struct TrashedItem {
    std::filesystem::path filesPath;
    std::optional<std::filesystem::path> infoPath;
};

// The user's Trash, which moves items by renaming them and never by copying, so an item is
// always either where it was or in the Trash.
class Trash {
public:
    virtual ~Trash() = default;
    // Throws platform::FileError (operation trash) naming the item; the item is then where it was.
    virtual TrashedItem moveToTrash(const std::filesystem::path& path) = 0;
    // Moves the item back to `to`, never replacing a file there (EEXIST), and forgets its
    // record. Throws platform::FileError; the item then stays in the Trash.
    virtual void putBack(const TrashedItem& item, const std::filesystem::path& to) = 0;
};

} // namespace pictavo
