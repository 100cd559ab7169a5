#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"
#include "platform/metadata/CarriedMetadata.h"
#include "platform/pixels/Image.h"
#include "platform/pixels/PackedPixels.h"

#include <memory>
#include <optional>
#include <vector>

typedef struct _VipsImage VipsImage;

namespace platform {

struct VipsImageUnref {
    void operator()(VipsImage* image) const;
};
using VipsImagePtr = std::unique_ptr<VipsImage, VipsImageUnref>;

// The libvips form of images about to be saved: packed pixels copied into a memory image
// with its own profile (when `embedProfile`) and the carried metadata attached, and several
// equal-sized images stacked into one multi-page image as libvips' savers expect them.
// Only what is given is attached, so no other metadata reaches the file.
struct VipsImages {
    // Each image packed by the rules, then joined; nothing when an image cannot be packed,
    // or when there are several and their sizes differ (a libvips page strip needs one size).
    static VipsImagePtr prepare(const std::vector<ImageRef>& images, const PackingRules& rules,
                                const CarriedMetadata& metadata, bool embedProfile);

    // The buffer a libvips saver returned, freed here; nothing when the save failed or
    // wrote no bytes, with what libvips said of the failure as the cause.
    static Outcome<Bytes> takeBuffer(int status, void* buffer, std::size_t length);
};

} // namespace platform
