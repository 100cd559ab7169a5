#pragma once
#include "platform/base/ByteSource.h"
#include "platform/base/Bytes.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// What was being done to a file when it failed; it chooses the sentence the user reads.
enum class FileOperation { read, write, move, trash, remove, copy, createFolder };

// A file that could not be read (or written, moved...): which one, the system's error
// number, and why.
class FileError : public std::runtime_error {
public:
    FileError(std::filesystem::path path, int errorNumber, const std::string& message);
    // The message is the system's text for the error number.
    FileError(std::filesystem::path path, int errorNumber, FileOperation operation);

    const std::filesystem::path& path() const { return path_; }
    int errorNumber() const { return errorNumber_; }
    FileOperation operation() const { return operation_; }
    // The system refused for lack of permission (EACCES or EPERM), not for want of space,
    // a read-only disk or a missing folder.
    bool isPermissionDenial() const { return errorNumber_ == EACCES || errorNumber_ == EPERM; }

    // The same failure told about another file: what the user knows of, instead of a
    // working file, or a path cut down to its name.
    FileError withPath(std::filesystem::path path) const { return FileError(std::move(path), errorNumber_, operation_); }

private:
    std::filesystem::path path_;
    int errorNumber_;
    FileOperation operation_ = FileOperation::read;
};

// The whole of a regular file, opened as openRegularFile does (so a pipe or a device is
// refused, never waited on or read without end), read with ordinary reads into memory the
// caller owns. The file is never mapped: a source that another program shortens while it
// is read must fail as an error, not bring the process down. A file that ends before the
// size it had when it was opened, or goes on past it, changed while it was read: a read
// error (EIO).
Bytes readWholeFile(const std::filesystem::path& path);
// At most the first `most` bytes of a regular file opened the same way: what a header says is
// known before the file is read whole.
Bytes readFileStart(const std::filesystem::path& path, std::size_t most);
// A regular file opened the same way, read where it is asked: a header further in than its
// start is reached without reading the file whole. The reads throw FileError.
ByteSource fileByteSource(const std::filesystem::path& path);

// Path texts with the rules of the platform's path strings: trailing slashes are ignored,
// a name that starts with "." ("`.tiff`") has no extension, "a.tar.gz" has the extension
// "gz", and a name that ends in "." ("photo.") has none.
std::string lastPathComponent(std::string_view path);
std::string pathExtension(std::string_view path);
std::string deletingPathExtension(std::string_view path);

// The component is always added below the folder, even when it starts with "/".
std::filesystem::path appendingPathComponent(const std::filesystem::path& folder, std::string_view component);

// Whether something, even a dangling symbolic link, holds this path. A path that cannot be
// examined counts as taken, so that nobody writes over what could not be seen; a name longer
// than the disk holds names nothing, and the write to it says why.
bool pathExists(const std::filesystem::path& path);

} // namespace platform
