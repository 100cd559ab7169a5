#pragma once
#include "ImageEngine/Model/EncodeOptions.h"
#include "ImageEngine/Model/EncoderIntake.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/QualityMode.h"
#include "platform/base/Bytes.h"
#include "platform/pixels/Image.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace pictavo {

// The qualities worth trying with an encoder, both ends included.
struct QualityRange {
    std::int64_t lowest = 1;
    std::int64_t highest = 100;
    friend bool operator==(const QualityRange&, const QualityRange&) = default;
};

// Writes one image in one output format. The capability answers steer the conversion: the
// quality search, the greyscale redraw, the colour conversion and drawing before encoding
// and the re-encode warning. Encoders hold no mutable state, so one serves concurrent encodes.
class ImageEncoder {
public:
    virtual ~ImageEncoder() = default;

    virtual OutputFormat format() const = 0;
    // A quality number changes the output.
    virtual bool supportsQuality() const = 0;
    // With no quality given, every pixel is kept.
    virtual bool writesLosslesslyWithoutAQuality() const = 0;
    // The format can hold a one-channel grey image.
    virtual bool writesSingleChannelGrey() const = 0;
    // The format can embed the image's colour space.
    virtual bool carriesColourSpace() const = 0;
    // The bytes do not depend on the encode effort.
    virtual bool writesTheSameFileAtEveryEffort() const = 0;
    virtual QualityRange qualityRange() const = 0;
    // The pixels it reads as they stand; the conversion draws every other image into them.
    virtual EncoderIntake intake() const { return EncoderIntake::anyPixels; }
    // What writing a picture of this size in this quality mode (at any quality a file-size
    // search may try) holds beside the picture it is given: the library's own copies and
    // buffers, and the file as it grows. Counted before the picture is decoded.
    virtual std::uint64_t workingBytes(std::int64_t width, std::int64_t height, const QualityMode& quality) const {
        (void)quality;
        return pixelsOf(width, height) * 8;
    }
    // The whole file; throws ConversionError::encodeFailed(format) when it cannot be written.
    virtual platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const = 0;
    // The same file, for a caller that hands its reference to the image over: an encoder whose
    // work goes on once the pixels are in a form of its own lets the image go then, so that a
    // large conversion does not hold both.
    virtual platform::Bytes encodeReleasing(platform::ImageRef image, const EncodeOptions& options) const {
        return encode(image, options);
    }

protected:
    static std::uint64_t pixelsOf(std::int64_t width, std::int64_t height) {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(width, 0)) *
               static_cast<std::uint64_t>(std::max<std::int64_t>(height, 0));
    }
};

// An encoder that also writes several images, in order, into one file (the engine asks for
// this with dynamic_cast).
class MultiImageEncoder : public ImageEncoder {
public:
    using ImageEncoder::encode;
    virtual platform::Bytes encode(const std::vector<platform::ImageRef>& images,
                                   const EncodeOptions& options) const = 0;
};

using ImageEncoderRef = std::shared_ptr<const ImageEncoder>;

} // namespace pictavo
