#include "platform/read/ICOBackend.h"

#include "platform/read/DIBDecoder.h"
#include "platform/types/ImageSniffer.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/read/PNGSummary.h"
#include "platform/read/VipsBackend.h"

namespace platform {

std::shared_ptr<const ICOBackend> ICOBackend::open(SharedBytes bytes) {
    if (!bytes) return nullptr;
    auto entries = readICODirectory(ByteView(bytes->data(), bytes->size()));
    if (!entries) return nullptr;
    auto backend = std::shared_ptr<ICOBackend>(new ICOBackend());
    backend->entries_ = std::move(*entries);
    backend->bytes_ = std::move(bytes);
    return backend;
}

std::string ICOBackend::typeIdentifier() const { return types::ico; }

std::optional<PropertyMap> ICOBackend::propertiesAt(std::int64_t index) const {
    if (index < 0 || index >= count()) return std::nullopt;
    const auto& entry = entries_[static_cast<std::size_t>(index)];
    const auto payload = ByteView(bytes_->data(), bytes_->size()).sub(entry.offset, entry.size);
    if (payload.size() == 0) return std::nullopt;
    if (auto png = summarisePng(payload)) {
        if (png->width == 0 || png->height == 0) return std::nullopt;
        return basicProperties(png->width, png->height, true, png->bitDepth == 16 ? 16 : 8);
    }
    auto header = readDibHeader(payload, true);
    if (!header) return std::nullopt;
    return basicProperties(header->width, header->height, true, 8);
}

ImageReadResult ICOBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index < 0 || index >= count()) return {};
    const auto& entry = entries_[static_cast<std::size_t>(index)];
    const auto payload = ByteView(bytes_->data(), bytes_->size()).sub(entry.offset, entry.size);
    if (payload.size() == 0) return {};
    if (summarisePng(payload)) {
        auto png = VipsBackend::open(bytes_, payload, sniffImageFormat(payload), std::nullopt);
        return png ? png->imageAt(0, budget) : ImageReadResult{};
    }
    auto header = readDibHeader(payload, true);
    if (!header) return {};
    const std::size_t pixelOffset = header->paletteOffset + header->paletteEntries * header->paletteEntrySize;
    return decodeDib(payload, *header, pixelOffset, true, budget);
}

} // namespace platform
