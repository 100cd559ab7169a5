#include "platform/files/FilePath.h"

#include "platform/files/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string systemMessage(int errorNumber) { return std::strerror(errorNumber); }

// The path without trailing slashes; "/" stays "/".
std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

// Where the extension's "." sits in the last component, or npos when there is none.
std::size_t extensionDot(std::string_view path) {
    const std::string_view trimmed = withoutTrailingSlashes(path);
    const std::size_t slash = trimmed.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = trimmed.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart || dot + 1 == trimmed.size()) return std::string_view::npos;
    return dot;
}

} // namespace

FileError::FileError(std::filesystem::path path, int errorNumber, const std::string& message)
    : std::runtime_error(path.string() + ": " + message), path_(std::move(path)), errorNumber_(errorNumber) {}

FileError::FileError(std::filesystem::path path, int errorNumber, FileOperation operation)
    : std::runtime_error(path.string() + ": " + systemMessage(errorNumber)),
      path_(std::move(path)),
      errorNumber_(errorNumber),
      operation_(operation) {}

namespace {

// One ordinary read into `target`, retried when interrupted; 0 at the end of the file.
std::size_t readInto(const std::filesystem::path& path, int descriptor, std::uint8_t* target, std::size_t room) {
    for (;;) {
        const ssize_t got = ::read(descriptor, target, room);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno == EINTR) continue;
        const int error = errno;
        throw FileError(path, error, systemMessage(error));
    }
}

// Fills `bytes` from the file; the count filled, short only at the file's end.
std::size_t fill(const std::filesystem::path& path, int descriptor, Bytes& bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const std::size_t got = readInto(path, descriptor, bytes.data() + filled, bytes.size() - filled);
        if (got == 0) break;
        filled += got;
    }
    return filled;
}

} // namespace

Bytes readWholeFile(const std::filesystem::path& path) {
    const OpenRegularFile file = openRegularFile(path);
    const auto expected = static_cast<std::size_t>(file.status.st_size);
    Bytes bytes(expected);
    const std::size_t filled = fill(path, file.descriptor.get(), bytes);
    if (filled < expected) {
        throw FileError(path, EIO,
                        "the file ended after " + std::to_string(filled) + " of its " + std::to_string(expected) +
                            " bytes; it changed while it was read");
    }
    // One byte more tells a file that grew since it was opened, which is a changed file, not
    // one to follow for as long as it grows.
    std::uint8_t beyond = 0;
    if (readInto(path, file.descriptor.get(), &beyond, 1) != 0) {
        throw FileError(path, EIO,
                        "the file grew beyond its " + std::to_string(expected) + " bytes; it changed while it was read");
    }
    return bytes;
}

Bytes readFileStart(const std::filesystem::path& path, std::size_t most) {
    const OpenRegularFile file = openRegularFile(path);
    Bytes bytes(std::min(most, static_cast<std::size_t>(file.status.st_size)));
    bytes.resize(fill(path, file.descriptor.get(), bytes));
    return bytes;
}

ByteSource fileByteSource(const std::filesystem::path& path) {
    auto file = std::make_shared<OpenRegularFile>(openRegularFile(path));
    return [path, file](std::uint64_t offset, std::size_t most) {
        const auto length = static_cast<std::uint64_t>(std::max<off_t>(file->status.st_size, 0));
        if (offset >= length) return Bytes();
        Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(most, length - offset)));
        std::size_t filled = 0;
        while (filled < bytes.size()) {
            const ssize_t got = ::pread(file->descriptor.get(), bytes.data() + filled, bytes.size() - filled,
                                        static_cast<off_t>(offset + filled));
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                const int error = errno;
                throw FileError(path, error, systemMessage(error));
            }
            filled += static_cast<std::size_t>(got);
        }
        bytes.resize(filled);
        return bytes;
    };
}

std::string lastPathComponent(std::string_view path) {
    const std::string_view trimmed = withoutTrailingSlashes(path);
    if (trimmed == "/") return "/";
    const std::size_t slash = trimmed.rfind('/');
    return std::string(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));
}

std::string pathExtension(std::string_view path) {
    const std::size_t dot = extensionDot(path);
    if (dot == std::string_view::npos) return {};
    return std::string(withoutTrailingSlashes(path).substr(dot + 1));
}

std::string deletingPathExtension(std::string_view path) {
    const std::string_view trimmed = withoutTrailingSlashes(path);
    const std::size_t dot = extensionDot(path);
    return std::string(dot == std::string_view::npos ? trimmed : trimmed.substr(0, dot));
}

std::filesystem::path appendingPathComponent(const std::filesystem::path& folder, std::string_view component) {
    while (!component.empty() && component.front() == '/') component.remove_prefix(1);
    return folder / std::filesystem::path(std::string(component));
}

bool pathExists(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0) return true;
    return errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG;
}

} // namespace platform
