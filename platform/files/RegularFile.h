#pragma once
#include "platform/files/FileDescriptor.h"
#include "platform/files/FilePath.h"

#include <filesystem>
#include <sys/stat.h>

namespace platform {

// A regular file open for reading, and its status when it was opened.
struct OpenRegularFile {
    FileDescriptor descriptor;
    struct stat status {};
};

// Opens a file that another program may have turned into a pipe or a device since it was
// chosen. Anything but a regular file is refused before it is opened where the path shows
// it, and after, from the open descriptor, where it was swapped in meanwhile; the open
// itself never waits (a pipe without a writer cannot hold the thread) and never takes a
// terminal. The descriptor then blocks on reads as usual. Throws FileError (read) naming
// the path: EISDIR for a folder, EINVAL for anything else that is not a regular file.
OpenRegularFile openRegularFile(const std::filesystem::path& path);

// Whether the error is openRegularFile's refusal of something that is not a regular file
// (a folder, a pipe, a device, a socket), as opposed to one that could not be read.
bool isNotARegularFile(const FileError& error);

} // namespace platform
