#include "platform/files/RegularFile.h"

#include <cerrno>
#include <fcntl.h>

namespace platform {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
    throw FileError(path, error, FileOperation::read);
}

// The error for what is not a regular file: a folder says so, anything else is unusable.
int notRegular(const struct stat& status) { return S_ISDIR(status.st_mode) ? EISDIR : EINVAL; }

} // namespace

OpenRegularFile openRegularFile(const std::filesystem::path& path) {
    // Opening some devices already acts on them, so what is plainly not a file is never opened.
    struct stat atPath {};
    if (::stat(path.c_str(), &atPath) != 0) fail(path, errno);
    if (!S_ISREG(atPath.st_mode)) fail(path, notRegular(atPath));

    OpenRegularFile file;
    for (;;) {
        file.descriptor = FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.descriptor.isOpen() || errno != EINTR) break;
    }
    if (!file.descriptor.isOpen()) fail(path, errno);
    if (::fstat(file.descriptor.get(), &file.status) != 0) fail(path, errno);
    if (!S_ISREG(file.status.st_mode)) fail(path, notRegular(file.status));
    const int flags = ::fcntl(file.descriptor.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.descriptor.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) fail(path, errno);
    return file;
}

bool isNotARegularFile(const FileError& error) {
    return error.operation() == FileOperation::read && (error.errorNumber() == EISDIR || error.errorNumber() == EINVAL);
}

} // namespace platform
