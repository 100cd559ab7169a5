#include "app/batch/Discovery.h"

#include "ImageEngine/Decoding/SourceFile.h"
#include "app/batch/NaturalPathOrder.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FolderWalk.h"

#include <QFile>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// A name that does not read back as the same bytes through the application's text could
// not be shown, named or found again faithfully.
bool roundTrips(const fs::path& path) {
    const QByteArray bytes(path.c_str());
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

// A decoder reads the file whole to read its properties, and an SVG's parses it into a tree,
// so what that takes is held in the memory the conversions are held in while it is read. A
// reading this small is held at once, beyond the bound if need be, so that a photo dropped
// while panoramas convert shows its card without waiting for them, and conversions asking after
// it still see it; a larger one is read after the others of its drop, waiting its turn as a
// conversion does. One larger than the whole memory is not read here: its card comes without
// its header, and its estimate says why it cannot be converted.
constexpr std::uint64_t heldAtOnce = 64ull * 1024 * 1024;

// The file's properties read into what admission keeps of them, unread when they cannot be,
// and the file's stamp as it was once they were read.
void inspect(Discovery::Found& found, const ImageDecoder& decoder) {
    try {
        const ImageProperties properties = decoder.properties(found.url);
        found.pageCount = properties.pageCount;
        found.frameCount = properties.frameCount;
        found.source = FailureDetails::Source::fromProperties(properties);
    } catch (...) {
        // Admitted all the same: its estimate will tell what is wrong with it.
    }
    found.stamp = readSourceStamp(found.url);
}

} // namespace

std::optional<fs::path> Discovery::localPath(const QUrl& url) {
    if (!url.isLocalFile()) return std::nullopt;
    const QString path = url.toLocalFile();
    if (path.isEmpty()) return std::nullopt;
    return fs::path(QFile::encodeName(path).toStdString());
}

Discovery Discovery::of(const QList<QUrl>& urls, const DecoderRegistry& decoders,
                        const std::shared_ptr<PixelMemory>& memory) {
    Discovery discovery;
    std::vector<fs::path> paths;
    for (const QUrl& url : urls) {
        if (std::optional<fs::path> path = localPath(url)) {
            paths.push_back(std::move(*path));
        } else {
            ++discovery.skipped;
        }
    }
    for (const fs::path& path : expandFolders(paths)) {
        // Only a regular file is ever opened: a pipe named like an image would hang its reader.
        if (!roundTrips(path) || !platform::isRegularFile(path)) {
            ++discovery.skipped;
            continue;
        }
        ImageDecoderRef decoder;
        try {
            decoder = decoders.decoder(path);
        } catch (...) {
            ++discovery.skipped;
            continue;
        }
        Found found;
        found.url = path;
        found.key = platform::fileKey(path);
        const std::uint64_t reading = decoder->readingBytes(path);
        if (reading <= heldAtOnce) {
            const auto held = PixelMemory::holdAtOnce(memory, reading);
            inspect(found, *decoder);
        } else if (reading <= memory->capacity()) {
            discovery.deferred.push_back(std::move(found));
            continue;
        } else {
            found.stamp = readSourceStamp(path);
        }
        discovery.found.push_back(std::move(found));
    }
    return discovery;
}

std::vector<Discovery::Found> Discovery::inspected(std::vector<Found> deferred, const DecoderRegistry& decoders,
                                                   const std::shared_ptr<PixelMemory>& memory, std::stop_token stop) {
    for (Found& found : deferred) {
        ImageDecoderRef decoder;
        try {
            decoder = decoders.decoder(found.url);
        } catch (...) {
        }
        // Changed since it was found, so that it is no longer read or no longer fits: admitted
        // all the same, as one too large is.
        const std::uint64_t reading = decoder ? decoder->readingBytes(found.url) : 0;
        if (!decoder || reading > memory->capacity()) {
            found.stamp = readSourceStamp(found.url);
            continue;
        }
        const auto held = PixelMemory::hold(memory, reading, stop);
        inspect(found, *decoder);
    }
    return deferred;
}

std::vector<fs::path> Discovery::expandFolders(const std::vector<fs::path>& paths) {
    std::vector<fs::path> expanded;
    for (const fs::path& path : paths) {
        if (!platform::isDirectory(path)) {
            expanded.push_back(path);
            continue;
        }
        std::vector<fs::path> files = platform::walkRegularFiles(path);
        sortNaturally(files);
        expanded.insert(expanded.end(), files.begin(), files.end());
    }
    return expanded;
}

} // namespace pictavo
