#include "platform/read/ICNSElements.h"

#include "platform/types/ImageSniffer.h"

#include <algorithm>

namespace platform {
namespace {

struct KnownElement {
    const char* type;
    std::int64_t side;        // of the legacy coding, when the payload is not PNG or JPEG 2000
    const char* legacyMask;   // the mask of a legacy RGB element
};

constexpr KnownElement knownElements[] = {
    {"is32", 16, "s8mk"}, {"il32", 32, "l8mk"}, {"ih32", 48, "h8mk"}, {"it32", 128, "t8mk"},
    {"icp4", 16, "s8mk"}, {"icp5", 32, "l8mk"}, {"icp6", 64, nullptr},
    {"ic04", 16, nullptr}, {"ic05", 32, nullptr}, {"ic07", 0, nullptr}, {"ic08", 0, nullptr},
    {"ic09", 0, nullptr}, {"ic10", 0, nullptr}, {"ic11", 0, nullptr}, {"ic12", 0, nullptr},
    {"ic13", 0, nullptr}, {"ic14", 0, nullptr},
};

// Enough of a payload to tell PNG and JPEG 2000 from the legacy codings.
constexpr std::size_t payloadStartBytes = 16;

} // namespace

std::optional<std::vector<ICNSElement>> readICNSElements(const ByteSource& source, std::size_t mostElements) {
    const Bytes header = source(0, 8);
    const ByteView file(header.data(), header.size());
    const auto declared = file.u32be(4);
    if (!file.startsWith(0, "icns") || !declared || *declared < 8) return std::nullopt;
    std::vector<ICNSElement> elements;
    std::uint64_t at = 8;
    for (std::size_t walked = 0; at + 8 <= *declared; ++walked) {
        if (walked == mostElements) return std::nullopt;
        const Bytes read = source(at, 8);
        const ByteView element(read.data(), read.size());
        const auto length = element.u32be(4);
        // An element that runs past the declared length or the end of the file ends the list.
        if (!length || *length < 8 || *length > *declared - at || source(at + *length - 1, 1).empty()) break;
        for (const auto& known : knownElements) {
            if (!element.startsWith(0, known.type)) continue;
            ICNSElement found{at + 8, *length - 8u, ICNSElement::Coding::embedded, known.side,
                              known.legacyMask ? known.legacyMask : ""};
            const Bytes start = source(found.offset, static_cast<std::size_t>(std::min<std::uint64_t>(found.size, payloadStartBytes)));
            const ByteView payload(start.data(), start.size());
            const auto sniffed = sniffImageFormat(payload).format;
            if (sniffed != SniffedFormat::png && sniffed != SniffedFormat::jpeg2000) {
                if (known.side == 0) break;
                found.coding = payload.startsWith(0, "ARGB") ? ICNSElement::Coding::argbRunLength
                                                             : ICNSElement::Coding::rgbRunLength;
            }
            elements.push_back(std::move(found));
            break;
        }
        at += *length;
    }
    return elements;
}

} // namespace platform
