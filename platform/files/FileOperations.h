#pragma once
#include "platform/base/Bytes.h"
#include "platform/files/FilePath.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// Whether the name is one that writeNewFileNoReplace gives a file while it is written, on a
// file system without anonymous files (".pictavo-partial-" and 16 hexadecimal digits): a
// file under such a name that outlived its writer is a leftover.
bool isProvisionalFileName(std::string_view name);

// Whether a refused hard link says that the disk has none (FAT, exFAT, many FUSE file
// systems), or that the kernel's protection of links keeps a file of someone else's from
// having a second name.
bool refusesHardLinks(int error);

// Told the path a move is about to claim, just before the claim, on a disk where a move
// first creates its target as an empty file and then renames over it (see moveNoReplace).
// A cut short in between leaves that empty file under the name; whoever notes the claim
// can tell it later from a file of the user's. A throw stops the move before the claim.
using ClaimNotice = std::function<void(const std::filesystem::path&)>;

// The file-system changes an export makes, none of which ever replaces a file that is
// already there (but for the empty claim a move of its own made). Each failure is a FileError carrying the system's error number, so that a
// caller can tell a taken name (EEXIST) from a refusal (EACCES, EPERM) or a full disk.
//
// The methods are virtual so that a test can make one chosen call fail the way a real
// file system would (EACCES, EXDEV, ENOSPC) where the test, running as root, cannot bring
// the failure about with permissions; system() is the only implementation the program uses.
class FileOperations {
public:
    virtual ~FileOperations() = default;

    static FileOperations& system();

    // Creates the file, which must not exist yet (a symbolic link there counts as existing),
    // with the bytes, and flushes it to disk before returning. With `permissions` the file
    // carries those bits (setuid, setgid and sticky dropped) before any byte is written, on a
    // disk that has such bits; without, the usual 0666 less the umask. A failure after
    // creation removes the file.
    virtual void writeExclusive(const std::filesystem::path& path, const Bytes& bytes,
                                std::optional<mode_t> permissions = std::nullopt);

    // Writes a new file called `name` in `folder`, complete and flushed, or nothing at all:
    // the name appears only once the bytes are on disk, and a file that took the name in the
    // meantime is never replaced (EEXIST, so the caller can try the next free name). The
    // name must be one path component.
    virtual void writeNewFileNoReplace(const std::filesystem::path& folder, const std::string& name,
                                       const Bytes& bytes);

    // Renames, refusing with EEXIST when `to` is taken, and with EINVAL when the disk cannot
    // hold the name. Between folders on different file systems this fails with EXDEV: a move
    // is never turned into a copy. On a disk with neither the no-replace rename nor hard
    // links, `to` is claimed as an empty file and the file renamed over it; `noteClaim` is
    // told before the claim.
    virtual void moveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                               const ClaimNotice& noteClaim = {});

    // Renames the file over `claim`, an empty file that a move of this program's made to hold
    // the name: the one rename that replaces what it finds, and only ever such a claim.
    virtual void moveOverOwnClaim(const std::filesystem::path& from, const std::filesystem::path& claim);

    // Gives the file at `from` (a link there itself, not what it names) a second name `to`,
    // refusing with EEXIST when `to` is taken. File systems without hard links refuse
    // (EPERM, EOPNOTSUPP, EMLINK), as does a file of someone else's under the kernel's
    // protection of links.
    virtual void linkNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

    // Swaps what the two names name, in one step: at no moment does either name stand empty.
    // Both must exist (ENOENT); file systems that cannot swap refuse with EINVAL.
    virtual void exchange(const std::filesystem::path& first, const std::filesystem::path& second);

    // A private copy (0600) of the content of `from`, following a link there, into `to`,
    // which must not exist yet. Only a regular file is copied: a pipe or device is refused
    // without being read, so it can never hang the copy.
    virtual void copyContent(const std::filesystem::path& from, const std::filesystem::path& to);

    // Clean-up that ignores its own failures and never follows a symbolic link.
    virtual void removeFile(const std::filesystem::path& path) noexcept;
    virtual void removeTree(const std::filesystem::path& path) noexcept;

    // Makes the folder's entries (a rename, a new name) durable; false when that failed.
    virtual bool syncFolder(const std::filesystem::path& folder) noexcept;

    // Whether anything holds the path; see pathExists.
    virtual bool exists(const std::filesystem::path& path);

    // The permission bits of the file (following a link), without setuid, setgid and sticky.
    virtual mode_t permissionBits(const std::filesystem::path& path);

protected:
    // The two system calls whose absence on some file systems (FAT, some network and FUSE
    // file systems) sends the operations above down their fallback paths. Each answers like
    // the call it makes: a descriptor or 0 on success, -1 with errno set on failure.
    virtual int openAnonymousFile(int folder);
    virtual int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
    // One write of new bytes, where a full disk or an exhausted quota shows (ENOSPC, EDQUOT):
    // the count written, or -1 with errno set.
    virtual ssize_t writeSome(int descriptor, const std::uint8_t* bytes, std::size_t count);

private:
    // The move of a disk with neither the no-replace rename nor hard links (exFAT and FAT
    // through FUSE).
    void moveOverClaim(const std::filesystem::path& from, const std::filesystem::path& to,
                       const ClaimNotice& noteClaim);
    // Writes every byte and flushes them to disk; the errno of the first failure otherwise.
    int writeAllAndSync(int descriptor, const Bytes& bytes);
};

} // namespace platform
