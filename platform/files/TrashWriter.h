#pragma once
#include "platform/files/FileOperations.h"

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Where a trashed item went: the item itself, in the Trash's "files" folder, and its
// record in the "info" folder.
struct TrashEntry {
    std::filesystem::path filesPath;
    std::filesystem::path infoPath;
};

// Puts items in the freedesktop.org Trash that file managers show and restore from.
//
// An item on the disk of the user's data folder goes to the home Trash,
// "$XDG_DATA_HOME/Trash" (made 0700 when missing); an item on another disk goes to that
// disk's Trash: "$topdir/.Trash/$uid" when an administrator made "$topdir/.Trash" a real
// folder with the sticky bit, else "$topdir/.Trash-$uid", each this user's own folder.
// The item is only ever renamed into the Trash, never copied, so it is always either
// where it was or in the Trash with a record that restores it.
//
// Every file-system change goes through FileOperations, so that tests can make one fail.
class TrashWriter {
public:
    explicit TrashWriter(FileOperations& files = FileOperations::system()) : files_(files) {}

    // Moves the entry at the path (a symbolic link itself, not what it names) into the
    // Trash. Its record is written first, under the item's name or the next free one
    // ("photo.2.png"), a name shortened so that the record's name fits the file system,
    // and flushed to disk; then the item is renamed into the Trash under the same name,
    // without replacing anything. A failed rename removes the record again. Every failure
    // throws FileError (trash) naming the path with the system's error number, and leaves
    // the item where it was and no record; nothing is retried but a taken name, a bounded
    // number of times.
    // On a disk where the move claims the name in the Trash first, `noteClaim` is told before.
    TrashEntry moveToTrash(const std::filesystem::path& path, const ClaimNotice& noteClaim = {});

    // Puts the entry at the path into the Trash as moveToTrash does, but as a second name
    // (a hard link), so that it stays where it is as well: whoever then takes the path's
    // name from it leaves it in the Trash, and no moment comes when it is in neither place.
    // Fails like moveToTrash, and also where the disk has no hard links (EPERM, EOPNOTSUPP,
    // EMLINK), leaving no record.
    TrashEntry linkIntoTrash(const std::filesystem::path& path);

    // Where the item at the path would be in the Trash under `trashName`, with its record,
    // when that record is there and says the item came from the path: so a move of the item
    // cut short after its record was written can be undone. None otherwise, or when the
    // path's Trash cannot be found.
    std::optional<TrashEntry> entryFor(const std::filesystem::path& path, const std::string& trashName);

private:
    enum class Placement { move, link };
    TrashEntry putInTrash(const std::filesystem::path& path, Placement placement, const ClaimNotice& noteClaim);
    // The item without links in its folder's path, its Trash, and the path its record gives.
    struct Place {
        std::filesystem::path item;
        std::filesystem::path trash;
        std::string recordedPath;
    };
    static Place placeOf(const std::filesystem::path& path);

    FileOperations& files_;
};

} // namespace platform
