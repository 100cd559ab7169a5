#pragma once
#include "platform/files/FilePath.h"

#include <filesystem>

namespace platform {

// Makes sure the folder exists, is a real folder (not a symbolic link), belongs to this
// user and is closed to everyone else (0700), creating it and its missing parents when
// needed. Refuses (FileError, EPERM) a folder owned by someone else or a link, whose
// owner could read or swap what is put there.
void ensurePrivateFolder(const std::filesystem::path& folder);

// Creates a new folder, 0700, which must not exist yet (EEXIST otherwise).
void createPrivateFolder(const std::filesystem::path& folder);

} // namespace platform
