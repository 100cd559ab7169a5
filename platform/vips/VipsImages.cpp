#include "platform/vips/VipsImages.h"

#include "platform/vips/VipsRuntime.h"
#include "platform/vips/VipsWork.h"

#include <vips/vips.h>

namespace platform {

void VipsImageUnref::operator()(VipsImage* image) const { g_object_unref(image); }

namespace {

void releaseBuffer(VipsImage*, gpointer holder) { delete static_cast<SharedBytes*>(holder); }

// The memory image reads the packed buffer in place; the image keeps it alive until it closes.
VipsImagePtr memoryImage(const PackedPixels& pixels) {
    VipsImage* image = vips_image_new_from_memory(
        pixels.data(), pixels.rowBytes() * static_cast<std::size_t>(pixels.height), static_cast<int>(pixels.width),
        static_cast<int>(pixels.height), pixels.channels,
        pixels.bitsPerComponent == 8 ? VIPS_FORMAT_UCHAR : VIPS_FORMAT_USHORT);
    if (!image) return nullptr;
    g_signal_connect(image, "postclose", G_CALLBACK(releaseBuffer), new SharedBytes(pixels.buffer));
    const bool grey = pixels.channels <= 2;
    image->Type = pixels.bitsPerComponent == 8 ? (grey ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB)
                                               : (grey ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_RGB16);
    return VipsImagePtr(image);
}

void attachBlob(VipsImage* image, const char* name, const void* data, std::size_t size) {
    vips_image_set_blob_copy(image, name, data, size);
}

} // namespace

VipsImagePtr VipsImages::prepare(const std::vector<ImageRef>& images, const PackingRules& rules,
                                 const CarriedMetadata& metadata, bool embedProfile) {
    if (images.empty() || !startVips()) return nullptr;
    std::vector<VipsImagePtr> pages;
    ColourSpaceRef profile;
    for (const auto& image : images) {
        if (!image) return nullptr;
        if (image->width() > VIPS_MAX_COORD || image->height() > VIPS_MAX_COORD) return nullptr;
        if (image->width() != images.front()->width() || image->height() != images.front()->height()) return nullptr;
        auto packed = packPixels(*image, rules);
        if (!packed) return nullptr;
        if (!profile) profile = packed->colourSpace;
        auto page = memoryImage(*packed);
        if (!page) return nullptr;
        pages.push_back(std::move(page));
    }

    VipsImage* strip = nullptr;
    if (pages.size() == 1) {
        strip = pages.front().release();
    } else {
        std::vector<VipsImage*> raw;
        for (auto& page : pages) raw.push_back(page.get());
        if (vips_arrayjoin(raw.data(), &strip, static_cast<int>(raw.size()), "across", 1, nullptr) != 0) strip = nullptr;
    }
    if (!strip) return nullptr;
    VipsImagePtr stripOwner(strip);
    // libvips counts resolution in pixels per millimetre; without one, files say 72 dpi.
    constexpr double defaultDpi = 72;
    VipsImage* joined = nullptr;
    if (vips_copy(strip, &joined, "xres", metadata.dpiWidth.value_or(defaultDpi) / 25.4, "yres",
                  metadata.dpiHeight.value_or(defaultDpi) / 25.4, nullptr) != 0)
        return nullptr;
    VipsImagePtr result(joined);
    if (pages.size() > 1) vips_image_set_int(joined, VIPS_META_PAGE_HEIGHT, static_cast<int>(images.front()->height()));
    if (embedProfile && profile && !profile->iccData().empty())
        attachBlob(joined, VIPS_META_ICC_NAME, profile->iccData().data(), profile->iccData().size());
    if (metadata.exif) {
        // libvips keeps EXIF as a JPEG APP1 payload, marker first.
        Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), metadata.exif->begin(), metadata.exif->end());
        attachBlob(joined, VIPS_META_EXIF_NAME, app1.data(), app1.size());
    }
    if (metadata.xmp) attachBlob(joined, VIPS_META_XMP_NAME, metadata.xmp->text.data(), metadata.xmp->text.size());
    if (metadata.iptc) attachBlob(joined, VIPS_META_IPTC_NAME, metadata.iptc->data(), metadata.iptc->size());
    vips_image_set_int(joined, VIPS_META_ORIENTATION, static_cast<int>(metadata.orientation));
    return result;
}

Outcome<Bytes> VipsImages::save(const std::vector<ImageRef>& images, const PackingRules& rules,
                                const CarriedMetadata& metadata, bool embedProfile, const Saver& saver) {
    std::optional<Bytes> written;
    const std::string cause = runVipsWork([&] {
        written.reset();
        const VipsImagePtr image = prepare(images, rules, metadata, embedProfile);
        if (!image) return false;
        void* buffer = nullptr;
        std::size_t length = 0;
        const int status = saver(image.get(), &buffer, &length);
        if (status == 0 && buffer && length > 0) {
            const auto* begin = static_cast<const std::uint8_t*>(buffer);
            written = Bytes(begin, begin + length);
        }
        g_free(buffer);
        return status == 0;
    });
    if (written) return std::move(*written);
    return Outcome<Bytes>::failure(cause);
}

} // namespace platform
