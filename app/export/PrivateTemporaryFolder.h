#pragma once
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

} // namespace pictavo
