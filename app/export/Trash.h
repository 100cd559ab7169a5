#pragma once
#include "platform/files/FileOperations.h"

#include <filesystem>
#include <optional>
#include <string>

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
    // On a disk where a move claims its target first, `noteClaim` is told the claim in the
    // Trash before it is made.
    virtual TrashedItem moveToTrash(const std::filesystem::path& path, const platform::ClaimNotice& noteClaim = {}) = 0;
    // Puts a second name of the item (a hard link) in the Trash, with its record, leaving
    // the item where it is too. Throws platform::FileError (operation trash), also on a disk
    // without hard links; the Trash then holds nothing of the item.
    virtual TrashedItem linkIntoTrash(const std::filesystem::path& path) = 0;
    // Takes an item that linkIntoTrash put there out of the Trash again, record and all, while
    // the file still has its name outside. Failures are ignored: the item then stays in the
    // Trash, a second name of a file that is still in place.
    virtual void forget(const TrashedItem& item) noexcept = 0;
    // Moves the item back to `to`, never replacing a file there (EEXIST), and forgets its
    // record. Throws platform::FileError; the item then stays in the Trash. `noteClaim` as for
    // moveToTrash, for the claim of `to`.
    virtual void putBack(const TrashedItem& item, const std::filesystem::path& to,
                         const platform::ClaimNotice& noteClaim = {}) = 0;
    // The item that a move of the file at `path` would have made under `trashName`, when the
    // Trash holds a record of that name saying the item came from `path`; none otherwise.
    virtual std::optional<TrashedItem> itemFor(const std::filesystem::path& path, const std::string& trashName) = 0;
};

} // namespace pictavo
