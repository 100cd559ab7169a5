#include "platform/files/FileOperations.h"

#include "platform/files/FileDescriptor.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr mode_t permissionMask = 0777;

[[noreturn]] void fail(const fs::path& path, FileOperation operation, int error = errno) {
    throw FileError(path, error, operation);
}

// Retries what a signal interrupted.
template <typename Call>
auto interruptible(Call call) {
    for (;;) {
        auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

constexpr std::string_view provisionalPrefix = ".pictavo-partial-";
constexpr std::size_t provisionalDigits = 16;
constexpr char hexadecimalDigits[] = "0123456789abcdef";

// A name nobody else uses in the folder, for the moment a file is written before it is
// given its real name; the leading dot keeps it out of the file manager's sight.
std::string provisionalName() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string name(provisionalPrefix);
    for (std::size_t i = 0; i < provisionalDigits; ++i) name += hexadecimalDigits[generator() % 16];
    return name;
}

// Gives an anonymous file its name in the folder; EEXIST when the name is taken.
int linkAnonymousFile(int file, int folder, const std::string& name) {
    const std::string procPath = "/proc/self/fd/" + std::to_string(file);
    if (::linkat(AT_FDCWD, procPath.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    if (errno != ENOENT) return errno;
    // Without /proc mounted, linking the descriptor itself needs a capability the
    // process may lack; its refusal then ends here.
    if (::linkat(file, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return errno;
}

// The characters FAT and exFAT cannot hold in a name. Their FUSE drivers refuse such a name
// with EPERM (fusefat) or ENOENT (exfat-fuse) where the kernel's answer EINVAL; in a folder
// that has just taken a file, that refusal is the name's.
bool holdsCharacterFATRefuses(const fs::path& path) {
    return path.filename().string().find_first_of("?\"*<>|\\:") != std::string::npos;
}

} // namespace

bool isProvisionalFileName(std::string_view name) {
    if (!name.starts_with(provisionalPrefix) || name.size() != provisionalPrefix.size() + provisionalDigits) {
        return false;
    }
    name.remove_prefix(provisionalPrefix.size());
    return name.find_first_not_of(hexadecimalDigits) == std::string_view::npos;
}

bool refusesHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS;
}

FileOperations& FileOperations::system() {
    static FileOperations operations;
    return operations;
}

void FileOperations::writeExclusive(const fs::path& path, const Bytes& bytes, std::optional<mode_t> permissions) {
    // Created private, so that bytes of a private original are never readable by others
    // while the file still has the default bits.
    FileDescriptor file(interruptible([&] {
        return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                      permissions ? 0600 : 0666);
    }));
    if (!file.isOpen()) fail(path, FileOperation::write);
    int error = 0;
    // A disk without permission bits (FAT through FUSE) cannot take them, and needs none.
    if (permissions && ::fchmod(file.get(), *permissions & permissionMask) != 0 && errno != ENOSYS &&
        errno != EOPNOTSUPP) {
        error = errno;
    }
    if (error == 0) error = writeAllAndSync(file.get(), bytes);
    if (error != 0) {
        ::unlink(path.c_str());
        fail(path, FileOperation::write, error);
    }
}

void FileOperations::writeNewFileNoReplace(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    const fs::path target = folder / name;
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen()) fail(target, FileOperation::write);

    FileDescriptor anonymous(interruptible([&] { return openAnonymousFile(directory.get()); }));
    if (anonymous.isOpen()) {
        if (const int error = writeAllAndSync(anonymous.get(), bytes)) fail(target, FileOperation::write, error);
        if (const int error = linkAnonymousFile(anonymous.get(), directory.get(), name)) {
            fail(target, FileOperation::write, error);
        }
        syncFolder(folder);
        return;
    }
    // File systems without anonymous files: a hidden file, renamed without replacing.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) fail(target, FileOperation::write);
    for (;;) {
        const fs::path provisional = folder / provisionalName();
        try {
            writeExclusive(provisional, bytes);
        } catch (const FileError& error) {
            if (error.errorNumber() == EEXIST) continue;
            throw error.withPath(target);
        }
        try {
            moveNoReplace(provisional, target);
        } catch (const FileError& error) {
            removeFile(provisional);
            throw FileError(target, error.errorNumber(), FileOperation::write);
        }
        syncFolder(folder);
        return;
    }
}

void FileOperations::moveNoReplace(const fs::path& from, const fs::path& to, const ClaimNotice& noteClaim) {
    if (renameNoReplace(from, to) == 0) return;
    if (errno != EINVAL && errno != ENOSYS) fail(to, FileOperation::move);
    // File systems without the no-replace rename (FAT answers so for a name it cannot hold
    // as well, which the claim below then tells): a second name, then the first removed.
    // The link fails on a taken name as the rename would; only the unlink can then fail,
    // leaving the file under both names rather than under none.
    try {
        linkNoReplace(from, to);
    } catch (const FileError& refused) {
        if (!refusesHardLinks(refused.errorNumber())) throw;
        moveOverClaim(from, to, noteClaim);
        return;
    }
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        fail(from, FileOperation::move, error);
    }
}

