#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace platform {

// What the file system says of a file now, read afresh on every call (nothing is cached,
// so an edited file is seen as edited).
struct FileStamp {
    std::int64_t byteCount = 0;
    // Nanoseconds since the Unix epoch.
    std::optional<std::int64_t> modifiedNanoseconds;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The size and modification time, following a link; (0, none) when the file cannot be
// examined.
FileStamp readFileStamp(const std::filesystem::path& path);

// The one key of a file, whatever path named it: absolute and cleaned, with symbolic links
// resolved when the file exists (a missing file keeps its cleaned path).
std::filesystem::path fileKey(const std::filesystem::path& path);

// Following a link at the path itself.
bool isDirectory(const std::filesystem::path& path);
bool isRegularFile(const std::filesystem::path& path);
// The entry itself: a link to a regular file is not one.
bool isRegularFileNoFollow(const std::filesystem::path& path);
bool isSymbolicLink(const std::filesystem::path& path);
// Whether the two paths are names of one file (the entries themselves, links not followed);
// false when either cannot be examined.
bool isSameFile(const std::filesystem::path& first, const std::filesystem::path& second);

// Whether the folder's listing holds an entry spelled exactly so: on a disk that ignores
// letter case, a name that reaches a file may not be the name the file has.
bool isListedIn(const std::filesystem::path& folder, const std::string& name);

// Which file an entry is (itself, a link not followed), whatever its name: to tell later
// whether a path still names it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
// None when the entry cannot be examined.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

} // namespace platform
