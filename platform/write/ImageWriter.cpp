#include "platform/write/ImageWriter.h"

#include "platform/write/BMPWriter.h"
#include "platform/metadata/CarriedMetadata.h"
#include "platform/write/GIFWriter.h"
#include "platform/write/HEIFWriter.h"
#include "platform/write/ICOWriter.h"
#include "platform/write/JPEG2000Writer.h"
#include "platform/write/JPEGWriter.h"
#include "platform/write/PDFWriter.h"
#include "platform/write/PNGWriter.h"
#include "platform/write/TIFFWriter.h"

#include <memory>

namespace platform {
namespace {

const std::vector<std::unique_ptr<ImageWriterBackend>>& backends() {
    static const auto table = [] {
        std::vector<std::unique_ptr<ImageWriterBackend>> all;
        all.push_back(std::make_unique<PNGWriter>());
        all.push_back(std::make_unique<JPEGWriter>());
        all.push_back(std::make_unique<TIFFWriter>());
        all.push_back(std::make_unique<GIFWriter>());
        all.push_back(std::make_unique<HEIFWriter>(HEIFWriter::Codec::hevc));
        all.push_back(std::make_unique<HEIFWriter>(HEIFWriter::Codec::av1));
        all.push_back(std::make_unique<JPEG2000Writer>());
        all.push_back(std::make_unique<BMPWriter>());
        all.push_back(std::make_unique<ICOWriter>());
        all.push_back(std::make_unique<PDFWriter>());
        std::vector<std::unique_ptr<ImageWriterBackend>> present;
        for (auto& backend : all)
            if (backend->isAvailable()) present.push_back(std::move(backend));
        return present;
    }();
    return table;
}

} // namespace

const std::vector<std::string>& ImageWriter::typeIdentifiers() {
    static const auto identifiers = [] {
        std::vector<std::string> ids;
        for (const auto& backend : backends()) ids.push_back(backend->typeIdentifier());
        return ids;
    }();
    return identifiers;
}

std::optional<Bytes> ImageWriter::write(const std::string& typeIdentifier, const std::vector<ImageRef>& images,
                                        const WriterProperties& properties) {
    if (images.empty()) return std::nullopt;
    for (const auto& image : images)
        if (!image) return std::nullopt;
    for (const auto& backend : backends()) {
        if (backend->typeIdentifier() != typeIdentifier) continue;
        if (images.size() > 1 && !backend->writesSeveralImages()) return std::nullopt;
        auto bytes = backend->write(images, CarriedMetadata::from(properties), properties.lossyQuality);
        if (!bytes || bytes->empty()) return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

} // namespace platform
