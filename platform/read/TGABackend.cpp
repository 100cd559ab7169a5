#include "platform/read/TGABackend.h"

#include "platform/types/ImageTypeIdentifiers.h"

#include <array>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t footerLength = 26;
constexpr char footerSignature[] = "TRUEVISION-XFILE.";
constexpr std::size_t extensionAreaLength = 495;
constexpr std::size_t attributesTypeOffset = 494;
// Attribute types 0 to 2 say the alpha bits hold nothing meant to be seen.
constexpr std::uint8_t usefulAlpha = 3, premultipliedAlpha = 4;

// The alpha meaning the TGA 2.0 extension area gives, when the file has one.
std::optional<std::uint8_t> attributesType(ByteView file) {
    if (file.size() < TGAHeader::length + footerLength) return std::nullopt;
    const std::size_t footer = file.size() - footerLength;
    if (!file.startsWith(footer + 8, std::string_view(footerSignature, sizeof footerSignature))) return std::nullopt;
    const auto offset = file.u32le(footer);
    if (!offset || *offset == 0 || !file.has(*offset, extensionAreaLength) || file.u16le(*offset) != extensionAreaLength)
        return std::nullopt;
    return file.u8(*offset + attributesTypeOffset);
}

std::uint8_t fiveToEight(unsigned value) { return static_cast<std::uint8_t>(value << 3 | value >> 2); }

// One stored colour (a pixel or a map entry of `bits` bits, little-endian BGR(A)) as RGBA.
std::array<std::uint8_t, 4> colourOf(const std::uint8_t* stored, int bits) {
    switch (bits) {
    case 15: case 16: {
        const unsigned value = stored[0] | stored[1] << 8;
        return {fiveToEight(value >> 10 & 0x1F), fiveToEight(value >> 5 & 0x1F), fiveToEight(value & 0x1F),
                static_cast<std::uint8_t>(value & 0x8000 ? 255 : 0)};
    }
    case 24: return {stored[2], stored[1], stored[0], 255};
    default: return {stored[2], stored[1], stored[0], stored[3]};
    }
}

// The stored pixels one at a time in file order, expanding run-length packets: a packet's
// first byte counts 1 to 128 pixels, one repeated when its top bit is set, else given each.
class PixelStream {
public:
    PixelStream(ByteView data, std::size_t pixelBytes, bool runLength)
        : data_(data), pixelBytes_(pixelBytes), runLength_(runLength) {}

    // The next pixel's bytes; null when the data ends first.
    const std::uint8_t* next() {
        if (!runLength_) return take();
        if (left_ == 0) {
            const auto packet = data_.u8(at_++);
            if (!packet) return nullptr;
            left_ = (*packet & 0x7F) + 1u;
            repeated_ = (*packet & 0x80) != 0;
            if (repeated_ && !(current_ = take())) return nullptr;
        }
        --left_;
        return repeated_ ? current_ : take();
    }

private:
    const std::uint8_t* take() {
        if (!data_.has(at_, pixelBytes_)) return nullptr;
        const std::uint8_t* pixel = data_.data() + at_;
        at_ += pixelBytes_;
        return pixel;
    }

    ByteView data_;
    std::size_t pixelBytes_;
    bool runLength_;
    std::size_t at_ = 0;
    unsigned left_ = 0;
    bool repeated_ = false;
    const std::uint8_t* current_ = nullptr;
};

} // namespace

std::shared_ptr<const TGABackend> TGABackend::open(SharedBytes bytes) {
    if (!bytes) return nullptr;
    const ByteView file(bytes->data(), bytes->size());
    const auto header = readTGAHeader(file);
    if (!header) return nullptr;
    auto backend = std::shared_ptr<TGABackend>(new TGABackend());
    backend->header_ = *header;
    const int colourBits = header->kind == TGAHeader::Kind::colourMapped ? header->mapEntryBits : header->pixelBits;
    const bool storesAlpha = header->kind == TGAHeader::Kind::grey ? colourBits == 16 : colourBits == 16 || colourBits == 32;
    const auto attributes = attributesType(file);
    // The fourth byte of 32-bit colour is alpha even where a writer (Netpbm's among them) left
    // the header's alpha bits at 0; the extension area, when present, has the last word.
    const bool announced = header->alphaBits > 0 || (colourBits == 32 && header->kind != TGAHeader::Kind::grey);
    backend->alpha_ = storesAlpha && (attributes ? *attributes == usefulAlpha || *attributes == premultipliedAlpha : announced);
    backend->premultiplied_ = backend->alpha_ && attributes == premultipliedAlpha;
    backend->bytes_ = std::move(bytes);
    return backend;
}

