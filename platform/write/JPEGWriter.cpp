#include "platform/write/JPEGWriter.h"

#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/vips/VipsImages.h"

#include <vips/vips.h>

namespace platform {
namespace {

// The JPEG with APP13 segments of the payloads put in after the application segments that
// start it, where libvips puts the one it writes.
Bytes withSegmentsAfterApplicationData(const Bytes& jpeg, const std::vector<Bytes>& payloads) {
    const ByteView file(jpeg.data(), jpeg.size());
    std::size_t end = 2;
    forEachJPEGSegment(file, [&](std::uint8_t marker, ByteView payload) {
        if (marker < 0xE0 || marker > 0xEF) return false;
        end = static_cast<std::size_t>(payload.data() + payload.size() - file.data());
        return true;
    });
    Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(end));
    for (const Bytes& payload : payloads) appendJPEGSegment(out, jpegAPP13, ByteView(payload.data(), payload.size()));
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(end), jpeg.end());
    return out;
}

} // namespace

Outcome<Bytes> JPEGWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                               std::optional<double> lossyQuality) const {
    // Baseline JPEG has no lossless mode: without a quality it writes its best.
    const int quality = percentQuality(lossyQuality, 100);
    // libvips writes the IPTC it is given as one APP13 segment's whole payload; records and
    // resources that take more segments are put in after it has written the rest.
    CarriedMetadata carried = metadata;
    std::vector<Bytes> segments;
    if (carried.iptc || carried.photoshop) {
        segments = photoshopSegmentsWithIPTC(carried.iptc, jpegLargestPayload, carried.photoshop);
        if (segments.size() == 1) carried.iptc = std::move(segments.front());
        else carried.iptc.reset();
    }
    auto written = VipsImages::save(images, PackingRules{.eightBit = true, .keepAlpha = false}, carried, true,
                                    [&](VipsImage* image, void** buffer, std::size_t* length) {
                                        return vips_jpegsave_buffer(image, buffer, length, "Q", quality, nullptr);
                                    });
    if (!written || segments.size() < 2) return written;
    return withSegmentsAfterApplicationData(*written, segments);
}

} // namespace platform
