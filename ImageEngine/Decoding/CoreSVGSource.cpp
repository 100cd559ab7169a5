#include "ImageEngine/Decoding/CoreSVGSource.h"

#include "ImageEngine/Decoding/SVGFile.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/RenderTarget.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/files/FilePath.h"
#include "platform/vector/DrawingSurface.h"
#include "platform/vector/SVGDocument.h"

namespace pictavo {

std::uint64_t CoreSVGSource::workingBytes(std::int64_t, std::int64_t) const {
    return svgReadingBytes(sourceLength(url_));
}

platform::ImageRef CoreSVGSource::render(double width, double height) const {
    const auto target = RenderTarget::pixels({width, height}, EncodeConcurrency::pixelBudget());
    const auto unreadable = [&] { return ConversionError::decodeFailed(platform::lastPathComponent(url_.string())); };

    platform::Bytes bytes;
    try {
        bytes = readSourceFile(url_);
    } catch (const platform::FileError& error) {
        refuseWhatCannotBeOpened(error);
        throw unreadable();
    }
    // A file replaced by a compressed one since it was decoded is not one the drawer reads.
    if (isGzipped(bytes)) throw unreadable();
    const auto document = platform::SVGDocument::load(bytes);
    if (!document) throw unreadable();

    auto surface = platform::DrawingSurface::create(target.width, target.height);
    if (!surface) throw ConversionError::renderFailed(RenderFailure::noDrawingSurface(target.width, target.height));
    const auto w = static_cast<double>(target.width);
    const auto h = static_cast<double>(target.height);
    const bool drawn = surface->draw([&](auto* context) { return document->drawStretched(context, intrinsicSize_, w, h); });
    auto image = drawn ? surface->makeImage() : nullptr;
    if (!image) throw ConversionError::renderFailed(RenderFailure::vectorProducedNoImage(target.width, target.height));
    return image;
}

} // namespace pictavo
