#include "ImageEngine/Decoding/WebKitSnapshots.h"

#include "ImageEngine/Model/ConversionError.h"

#include <algorithm>

namespace pictavo {

namespace {

bool isReadable(const BrowserRenderProtocol::Snapshot& snapshot) {
    const std::size_t count = std::size_t{snapshot.width} * snapshot.height;
    return count > 0 && snapshot.pixels.size() == count * 4;
}

// The snapshots arrive in the browser's blue, green, red, alpha order.
constexpr int redByte = 2, greenByte = 1, blueByte = 0;

} // namespace

platform::ImageRef WebKitSnapshots::combine(std::int64_t width, std::int64_t height) const {
    if (!isReadable(overWhite) || !isReadable(overBlack)) {
        throw ConversionError::renderFailed(RenderFailure::browser("could not read the browser's pixels"));
    }
    const std::int64_t renderedWidth = overWhite.width, renderedHeight = overWhite.height;
    if (overBlack.width != overWhite.width || overBlack.height != overWhite.height || renderedWidth < width ||
        renderedHeight < height) {
        throw ConversionError::renderFailed(
            RenderFailure::browserRenderedWrongSize(renderedWidth, renderedHeight, width, height));
    }

    auto output = std::make_shared<platform::Bytes>(static_cast<std::size_t>(width * height * 4));
    for (std::int64_t y = 0; y < height; ++y) {
        const auto rowStart = static_cast<std::size_t>(y * renderedWidth * 4);
        const std::uint8_t* white = overWhite.pixels.data() + rowStart;
        const std::uint8_t* black = overBlack.pixels.data() + rowStart;
        std::uint8_t* to = output->data() + static_cast<std::size_t>(y * width * 4);
        for (std::int64_t x = 0; x < width; ++x, white += 4, black += 4, to += 4) {
            // What shows through lightens the white photograph against the black one; the
            // largest lift over the three channels is how transparent the pixel is. The
            // snapshots' own alpha says nothing: both are opaque.
            int lift = 0;
            for (const int channel : {redByte, greenByte, blueByte})
                lift = std::max(lift, int{white[channel]} - int{black[channel]});
            const int alpha = 255 - lift;
            to[0] = static_cast<std::uint8_t>(std::min(alpha, int{black[redByte]}));
            to[1] = static_cast<std::uint8_t>(std::min(alpha, int{black[greenByte]}));
            to[2] = static_cast<std::uint8_t>(std::min(alpha, int{black[blueByte]}));
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
