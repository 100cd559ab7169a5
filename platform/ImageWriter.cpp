#include "platform/ImageWriter.h"

#include "platform/BmpWriter.h"
#include "platform/CarriedMetadata.h"
#include "platform/GifWriter.h"
#include "platform/HeifWriter.h"
#include "platform/IcoWriter.h"
#include "platform/Jpeg2000Writer.h"
#include "platform/JpegWriter.h"
#include "platform/PdfWriter.h"
#include "platform/PngWriter.h"
#include "platform/TiffWriter.h"

#include <memory>

namespace platform {
namespace {

const std::vector<std::unique_ptr<ImageWriterBackend>>& backends() {
    static const auto table = [] {
        std::vector<std::unique_ptr<ImageWriterBackend>> all;
        all.push_back(std::make_unique<PngWriter>());
        all.push_back(std::make_unique<JpegWriter>());
        all.push_back(std::make_unique<TiffWriter>());
        all.push_back(std::make_unique<GifWriter>());
        all.push_back(std::make_unique<HeifWriter>(HeifWriter::Codec::hevc));
        all.push_back(std::make_unique<HeifWriter>(HeifWriter::Codec::av1));
        all.push_back(std::make_unique<Jpeg2000Writer>());
        all.push_back(std::make_unique<BmpWriter>());
        all.push_back(std::make_unique<IcoWriter>());
        all.push_back(std::make_unique<PdfWriter>());
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