std::string TGABackend::typeIdentifier() const { return types::tga; }

int TGABackend::outputComponents() const {
    const int colour = header_.kind == TGAHeader::Kind::grey ? 1 : 3;
    return colour + (alpha_ ? 1 : 0);
}

std::optional<PropertyMap> TGABackend::propertiesAt(std::int64_t index) const {
    if (index != 0) return std::nullopt;
    return basicProperties(header_.width, header_.height, alpha_, 8);
}

ImageReadResult TGABackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index != 0) return {};
    const int components = outputComponents();
    if (!budget.allows(header_.width, header_.height, components)) return {nullptr, true};
    const ByteView file(bytes_->data(), bytes_->size());
    const ByteView map = file.sub(header_.mapOffset(), header_.mapBytes());
    const std::size_t mapEntryBytes = static_cast<std::size_t>((header_.mapEntryBits + 7) / 8);
    PixelStream stream(file.sub(header_.pixelOffset(), file.size() - header_.pixelOffset()), header_.bytesPerPixel(),
                       header_.runLength);

    const auto width = static_cast<std::size_t>(header_.width);
    const auto height = static_cast<std::size_t>(header_.height);
    const std::size_t rowBytes = width * static_cast<std::size_t>(components);
    auto pixels = std::make_shared<Bytes>(rowBytes * height);
    bool anyAlpha = false;
    for (std::size_t row = 0; row < height; ++row) {
        const std::size_t y = header_.topToBottom ? row : height - 1 - row;
        for (std::size_t column = 0; column < width; ++column) {
            const std::uint8_t* stored = stream.next();
            if (!stored) return {};
            std::array<std::uint8_t, 4> colour{};
            switch (header_.kind) {
            case TGAHeader::Kind::colourMapped: {
                const unsigned index = header_.pixelBits == 8 ? stored[0] : stored[0] | stored[1] << 8u;
                if (index < header_.mapFirstIndex || index - header_.mapFirstIndex >= header_.mapLength) return {};
                colour = colourOf(map.data() + (index - header_.mapFirstIndex) * mapEntryBytes, header_.mapEntryBits);
                break;
            }
            case TGAHeader::Kind::trueColour: colour = colourOf(stored, header_.pixelBits); break;
            case TGAHeader::Kind::grey:
                colour = {stored[0], stored[0], stored[0], header_.pixelBits == 16 ? stored[1] : std::uint8_t{255}};
                break;
            }
            const std::size_t x = header_.rightToLeft ? width - 1 - column : column;
            std::uint8_t* out = pixels->data() + y * rowBytes + x * static_cast<std::size_t>(components);
            if (header_.kind == TGAHeader::Kind::grey) out[0] = colour[0];
            else std::memcpy(out, colour.data(), 3);
            if (alpha_) {
                out[components - 1] = colour[3];
                anyAlpha = anyAlpha || colour[3] != 0;
            }
        }
    }
    // Many writers announce alpha and leave every alpha bit clear; a picture that would show
    // nothing at all is taken as opaque.
    if (alpha_ && !anyAlpha)
        for (std::size_t at = static_cast<std::size_t>(components) - 1; at < pixels->size(); at += components) (*pixels)[at] = 255;

    const AlphaInfo alpha = !alpha_ ? AlphaInfo::none : premultiplied_ ? AlphaInfo::premultipliedLast : AlphaInfo::last;
    return {Image::make(header_.width, header_.height, 8, components, alpha,
                        colourSpaceForPixels(nullptr, header_.kind == TGAHeader::Kind::grey ? 1 : 3), std::move(pixels),
                        rowBytes),
            false};
}

} // namespace platform
