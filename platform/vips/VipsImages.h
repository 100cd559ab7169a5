#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"
#include "platform/metadata/CarriedMetadata.h"
#include "platform/pixels/Image.h"
#include "platform/pixels/PackedPixels.h"

#include <functional>
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
    // A libvips failure leaves its words for the caller's runVipsWork.
    static VipsImagePtr prepare(const std::vector<ImageRef>& images, const PackingRules& rules,
                                const CarriedMetadata& metadata, bool embedProfile);

    // A libvips saver to memory, such as vips_jpegsave_buffer with its options bound: 0 when
    // it wrote the buffer, which it allocated for the caller to free.
    using Saver = std::function<int(VipsImage* image, void** buffer, std::size_t* length)>;

    // The images prepared as above and written by the saver, as one piece of libvips work
    // (runVipsWork): nothing when they cannot be prepared, the save fails or it writes no
    // bytes, with what libvips said of this failure, and of no other, as the cause.
    static Outcome<Bytes> save(const std::vector<ImageRef>& images, const PackingRules& rules,
                               const CarriedMetadata& metadata, bool embedProfile, const Saver& saver);
};

} // namespace platform
