// Arbitrary bytes through the image reader: sniffing, the sides the header declares, every
// image's properties and XMP, and the pixels of the first few images, whole and at a reduced
// size, under a budget that keeps each decode small.
#include "platform/read/ImageReader.h"
#include "platform/read/StoredSides.h"
#include "platform/types/ImageSniffer.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr std::size_t largestInput = 1 << 20;
constexpr std::int64_t imagesExamined = 4;
const platform::PixelBudget budget{std::uint64_t{16} << 20};

void exercise(const platform::ImageReader& reader) {
    (void)reader.typeIdentifier();
    (void)reader.hasFrameInfo();
    const std::int64_t count = reader.count();
    for (std::int64_t i = 0; i < count && i < imagesExamined; ++i) {
        (void)reader.propertiesAt(i);
        (void)reader.xmpAt(i);
        auto result = reader.imageAt(i, budget);
        if (result.image && result.image->height() > 0) {
            volatile std::uint8_t last = result.image->row(result.image->height() - 1)[0];
            (void)last;
        }
        auto reduced = reader.imageAt(i, budget, 3);
        if (reduced.image && reduced.image->height() > 0) {
            volatile std::uint8_t last = reduced.image->row(reduced.image->height() - 1)[0];
            (void)last;
        }
    }
    (void)reader.propertiesAt(count);
    (void)reader.imageAt(-1, budget);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > largestInput) return 0;
    auto bytes = std::make_shared<const platform::Bytes>(data, data + size);
    const auto sniffed = platform::sniffImageFormat(platform::ByteView(data, size));
    (void)platform::storedSidesFromHeader(platform::ByteView(data, size));
    if (sniffed.format == platform::SniffedFormat::openEXR) {
        // OpenEXR is only read from files.
        char path[] = "/tmp/fuzz_image_reader_XXXXXX";
        const int descriptor = mkstemp(path);
        if (descriptor < 0) return 0;
        const bool written = write(descriptor, data, size) == static_cast<ssize_t>(size);
        close(descriptor);
        if (written)
            if (auto reader = platform::ImageReader::open(std::filesystem::path(path))) exercise(*reader);
        unlink(path);
        return 0;
    }
    if (auto reader = platform::ImageReader::open(bytes)) exercise(*reader);
    return 0;
}
