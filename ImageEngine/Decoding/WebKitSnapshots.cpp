#include "ImageEngine/Decoding/WebKitSnapshots.h"

#include "ImageEngine/Model/ConversionError.h"

#include <algorithm>

namespace pictavo {

std::optional<WebKitSnapshots::RGBAPixels> WebKitSnapshots::rgbaPixels(const BrowserRenderProtocol::Snapshot& snapshot) {
    const std::size_t count = std::size_t{snapshot.width} * snapshot.height;
    if (count == 0 || snapshot.pixels.size() != count * 4) return std::nullopt;
    RGBAPixels rgba;
    rgba.width = snapshot.width;
    rgba.height = snapshot.height;
    rgba.bytes.resize(count * 4);
    const std::uint8_t* from = snapshot.pixels.data();
    std::uint8_t* to = rgba.bytes.data();
    for (std::size_t pixel = 0; pixel < count; ++pixel, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = from[3];
    }
    return rgba;
}

platform::ImageRef WebKitSnapshots::combine(std::int64_t width, std::int64_t height) const {
    const auto white = rgbaPixels(overWhite);
    const auto black = white ? rgbaPixels(overBlack) : std::nullopt;
    if (!white || !black) {
        throw ConversionError::renderFailed(RenderFailure::browser("could not read the browser's pixels"));
    }
    if (white->width != black->width || white->height != black->height || white->width < width ||
        white->height < height) {
        throw ConversionError::renderFailed(
            RenderFailure::browserRenderedWrongSize(white->width, white->height, width, height));
    }

    auto output = std::make_shared<platform::Bytes>(static_cast<std::size_t>(width * height * 4));
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* overWhite = white->bytes.data() + static_cast<std::size_t>(y * white->width * 4);
        const std::uint8_t* overBlack = black->bytes.data() + static_cast<std::size_t>(y * white->width * 4);
        std::uint8_t* to = output->data() + static_cast<std::size_t>(y * width * 4);
        for (std::int64_t x = 0; x < width; ++x, overWhite += 4, overBlack += 4, to += 4) {
            // What shows through lightens the white photograph against the black one; the
            // largest lift over the three channels is how transparent the pixel is. The
            // snapshots' own alpha says nothing: both are opaque.
            int lift = 0;
            for (int channel = 0; channel < 3; ++channel)
                lift = std::max(lift, int{overWhite[channel]} - int{overBlack[channel]});
            const int alpha = 255 - lift;
            for (int channel = 0; channel < 3; ++channel)
                to[channel] = static_cast<std::uint8_t>(std::min(alpha, int{overBlack[channel]}));
            to[3] = static_cast<std::uint8_t>(alpha);
        }
    }
    auto image = platform::Image::make(width, height, 8, 4, platform::AlphaInfo::premultipliedLast,
                                       platform::ColourSpace::sRGB(), std::move(output),
                                       static_cast<std::size_t>(width * 4));
    if (!image) throw ConversionError::renderFailed(RenderFailure::browserCouldNotAssemble(width, height));
    return image;
}

} // namespace pictavo
