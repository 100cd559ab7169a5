#pragma once
#include "app/export/Trash.h"
#include "platform/files/FileOperations.h"
#include "platform/files/TrashWriter.h"

namespace pictavo {

// The freedesktop.org Trash of the user's desktop (in $XDG_DATA_HOME/Trash for the home
// disk, in the disk's own trash folder elsewhere), through the platform's trash writer.
// Items go in by a rename, never a copy: an item on a disk without a usable trash folder
// stays where it was and the move fails.
class FreedesktopTrash : public Trash {
public:
    explicit FreedesktopTrash(platform::FileOperations& files = platform::FileOperations::system())
        : files_(files), writer_(files) {}

    TrashedItem moveToTrash(const std::filesystem::path& path, const platform::ClaimNotice& noteClaim = {}) override;
    TrashedItem linkIntoTrash(const std::filesystem::path& path) override;
    void forget(const TrashedItem& item) noexcept override;
    void putBack(const TrashedItem& item, const std::filesystem::path& to,
                 const platform::ClaimNotice& noteClaim = {}) override;
    std::optional<TrashedItem> itemFor(const std::filesystem::path& path, const std::string& trashName) override;

private:
    platform::FileOperations& files_;
    platform::TrashWriter writer_;
};

} // namespace pictavo
