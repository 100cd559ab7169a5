#include "ImageEngine/Decoding/SourceFile.h"

#include "platform/files/FileErrorText.h"
#include "platform/files/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace pictavo {

ConversionError unreadableKindOfFile() {
    return ConversionError::unsupportedInput("This computer can't read this kind of file.");
}

void refuseWhatCannotBeOpened(const platform::FileError& error) {
    if (platform::isNotARegularFile(error)) throw unreadableKindOfFile().withCause(platform::fileErrorDiagnostic(error));
    const int code = error.errorNumber();
    if (code == ENOENT || code == ENOTDIR || error.isPermissionDenial()) throw error;
}

platform::Bytes readSourceFile(const std::filesystem::path& url) {
    try {
        return platform::readWholeFile(url);
    } catch (const platform::FileError& error) {
        refuseWhatCannotBeOpened(error);
        throw;
    }
}

platform::Bytes readSourceStart(const std::filesystem::path& url) {
    // An ordinary JPEG's EXIF (64 kB at most), XMP and colour profile come before its frame
    // header within this; a file with more before it is read whole where its header is needed.
    constexpr std::size_t headerRoom = 128 * 1024;
    try {
        return platform::readFileStart(url, headerRoom);
    } catch (const platform::FileError& error) {
        refuseWhatCannotBeOpened(error);
        throw;
    }
}

std::uint64_t sourceLength(const std::filesystem::path& url) {
    std::error_code error;
    const auto length = std::filesystem::file_size(url, error);
    return error ? 0 : static_cast<std::uint64_t>(length);
}

std::optional<platform::StoredSides> storedPictureInHeader(const std::filesystem::path& url, std::int64_t page) {
    try {
        return platform::storedSidesFromHeader(platform::fileByteSource(url), std::max<std::int64_t>(page, 1) - 1);
    } catch (const platform::FileError& error) {
        refuseWhatCannotBeOpened(error);
        throw;
    }
}

std::optional<PixelDimensions> storedSidesInHeader(const std::filesystem::path& url, std::int64_t page) {
    const auto stored = storedPictureInHeader(url, page);
    if (!stored) return std::nullopt;
    return PixelDimensions{stored->width, stored->height};
}

} // namespace pictavo
