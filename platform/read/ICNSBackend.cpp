#include "platform/read/ICNSBackend.h"

#include "platform/types/ImageSniffer.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/read/VipsBackend.h"

#include <cstring>
#include <limits>

namespace platform {
namespace {

// The legacy coding: per channel, a byte below 128 copies that many plus one bytes, a byte
// of 128 or more repeats the next byte (value − 125) times.
bool unpackChannel(ByteView input, std::size_t& at, std::uint8_t* output, std::size_t count, std::size_t step) {
    std::size_t written = 0;
    while (written < count) {
        const auto control = input.u8(at++);
        if (!control) return false;
        if (*control < 128) {
            const std::size_t run = *control + 1u;
            if (run > count - written || !input.has(at, run)) return false;
            for (std::size_t i = 0; i < run; ++i) output[(written + i) * step] = input.data()[at + i];
            at += run;
            written += run;
        } else {
            const std::size_t run = *control - 125u;
            const auto value = input.u8(at++);
            if (!value || run > count - written) return false;
            for (std::size_t i = 0; i < run; ++i) output[(written + i) * step] = *value;
            written += run;
        }
    }
    return true;
}

} // namespace

std::shared_ptr<const ICNSBackend> ICNSBackend::open(SharedBytes bytes) {
    if (!bytes) return nullptr;
    auto elements = readICNSElements(byteSourceOf(ByteView(bytes->data(), bytes->size())),
                                     std::numeric_limits<std::size_t>::max());
    if (!elements || elements->empty()) return nullptr;
    auto backend = std::shared_ptr<ICNSBackend>(new ICNSBackend());
    backend->elements_ = std::move(*elements);
    backend->bytes_ = std::move(bytes);
    return backend;
}

std::string ICNSBackend::typeIdentifier() const { return types::icns; }

std::shared_ptr<const ImageBackend> ICNSBackend::embedded(const ICNSElement& element) const {
    const auto payload = ByteView(bytes_->data(), bytes_->size()).sub(element.offset, element.size);
    return VipsBackend::open(bytes_, payload, sniffImageFormat(payload), std::nullopt);
}

std::optional<PropertyMap> ICNSBackend::propertiesAt(std::int64_t index) const {
    if (index < 0 || index >= count()) return std::nullopt;
    const auto& element = elements_[static_cast<std::size_t>(index)];
    if (element.coding == ICNSElement::Coding::embedded) {
        auto backend = embedded(element);
        if (!backend) return std::nullopt;
        auto properties = backend->propertiesAt(0);
        if (properties) (*properties)[keys::hasAlpha] = true;
        return properties;
    }
    return basicProperties(element.side, element.side, true, 8);
}

ImageReadResult ICNSBackend::decodeLegacy(const ICNSElement& element, const PixelBudget& budget) const {
    if (!budget.allows(element.side, element.side, 4)) return {nullptr, true};
    const ByteView file(bytes_->data(), bytes_->size());
    const auto payload = file.sub(element.offset, element.size);
    const std::size_t pixelCount = static_cast<std::size_t>(element.side * element.side);
    auto pixels = std::make_shared<Bytes>(pixelCount * 4, 255);
    std::size_t at = 0;
    if (element.coding == ICNSElement::Coding::argbRunLength) {
        at = 4;
        // Alpha comes first in the file and last in the pixels.
        if (!unpackChannel(payload, at, pixels->data() + 3, pixelCount, 4)) return {};
        for (int c = 0; c < 3; ++c)
            if (!unpackChannel(payload, at, pixels->data() + c, pixelCount, 4)) return {};
    } else {
        if (payload.startsWith(0, std::string_view("\0\0\0\0", 4)) && element.side == 128) at = 4;
        if (payload.size() == pixelCount * 4) {
            // Uncoded ARGB, as some writers store the smallest sizes.
            for (std::size_t i = 0; i < pixelCount; ++i)
                for (int c = 0; c < 3; ++c) (*pixels)[i * 4 + c] = payload.data()[i * 4 + 1 + c];
        } else {
            for (int c = 0; c < 3; ++c)
                if (!unpackChannel(payload, at, pixels->data() + c, pixelCount, 4)) return {};
        }
        // The mask element, when the file has one of the right size.
        std::size_t scan = 8;
        const std::size_t end = std::min<std::size_t>(file.u32be(4).value_or(0), file.size());
        while (!element.maskType.empty() && scan + 8 <= end) {
            const auto length = file.u32be(scan + 4);
            if (!length || *length < 8 || *length > end - scan) break;
            if (file.sub(scan, 4).startsWith(0, element.maskType) && *length - 8u == pixelCount) {
                for (std::size_t i = 0; i < pixelCount; ++i) (*pixels)[i * 4 + 3] = file.data()[scan + 8 + i];
                break;
            }
            scan += *length;
        }
    }
    return {Image::make(element.side, element.side, 8, 4, AlphaInfo::last, ColourSpace::sRGB(), std::move(pixels),
                        static_cast<std::size_t>(element.side) * 4),
            false};
}

ImageReadResult ICNSBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index < 0 || index >= count()) return {};
    const auto& element = elements_[static_cast<std::size_t>(index)];
    if (element.coding == ICNSElement::Coding::embedded) {
        auto backend = embedded(element);
        return backend ? backend->imageAt(0, budget) : ImageReadResult{};
    }
    return decodeLegacy(element, budget);
}

} // namespace platform
