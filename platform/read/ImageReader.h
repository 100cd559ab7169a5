#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"
#include "platform/read/ImageBackend.h"
#include "platform/base/PixelBudget.h"
#include "platform/base/PropertyMap.h"
#include "platform/metadata/XMPPacket.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The image reader: opens a file by its content, says how many images it holds and what each
// is, and decodes one image's pixels only when asked. The file is read once, with ordinary
// reads, when it is opened; every later call works on those bytes, so a file changed on disk
// afterwards is read anew only by a new reader.
class ImageReader {
public:
    // The type identifiers of the formats whose back end is present on this machine.
    static const std::vector<std::string>& readableTypeIdentifiers();

    // Nothing when the file holds no image the reader knows, with what the library said as
    // the cause (naming the file by its name alone). A file that cannot be read, or that is
    // not a regular file (a pipe, a device, a folder), throws its FileError: it is not a
    // damaged image, and the user is told what is wrong with it.
    static Outcome<ImageReader> open(const std::filesystem::path& path);
    // The same for bytes already in memory. OpenEXR needs a file, so it is not read here.
    static Outcome<ImageReader> open(SharedBytes bytes);

    // The type the content was recognised as, such as "public.png".
    std::string typeIdentifier() const { return backend_->typeIdentifier(); }
    std::int64_t count() const { return backend_->count(); }
    // The images are frames of one animation (GIF, animated PNG or WebP).
    bool hasFrameInfo() const { return backend_->hasFrameInfo(); }
    // The property map of one image, read without decoding its pixels.
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const { return backend_->propertiesAt(index); }
    std::optional<XMPPacket> xmpAt(std::int64_t index) const { return backend_->xmpAt(index); }
    // The pixels of one image as stored (not turned upright), straight alpha last. An image whose
    // decoded size would exceed the budget is refused before it is decoded.
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget = {}) const {
        return backend_->imageAt(index, budget);
    }
    // The same at about 1/`reduction` of the size (at least 1/`reduction`, at most whole) where
    // the format decodes that more cheaply than the whole image: JPEG by its DCT scaling, PNG,
    // TIFF and WebP by reading their rows in order into averages of `reduction` × `reduction`
    // pixels. The result says how far it was reduced.
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget, int reduction) const {
        return reduction > 1 ? backend_->reducedImageAt(index, budget, reduction) : backend_->imageAt(index, budget);
    }

private:
    explicit ImageReader(std::shared_ptr<const ImageBackend> backend) : backend_(std::move(backend)) {}
    static Outcome<ImageReader> open(SharedBytes bytes, std::optional<std::filesystem::path> path);

    std::shared_ptr<const ImageBackend> backend_;
};

} // namespace platform
