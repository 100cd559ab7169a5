#include "ImageEngine/Decoding/PDFPageSource.h"

#include "ImageEngine/Decoding/PDFDecoder.h"
#include "ImageEngine/Decoding/PDFPageBox.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/RenderTarget.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/vector/DrawingSurface.h"

namespace pictavo {

std::uint64_t PDFPageSource::workingBytes(std::int64_t, std::int64_t) const { return sourceLength(url_); }

platform::ImageRef PDFPageSource::render(double width, double height) const {
    const auto target = RenderTarget::pixels({width, height}, EncodeConcurrency::pixelBudget());
    const auto document = PDFDecoder::open(url_);
    const auto page = PDFDecoder::page(document, pageNumber_);
    const auto shown = PDFPageBox::of(page);
    if (!(shown.box.size.width > 0) || !(shown.box.size.height > 0))
        throw ConversionError::renderFailed(RenderFailure::pdfPageHasNoSize(pageNumber_));

    auto surface = platform::DrawingSurface::create(target.width, target.height);
    if (!surface) throw ConversionError::renderFailed(RenderFailure::noDrawingSurface(target.width, target.height));
    const auto w = static_cast<double>(target.width);
    const auto h = static_cast<double>(target.height);
    const bool drawn = surface->draw([&](auto* context) {
        page.draw(context, w, h, shown.box, shown.rotation);
        return true;
    });
    auto image = drawn ? surface->makeImage() : nullptr;
    if (!image) throw ConversionError::renderFailed(RenderFailure::pdfPageProducedNoImage(target.width, target.height));
    return image;
}

} // namespace pictavo
