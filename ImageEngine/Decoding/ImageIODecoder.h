#pragma once
#include "ImageEngine/Decoding/ImageDecoder.h"

#include <cstdint>
#include <variant>

namespace platform {
class ImageReader;
}

namespace pictavo {

// How the images of one file relate to each other.
struct SourceLayout {
    struct Animated {
        std::int64_t frameCount;
    };
    struct Pages {
        std::int64_t count;
    };
    // Sizes of one picture, as in an icon file; `largest` is the index to use.
    struct Renditions {
        std::int64_t largest;
        std::int64_t count;
    };
    struct Single {};

    std::variant<Animated, Pages, Renditions, Single> value = Single{};
};

// Every raster format the platform's image reader lists: it sorts a file's images into
// frames, pages or renditions, inspects the one image a page stands for, and decodes its
// pixels as stored (turning them upright is the orientation stage's job).
class ImageIODecoder final : public ImageDecoder {
public:
    using ImageDecoder::decode;

    const std::unordered_set<platform::ContentType>& readableTypes() const override;
    ImageProperties properties(const std::filesystem::path& url) const override;
    DecodedImage decode(const std::filesystem::path& url) const override;
    // The page's image, refused with imageTooLarge before it is decoded when its pixels
    // would exceed one conversion's pixel budget.
    DecodedImage decode(const std::filesystem::path& url, std::int64_t page) const override;
    // The page's image, at a reduced size where the format allows and the drawn size leaves
    // room; held in the request's memory, waiting there for a picture larger than one
    // conversion's share, and refused only when it is larger than all of that memory.
    DecodedImage decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const override;

    // How far a picture of the stored size may be reduced when decoded for the drawn size:
    // 1, or a factor that keeps at least three times the drawn size a side.
    static int reductionFor(const ImageProperties& stored, const PixelDimensions& drawn);

    static SourceLayout layout(const platform::ImageReader& reader);
};

} // namespace pictavo
