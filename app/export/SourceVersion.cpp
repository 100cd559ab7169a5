#include "app/export/SourceVersion.h"

#include "app/export/ReplaceRefusal.h"
#include "platform/files/RegularFile.h"

#include <QCryptographicHash>

#include <cerrno>
#include <sys/stat.h>
#include <vector>

namespace pictavo {

namespace {

constexpr std::size_t chunkSize = 1 << 20;

bool sameChangeTime(const struct stat& a, const struct stat& b) {
    return a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

std::optional<SourceVersion> SourceVersion::read(const std::filesystem::path& path) {
    std::optional<platform::OpenRegularFile> opened;
    try {
        opened.emplace(platform::openRegularFile(path));
    } catch (const platform::FileError&) {
        return std::nullopt;
    }
    const int file = opened->descriptor.get();
    const struct stat& before = opened->status;

    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::int64_t byteCount = 0;
    std::vector<char> chunk(chunkSize);
    for (;;) {
        const ssize_t got = ::read(file, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        hash.addData(QByteArrayView(chunk.data(), got));
        byteCount += got;
        // A file that grows while it is read has changed; it is not followed for as long as it grows.
        if (byteCount > before.st_size) return std::nullopt;
    }

    struct stat after {};
    struct stat atPath {};
    if (::fstat(file, &after) != 0 || ::stat(path.c_str(), &atPath) != 0) return std::nullopt;
    if (!sameChangeTime(before, after) || before.st_size != after.st_size) return std::nullopt;
    if (after.st_dev != atPath.st_dev || after.st_ino != atPath.st_ino) return std::nullopt;
    return SourceVersion{byteCount, hash.result()};
}

std::function<void(const std::filesystem::path&)> SourceVersion::check(std::optional<SourceVersion> recorded) {
    return [recorded = std::move(recorded)](const std::filesystem::path& path) {
        if (!recorded || read(path) != recorded) throw ReplaceRefusal::sourceChanged();
    };
}

} // namespace pictavo
