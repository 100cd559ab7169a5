#include "platform/files/FilePath.h"

#include "platform/files/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

Bytes readWholeFile(const std::filesystem::path& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        throw FileError(path, error, systemMessage(error));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        const int error = errno;
        throw FileError(path, error, systemMessage(error));
    }
    // Pipes and special files report no size; they are read to their end.
    const std::size_t expected = S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;

    Bytes bytes(expected);
    std::size_t filled = 0;
    auto readInto = [&](std::uint8_t* target, std::size_t room) -> std::size_t {
        for (;;) {
            const ssize_t got = ::read(file.get(), target, room);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno == EINTR) continue;
            const int error = errno;
            throw FileError(path, error, systemMessage(error));
        }
    };
    for (;;) {
        if (filled == bytes.size()) {
            // Full to the size the file had: a small read tells the end from a file that grew,
            // without first doubling a large buffer.
            std::uint8_t probe[4096];
            const std::size_t got = readInto(probe, sizeof probe);
            if (got == 0) break;
            bytes.insert(bytes.end(), probe, probe + got);
            filled += got;
            bytes.resize(filled + (filled < 65536 ? 65536 : filled / 2));
            continue;
        }
        const std::size_t got = readInto(bytes.data() + filled, bytes.size() - filled);
        if (got == 0) break;
        filled += got;
    }
    if (filled < expected) {
        throw FileError(path, EIO,
                        "the file ended after " + std::to_string(filled) + " of its " + std::to_string(expected) +
                            " bytes; it changed while it was read");
    }
    bytes.resize(filled);
    return bytes;
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
    return errno != ENOENT && errno != ENOTDIR;
}

} // namespace platform
