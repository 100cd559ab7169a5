#include "platform/write/JPEG2000Writer.h"

#include "platform/base/BigEndian.h"
#include "platform/vips/VipsImages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vips/vips.h>

namespace platform {
namespace {

struct Box {
    std::size_t start = 0;
    std::size_t length = 0; // header included
    char type[5] = {};
};

// The boxes of [begin, end), each with its whole length; nothing when one overruns.
// Only the plain 32-bit length form and "to the end" occur in the header libvips writes.
std::optional<std::vector<Box>> boxes(const Bytes& data, std::size_t begin, std::size_t end) {
    std::vector<Box> found;
    for (std::size_t at = begin; at < end;) {
        if (end - at < 8) return std::nullopt;
        Box box;
        box.start = at;
        box.length = readBigEndian32(data.data() + at);
        if (box.length == 0) box.length = end - at;
        if (box.length < 8 || box.length > end - at) return std::nullopt;
        std::memcpy(box.type, data.data() + at + 4, 4);
        found.push_back(box);
        at += box.length;
    }
    return found;
}

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};

// The PSNR in dB that JPEG at `quality` keeps of `image`, through libjpeg as our JPEG encoder
// drives it (the same scaled tables, the colour halved below quality 90); 8 bits a component.
// A source that was a JPEG comes back nearly whole once the tables reach its own, as it does
// through our JPEG encoder: the target follows, since that is what the quality keeps there.
// Nothing when libvips fails, with its words left for the caller.
std::optional<double> jpegFidelity(VipsImage* image, int quality) {
    VipsImagePtr eightBit;
    if (vips_image_get_format(image) != VIPS_FORMAT_UCHAR) {
        VipsImage* scaled = nullptr;
        if (vips_linear1(image, &scaled, 1.0 / 257, 0.0, "uchar", TRUE, nullptr) != 0) return std::nullopt;
        eightBit.reset(scaled);
        image = scaled;
    }
    void* raw = nullptr;
    std::size_t length = 0;
    if (vips_jpegsave_buffer(image, &raw, &length, "Q", quality, "strip", TRUE, nullptr) != 0) return std::nullopt;
    const std::unique_ptr<void, GFree> jpeg(raw); // read lazily until the average is taken
    VipsImage* decoded = nullptr;
    if (vips_jpegload_buffer(raw, length, &decoded, nullptr) != 0) return std::nullopt;
    const VipsImagePtr decodedOwner(decoded);
    VipsImage* difference = nullptr;
    if (vips_subtract(image, decoded, &difference, nullptr) != 0) return std::nullopt;
    const VipsImagePtr differenceOwner(difference);
    VipsImage* squares = nullptr;
    if (vips_multiply(difference, difference, &squares, nullptr) != 0) return std::nullopt;
    const VipsImagePtr squaresOwner(squares);
    double meanSquare = 0;
    if (vips_avg(squares, &meanSquare, nullptr) != 0) return std::nullopt;
    return meanSquare > 0 ? 10 * std::log10(255.0 * 255.0 / meanSquare) : 99.0;
}

} // namespace

std::optional<Bytes> JPEG2000Writer::withProfile(const Bytes& jp2, const Bytes& icc) {
    const auto top = boxes(jp2, 0, jp2.size());
    if (!top) return std::nullopt;
    Bytes out;
    bool replaced = false;
    for (const Box& box : *top) {
        if (std::strcmp(box.type, "jp2h") != 0) {
            out.insert(out.end(), jp2.begin() + static_cast<std::ptrdiff_t>(box.start),
                       jp2.begin() + static_cast<std::ptrdiff_t>(box.start + box.length));
            continue;
        }
        const auto inner = boxes(jp2, box.start + 8, box.start + box.length);
        if (!inner) return std::nullopt;
        Bytes header;
        for (const Box& child : *inner) {
            if (std::strcmp(child.type, "colr") == 0) {
                if (replaced) continue;
                appendBigEndian32(header, 8 + 3 + icc.size());
                header.insert(header.end(), {'c', 'o', 'l', 'r', 2, 0, 0}); // method 2: restricted ICC
                header.insert(header.end(), icc.begin(), icc.end());
                replaced = true;
                continue;
            }
            header.insert(header.end(), jp2.begin() + static_cast<std::ptrdiff_t>(child.start),
                          jp2.begin() + static_cast<std::ptrdiff_t>(child.start + child.length));
        }
        appendBigEndian32(out, 8 + header.size());
        out.insert(out.end(), {'j', 'p', '2', 'h'});
        out.insert(out.end(), header.begin(), header.end());
    }
    if (!replaced) return std::nullopt;
    return out;
}

std::optional<int> JPEG2000Writer::decibelsFor(VipsImage* image, int quality) {
    const auto fidelity = jpegFidelity(image, std::min(quality, jpegTopQuality));
    if (!fidelity) return std::nullopt;
    const double above = std::max(0, quality - jpegTopQuality) * decibelsPerQualityAboveJPEGTop;
    return static_cast<int>(std::lround(std::clamp(*fidelity + decibelsAboveJPEG + above, lowestDecibels, highestDecibels)));
}

Outcome<Bytes> JPEG2000Writer::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                     std::optional<double> lossyQuality) const {
    if (!lossyQuality) return writeAtTarget(images, metadata, visuallyLosslessDecibels);
    const int quality = percentQuality(lossyQuality, 100);
    return write(images, metadata, [quality](VipsImage* image) { return decibelsFor(image, quality); });
}

Outcome<Bytes> JPEG2000Writer::writeAtTarget(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                             int decibels) const {
    return write(images, metadata, [decibels](VipsImage*) { return std::optional<int>(decibels); });
}

Outcome<Bytes> JPEG2000Writer::write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                     const std::function<std::optional<int>(VipsImage*)>& target) const {
    if (images.size() != 1) return std::nullopt;
    auto jp2 = VipsImages::save(images, PackingRules{.keepAlpha = false}, metadata, false,
                                [&](VipsImage* image, void** buffer, std::size_t* length) {
                                    const auto decibels = target(image);
                                    if (!decibels) return -1;
                                    return vips_jp2ksave_buffer(image, buffer, length, "Q", *decibels, "lossless",
                                                                FALSE, nullptr);
                                });
    if (!jp2) return jp2;
    const auto& space = images.front()->colourSpace();
    if (!space || space->iccData().empty() || space->model() == ColourModel::cmyk || space->model() == ColourModel::lab)
        return jp2; // written in sRGB, which the enumerated box already says
    return withProfile(*jp2, space->iccData());
}

} // namespace platform