void FileOperations::moveOverClaim(const fs::path& from, const fs::path& to, const ClaimNotice& noteClaim) {
    // The name is claimed by creating it, which fails on a taken name (EEXIST) or one the
    // disk cannot hold (EINVAL), and the file is renamed over its own claim. Only a file
    // swapped onto the claim in that instant could be replaced: such a disk offers no way
    // to close it.
    if (noteClaim) noteClaim(to);
    FileDescriptor claim(interruptible(
        [&] { return ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600); }));
    if (!claim.isOpen()) {
        const bool refusedName = errno == EPERM || errno == ENOENT || errno == EINVAL;
        fail(to, FileOperation::move, refusedName && holdsCharacterFATRefuses(to) ? EINVAL : errno);
    }
    claim = FileDescriptor();
    try {
        moveOverOwnClaim(from, to);
    } catch (const FileError&) {
        ::unlink(to.c_str());
        throw;
    }
}

void FileOperations::moveOverOwnClaim(const fs::path& from, const fs::path& claim) {
    if (::rename(from.c_str(), claim.c_str()) != 0) fail(claim, FileOperation::move);
}

void FileOperations::linkNoReplace(const fs::path& from, const fs::path& to) {
    if (::link(from.c_str(), to.c_str()) != 0) fail(to, FileOperation::move);
}

void FileOperations::exchange(const fs::path& first, const fs::path& second) {
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) != 0) {
        fail(second, FileOperation::move);
    }
}

void FileOperations::copyContent(const fs::path& from, const fs::path& to) {
    // Opening a pipe without O_NONBLOCK waits for a writer that may never come.
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!source.isOpen()) fail(from, FileOperation::copy);
    struct stat status {};
    if (::fstat(source.get(), &status) != 0) fail(from, FileOperation::copy);
    if (!S_ISREG(status.st_mode)) fail(from, FileOperation::copy, EINVAL);

    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!target.isOpen()) fail(to, FileOperation::copy);
    auto failAndRemove = [&](int error) {
        ::unlink(to.c_str());
        fail(from, FileOperation::copy, error);
    };
    for (;;) {
        const ssize_t copied = interruptible(
            [&] { return ::copy_file_range(source.get(), nullptr, target.get(), nullptr, 1 << 30, 0); });
        if (copied == 0) return;
        if (copied > 0) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) failAndRemove(errno);
        break;
    }
    // Kernels and file systems that cannot copy in the kernel: plain reads and writes.
    if (::lseek(source.get(), 0, SEEK_SET) < 0 || ::ftruncate(target.get(), 0) != 0 ||
        ::lseek(target.get(), 0, SEEK_SET) < 0) {
        failAndRemove(errno);
    }
    Bytes buffer(1 << 20);
    for (;;) {
        const ssize_t got = interruptible([&] { return ::read(source.get(), buffer.data(), buffer.size()); });
        if (got == 0) return;
        if (got < 0) failAndRemove(errno);
        std::size_t written = 0;
        while (written < static_cast<std::size_t>(got)) {
            const ssize_t put = interruptible(
                [&] { return ::write(target.get(), buffer.data() + written, static_cast<std::size_t>(got) - written); });
            if (put < 0) failAndRemove(errno);
            written += static_cast<std::size_t>(put);
        }
    }
}

void FileOperations::removeFile(const fs::path& path) noexcept { ::unlink(path.c_str()); }

void FileOperations::removeTree(const fs::path& path) noexcept {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

bool FileOperations::syncFolder(const fs::path& folder) noexcept {
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return directory.isOpen() && interruptible([&] { return ::fsync(directory.get()); }) == 0;
}

bool FileOperations::exists(const fs::path& path) { return pathExists(path); }

int FileOperations::writeAllAndSync(int descriptor, const Bytes& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t got =
            interruptible([&] { return writeSome(descriptor, bytes.data() + written, bytes.size() - written); });
        if (got < 0) return errno;
        // A write that takes nothing would be tried for ever.
        if (got == 0) return EIO;
        written += static_cast<std::size_t>(got);
    }
    if (interruptible([&] { return ::fsync(descriptor); }) != 0) return errno;
    return 0;
}

ssize_t FileOperations::writeSome(int descriptor, const std::uint8_t* bytes, std::size_t count) {
    return ::write(descriptor, bytes, count);
}

int FileOperations::openAnonymousFile(int folder) { return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); }

int FileOperations::renameNoReplace(const fs::path& from, const fs::path& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

mode_t FileOperations::permissionBits(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) fail(path, FileOperation::read);
    return status.st_mode & permissionMask;
}

} // namespace platform
