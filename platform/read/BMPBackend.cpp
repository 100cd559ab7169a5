#include "platform/read/BMPBackend.h"

#include "platform/types/ImageTypeIdentifiers.h"

namespace platform {

namespace {
constexpr std::size_t fileHeaderSize = 14;
}

std::shared_ptr<const BMPBackend> BMPBackend::open(SharedBytes bytes) {
    if (!bytes) return nullptr;
    const ByteView file(bytes->data(), bytes->size());
    const auto pixelOffset = file.u32le(10);
    if (!file.startsWith(0, "BM") || !pixelOffset || *pixelOffset < fileHeaderSize) return nullptr;
    auto backend = std::shared_ptr<BMPBackend>(new BMPBackend());
    backend->bytes_ = std::move(bytes);
    auto header = readDibHeader(backend->dib(), false);
    if (!header) return nullptr;
    backend->header_ = std::move(*header);
    backend->pixelOffset_ = *pixelOffset - fileHeaderSize;
    return backend;
}

ByteView BMPBackend::dib() const {
    const ByteView file(bytes_->data(), bytes_->size());
    return file.sub(fileHeaderSize, file.size() - fileHeaderSize);
}

std::string BMPBackend::typeIdentifier() const { return types::bmp; }

std::optional<PropertyMap> BMPBackend::propertiesAt(std::int64_t index) const {
    if (index != 0) return std::nullopt;
    auto properties = basicProperties(header_.width, header_.height, header_.hasAlphaMask(), 8);
    if (header_.dpiX > 0 && header_.dpiY > 0) {
        properties[keys::dpiWidth] = header_.dpiX;
        properties[keys::dpiHeight] = header_.dpiY;
    }
    addColourProfile(properties, header_.iccProfile);
    return properties;
}

ImageReadResult BMPBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index != 0) return {};
    return decodeDib(dib(), header_, pixelOffset_, false, budget);
}

} // namespace platform
