#pragma once
#include "platform/files/FileDescriptor.h"

#include <QString>

#include <filesystem>

namespace pictavo {

// Where this user's temporary files go (snapshots of originals, drag files): never the
// shared /tmp, but "$XDG_RUNTIME_DIR/<application>" when the runtime folder is this user's,
// else "tmp" in the application's cache folder. Made 0700 when missing; throws
// platform::FileError when it is a symbolic link or belongs to someone else.
std::filesystem::path privateTemporaryBase();

// A new folder, 0700, in that base, named the prefix followed by a new UUID
// ("replace-3F2A…"). Throws platform::FileError.
std::filesystem::path makePrivateTemporaryFolder(const QString& prefix);

// A folder of that kind that this process holds: while `lock` (an exclusive lock on the
// folder) stays open, no launch takes it for a leftover. A killed process holds nothing.
struct OwnedTemporaryFolder {
    std::filesystem::path path;
    platform::FileDescriptor lock;

    bool empty() const { return path.empty(); }
};

// A new folder as makePrivateTemporaryFolder makes it, locked before anyone could take it
// for a leftover. Throws platform::FileError.
OwnedTemporaryFolder makeOwnedTemporaryFolder(const QString& prefix);

// Removes the folders of the base named with the prefix that nobody holds: those that a
// killed or crashed run left behind (full copies of originals, which on a desktop whose
// runtime folder is in memory hold the memory too). A folder a running copy of the
// application holds is passed over, as is anything that is not this user's own folder.
// Returns how many went; never throws.
//
// Thread rule: any thread.
int removeUnownedTemporaryFolders(const QString& prefix);

} // namespace pictavo
