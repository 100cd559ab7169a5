#include "platform/files/ReplacementRecord.h"

#include "platform/files/FilePath.h"
#include "platform/files/SafeFileName.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view heading = "Pictavo replacement with claims\n";
// The first line of the records that earlier versions wrote, which a replacement cut short
// before an update may have left.
constexpr std::string_view earlierHeading = "Pictavo replacement\n";
constexpr std::string_view unknownTime = "-";
constexpr std::string_view nameKind = "name";
constexpr std::string_view originalNameKind = "original";
constexpr std::string_view folderClaimKind = "folder";
constexpr std::string_view trashClaimKind = "trash";
// A record holds a name of at most 255 bytes, two numbers and a claim for each name a move
// tried (a few hundred at most); anything longer is not one.
constexpr std::size_t longestRecord = 256 * 1024;

int lockRetryingSignals(int descriptor, int operation) {
    for (;;) {
        if (::flock(descriptor, operation) == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

// The line at the front of the text, taken off it; none when no line break ends it.
std::optional<std::string_view> takeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

std::optional<std::int64_t> wholeNumber(std::string_view digits) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return std::nullopt;
    return value;
}

std::string entryText(std::string_view kind, const std::string& bytes) {
    return std::string(kind) + " " + std::to_string(bytes.size()) + "\n" + bytes + "\n";
}

std::string claimText(ClaimPlace place, const std::string& name) {
    return entryText(place == ClaimPlace::folder ? folderClaimKind : trashClaimKind, name);
}

struct Entry {
    std::string_view kind;
    std::string name;
};

// The entry at the front of the text, taken off it; none when it is not a whole entry whose
// bytes are one file name.
std::optional<Entry> takeEntry(std::string_view& text) {
    std::string_view rest = text;
    const std::optional<std::string_view> line = takeLine(rest);
    if (!line) return std::nullopt;
    const std::size_t space = line->find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    const std::optional<std::int64_t> count = wholeNumber(line->substr(space + 1));
    if (!count || *count < 0 || static_cast<std::uint64_t>(*count) >= rest.size()) return std::nullopt;
    const auto length = static_cast<std::size_t>(*count);
    if (rest[length] != '\n') return std::nullopt;
    Entry entry{line->substr(0, space), std::string(rest.substr(0, length))};
    if (oneFileName(entry.name) != entry.name) return std::nullopt;
    text = rest.substr(length + 1);
    return entry;
}

// The size and time lines of either kind of record, taken off the text.
std::optional<FileStamp> takeStamp(std::string_view& text) {
    const std::optional<std::string_view> size = takeLine(text);
    const std::optional<std::string_view> time = takeLine(text);
    if (!size || !time) return std::nullopt;
    FileStamp stamp;
    const std::optional<std::int64_t> byteCount = wholeNumber(*size);
    if (!byteCount || *byteCount < 0) return std::nullopt;
    stamp.byteCount = *byteCount;
    if (*time != unknownTime) {
        stamp.modifiedNanoseconds = wholeNumber(*time);
        if (!stamp.modifiedNanoseconds) return std::nullopt;
    }
    return stamp;
}

std::optional<ReplacementRecord> parseEarlierRecord(std::string_view text) {
    const std::optional<FileStamp> stamp = takeStamp(text);
    if (!stamp) return std::nullopt;
    ReplacementRecord record{std::string(text), *stamp, std::nullopt, std::nullopt};
    if (oneFileName(record.name) != record.name) return std::nullopt;
    return record;
}

int writeAll(int descriptor, std::string_view text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t got = ::write(descriptor, text.data() + written, text.size() - written);
        if (got > 0) {
            written += static_cast<std::size_t>(got);
        } else if (got == 0) {
            return EIO;
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return ::fsync(descriptor) == 0 ? 0 : errno;
}

} // namespace

std::string replacementRecordText(const ReplacementRecord& record) {
    const std::string time = record.original.modifiedNanoseconds
                                 ? std::to_string(*record.original.modifiedNanoseconds)
                                 : std::string(unknownTime);
    std::string text = std::string(heading) + std::to_string(record.original.byteCount) + "\n" + time + "\n" +
                       entryText(nameKind, record.name);
    if (record.originalName) text += entryText(originalNameKind, *record.originalName);
    if (record.claimedName) text += claimText(ClaimPlace::folder, *record.claimedName);
    if (record.claimedTrashName) text += claimText(ClaimPlace::trash, *record.claimedTrashName);
    return text;
}

std::optional<ReplacementRecord> parseReplacementRecord(std::string_view text) {
    if (text.starts_with(earlierHeading)) return parseEarlierRecord(text.substr(earlierHeading.size()));
    if (!text.starts_with(heading)) return std::nullopt;
    text.remove_prefix(heading.size());
    const std::optional<FileStamp> stamp = takeStamp(text);
    if (!stamp) return std::nullopt;
    std::optional<Entry> name = takeEntry(text);
    if (!name || name->kind != nameKind) return std::nullopt;
    ReplacementRecord record{std::move(name->name), *stamp, std::nullopt, std::nullopt};
    while (std::optional<Entry> claim = takeEntry(text)) {
        if (claim->kind == folderClaimKind) {
            record.claimedName = std::move(claim->name);
        } else if (claim->kind == trashClaimKind) {
            record.claimedTrashName = std::move(claim->name);
        } else if (claim->kind == originalNameKind) {
            record.originalName = std::move(claim->name);
        } else {
            break;
        }
    }
    return record;
}

FileDescriptor writeHeldReplacementRecord(const std::filesystem::path& path, const ReplacementRecord& record) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.isOpen()) throw FileError(path, errno, FileOperation::write);
    // Held before a byte is written, so that a readable record nobody holds is one whose
    // writer died.
    lockRetryingSignals(file.get(), LOCK_EX);
    if (const int error = writeAll(file.get(), replacementRecordText(record))) {
        ::unlink(path.c_str());
        throw FileError(path, error, FileOperation::write);
    }
    return file;
}

void noteReplacementClaim(const FileDescriptor& record, const std::filesystem::path& path, ClaimPlace place,
                          const std::string& name) {
    if (const int error = writeAll(record.get(), claimText(place, name))) throw FileError(path, error, FileOperation::write);
}

std::optional<TakenOverRecord> takeOverReplacementRecord(const std::filesystem::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!file.isOpen()) return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
        return std::nullopt;
    }
    if (lockRetryingSignals(file.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return std::nullopt;
    std::string text(longestRecord + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t part = ::read(file.get(), text.data() + got, text.size() - got);
        if (part == 0) break;
        if (part < 0) {
            if (errno == EINTR) continue;
            return TakenOverRecord{std::move(file), std::nullopt, 0};
        }
        got += static_cast<std::size_t>(part);
    }
    text.resize(got);
    std::optional<ReplacementRecord> record;
    if (got <= longestRecord) record = parseReplacementRecord(text);
    const std::int64_t written = std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
    return TakenOverRecord{std::move(file), std::move(record), written};
}

} // namespace platform
