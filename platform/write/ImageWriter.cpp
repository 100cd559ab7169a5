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
#include "platform/types/FormatFacts.h"

#include <memory>

namespace platform {
namespace {

std::unique_ptr<ImageWriterBackend> backendFor(const FormatFacts& row) {
    switch (row.writer) {
    case WriteBackEnd::none: return nullptr;
    case WriteBackEnd::png: return std::make_unique<PNGWriter>();
    case WriteBackEnd::jpeg: return std::make_unique<JPEGWriter>();
    case WriteBackEnd::tiff: return std::make_unique<TIFFWriter>();
    case WriteBackEnd::gif: return std::make_unique<GIFWriter>();
    case WriteBackEnd::heif:
        return std::make_unique<HEIFWriter>(row.heifCodec == HEIFCodec::av1 ? HEIFWriter::Codec::av1 : HEIFWriter::Codec::hevc);
    case WriteBackEnd::jpeg2000: return std::make_unique<JPEG2000Writer>();
    case WriteBackEnd::bmp: return std::make_unique<BMPWriter>();
    case WriteBackEnd::ico: return std::make_unique<ICOWriter>();
    case WriteBackEnd::pdf: return std::make_unique<PDFWriter>();
    }
    return nullptr;
}

struct ListedBackend {
    std::string typeIdentifier;
    std::unique_ptr<ImageWriterBackend> backend;
};

// The back end of every row that names one, in the table's order, when its codec is present.
const std::vector<ListedBackend>& backends() {
    static const auto table = [] {
        std::vector<ListedBackend> present;
        for (const auto& row : formatTable()) {
            auto backend = backendFor(row);
            if (backend && backend->isAvailable()) present.push_back({row.identifier, std::move(backend)});
        }
        return present;
    }();
    return table;
}

} // namespace

const std::vector<std::string>& ImageWriter::typeIdentifiers() {
    static const auto identifiers = [] {
        std::vector<std::string> ids;
        for (const auto& listed : backends()) ids.push_back(listed.typeIdentifier);
        return ids;
    }();
    return identifiers;
}

Outcome<Bytes> ImageWriter::write(const std::string& typeIdentifier, const std::vector<ImageRef>& images,
                                  const WriterProperties& properties) {
    if (images.empty()) return std::nullopt;
    for (const auto& image : images)
        if (!image) return std::nullopt;
    for (const auto& [identifier, backend] : backends()) {
        if (identifier != typeIdentifier) continue;
        if (images.size() > 1 && !backend->writesSeveralImages()) return std::nullopt;
        // A picture the format cannot hold is refused before the library is asked, which
        // would fail without a reason or write a file no reader opens.
        if (const FormatFacts* row = formatFacts(identifier)) {
            for (const auto& image : images)
                if (auto refusal = sideLimitRefusal(*row, image->width(), image->height()))
                    return Outcome<Bytes>::failure(std::move(*refusal));
        }
        auto bytes = backend->write(images, CarriedMetadata::from(properties, backend->holdsIPTC()), properties.lossyQuality);
        if (bytes && bytes->empty()) return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

} // namespace platform
