#include "ImageEngine/Decoding/PDFDecoder.h"

#include "ImageEngine/Decoding/PDFPageBox.h"
#include "ImageEngine/Decoding/PDFPageSource.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Decoding/VectorDecode.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/DeclaredSize.h"
#include "platform/files/FilePath.h"
#include "platform/files/FileStatus.h"

namespace pictavo {

namespace {

ImageProperties pageProperties(const std::filesystem::path& url, const platform::PDFDocument& document,
                               const platform::PDFPage& page) {
    const auto pixels = DeclaredSize::pixels(PDFPageBox::of(page).displayedSize());
    ImageProperties properties;
    properties.pixelWidth = pixels.width;
    properties.pixelHeight = pixels.height;
    properties.orientation = 1;
    // Pages are drawn on a transparent background.
    properties.hasAlpha = true;
    properties.pageCount = document.pageCount();
    properties.isVector = true;
    properties.sourceUTType = platform::ContentType::pdf();
    properties.byteCount = platform::readFileStamp(url).byteCount;
    return properties;
}

} // namespace

const std::unordered_set<platform::ContentType>& PDFDecoder::readableTypes() const {
    static const std::unordered_set<platform::ContentType> types{platform::ContentType::pdf()};
    return types;
}

platform::PDFDocument PDFDecoder::open(const std::filesystem::path& url) {
    const auto unreadable = [&] { return ConversionError::decodeFailed(platform::lastPathComponent(url.string())); };
    auto opened = [&] {
        try {
            return platform::PDFDocument::open(url);
        } catch (const platform::FileError& error) {
            refuseWhatCannotBeOpened(error);
            throw unreadable();
        }
    }();
    if (std::holds_alternative<platform::PDFDocument::Locked>(opened))
        throw ConversionError::unsupportedInput("This PDF is password-protected, so it can't be read.");
    auto* document = std::get_if<platform::PDFDocument>(&opened);
    if (!document || document->pageCount() < 1) throw unreadable();
    return std::move(*document);
}

platform::PDFPage PDFDecoder::page(const platform::PDFDocument& document, std::int64_t number) {
    auto page = document.page(number);
    if (!page) throw ConversionError::pageOutOfRange(number, document.pageCount());
    return std::move(*page);
}

ImageProperties PDFDecoder::properties(const std::filesystem::path& url) const {
    const auto document = open(url);
    return pageProperties(url, document, page(document, 1));
}

DecodedImage PDFDecoder::decode(const std::filesystem::path& url) const { return decode(url, 1); }

DecodedImage PDFDecoder::decode(const std::filesystem::path& url, std::int64_t number) const {
    const auto document = open(url);
    const auto found = page(document, number);
    auto properties = pageProperties(url, document, found);
    return DecodedImage::vector(std::make_shared<const PDFPageSource>(url, number, PDFPageBox::of(found).displayedSize()),
                                std::move(properties));
}

DecodedImage PDFDecoder::decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const {
    return decodedVectorFor(*this, url, request);
}

} // namespace pictavo
