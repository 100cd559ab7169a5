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

constexpr std::string_view heading = "Pictavo replacement\n";
constexpr std::string_view unknownTime = "-";
// A record holds a name of at most 255 bytes and two numbers; anything longer is not one.
constexpr std::size_t longestRecord = 1024;

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

} // namespace

std::string replacementRecordText(const ReplacementRecord& record) {
    const std::string time = record.original.modifiedNanoseconds
                                 ? std::to_string(*record.original.modifiedNanoseconds)
                                 : std::string(unknownTime);
    return std::string(heading) + std::to_string(record.original.byteCount) + "\n" + time + "\n" + record.name;
}

std::optional<ReplacementRecord> parseReplacementRecord(std::string_view text) {
    if (!text.starts_with(heading)) return std::nullopt;
    text.remove_prefix(heading.size());
    const std::optional<std::string_view> size = takeLine(text);
    const std::optional<std::string_view> time = takeLine(text);
    if (!size || !time) return std::nullopt;
    ReplacementRecord record;
    const std::optional<std::int64_t> byteCount = wholeNumber(*size);
    if (!byteCount || *byteCount < 0) return std::nullopt;
    record.original.byteCount = *byteCount;
    if (*time != unknownTime) {
        record.original.modifiedNanoseconds = wholeNumber(*time);
        if (!record.original.modifiedNanoseconds) return std::nullopt;
    }
    record.name = std::string(text);
    if (oneFileName(record.name) != record.name) return std::nullopt;
    return record;
}

FileDescriptor writeHeldReplacementRecord(const std::filesystem::path& path, const ReplacementRecord& record) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.isOpen()) throw FileError(path, errno, FileOperation::write);
    // Held before a byte is written, so that a readable record nobody holds is one whose
    // writer died.
    lockRetryingSignals(file.get(), LOCK_EX);
    const std::string text = replacementRecordText(record);
    std::size_t written = 0;
    int error = 0;
    while (written < text.size() && error == 0) {
        const ssize_t got = ::write(file.get(), text.data() + written, text.size() - written);
        if (got > 0) {
            written += static_cast<std::size_t>(got);
        } else if (got == 0) {
            error = EIO;
        } else if (errno != EINTR) {
            error = errno;
        }
    }
    if (error == 0 && ::fsync(file.get()) != 0) error = errno;
    if (error != 0) {
        ::unlink(path.c_str());
        throw FileError(path, error, FileOperation::write);
    }
    return file;
}

std::optional<TakenOverRecord> takeOverReplacementRecord(const std::filesystem::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
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
            return TakenOverRecord{std::move(file), std::nullopt};
        }
        got += static_cast<std::size_t>(part);
    }
    text.resize(got);
    std::optional<ReplacementRecord> record;
    if (got <= longestRecord) record = parseReplacementRecord(text);
    return TakenOverRecord{std::move(file), std::move(record)};
}

} // namespace platform
