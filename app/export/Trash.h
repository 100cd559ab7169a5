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
    // Puts a second name of the item (a hard link) in the Trash, with its record, leaving
    // the item where it is too. Throws platform::FileError (operation trash), also on a disk
    // without hard links; the Trash then holds nothing of the item.
    virtual TrashedItem linkIntoTrash(const std::filesystem::path& path) = 0;
    // Takes an item that linkIntoTrash put there out of the Trash again, record and all, while
    // the file still has its name outside. Failures are ignored: the item then stays in the
    // Trash, a second name of a file that is still in place.
    virtual void forget(const TrashedItem& item) noexcept = 0;
    // Moves the item back to `to`, never replacing a file there (EEXIST), and forgets its
    // record. Throws platform::FileError; the item then stays in the Trash.
    virtual void putBack(const TrashedItem& item, const std::filesystem::path& to) = 0;
};

} // namespace pictavo
