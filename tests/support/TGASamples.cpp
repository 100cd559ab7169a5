#include "support/TGASamples.h"

#include "support/TemporaryFolder.h"

#include <cstdlib>
#include <cstring>

namespace testing_support {
namespace {

void append16(platform::Bytes& bytes, unsigned value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void append32(platform::Bytes& bytes, std::uint32_t value) {
    append16(bytes, value & 0xFFFF);
    append16(bytes, value >> 16);
}

} // namespace

TGALayout tgaLayout(int imageType, int width, int height, int pixelBits, int alphaBits) {
    TGALayout layout;
    layout.imageType = imageType;
    layout.width = width;
    layout.height = height;
    layout.pixelBits = pixelBits;
    layout.alphaBits = alphaBits;
    return layout;
}

platform::Bytes tgaFile(const TGALayout& layout) {
    platform::Bytes file;
    file.push_back(static_cast<std::uint8_t>(layout.imageID.size()));
    file.push_back(layout.mapLength > 0 ? 1 : 0);
    file.push_back(static_cast<std::uint8_t>(layout.imageType));
    append16(file, layout.mapFirstIndex);
    append16(file, layout.mapLength);
    file.push_back(static_cast<std::uint8_t>(layout.mapEntryBits));
    append16(file, 0);
    append16(file, 0);
    append16(file, layout.width);
    append16(file, layout.height);
    file.push_back(static_cast<std::uint8_t>(layout.pixelBits));
    file.push_back(static_cast<std::uint8_t>(layout.alphaBits | (layout.rightToLeft ? 0x10 : 0) | (layout.topToBottom ? 0x20 : 0)));
    file.insert(file.end(), layout.imageID.begin(), layout.imageID.end());
    file.insert(file.end(), layout.colourMap.begin(), layout.colourMap.end());
    file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
    std::uint32_t extension = 0;
    if (layout.attributesType) {
        extension = static_cast<std::uint32_t>(file.size());
        platform::Bytes area(495, 0);
        area[0] = 495 & 0xFF;
        area[1] = 495 >> 8;
        area[494] = *layout.attributesType;
        file.insert(file.end(), area.begin(), area.end());
    }
    append32(file, extension);
    append32(file, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    file.insert(file.end(), signature, signature + sizeof signature);
    return file;
}

platform::Bytes tgaRunLength(const platform::Bytes& pixels, std::size_t pixelBytes) {
    platform::Bytes coded;
    const std::size_t count = pixels.size() / pixelBytes;
    const auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(pixels.data() + a * pixelBytes, pixels.data() + b * pixelBytes, pixelBytes) == 0;
    };
    std::size_t at = 0;
    while (at < count) {
        std::size_t run = 1;
        while (at + run < count && run < 128 && same(at, at + run)) ++run;
        if (run > 1) {
            coded.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            coded.insert(coded.end(), pixels.begin() + static_cast<std::ptrdiff_t>(at * pixelBytes),
                         pixels.begin() + static_cast<std::ptrdiff_t>((at + 1) * pixelBytes));
            at += run;
            continue;
        }
        std::size_t literal = 1;
        while (at + literal < count && literal < 128 && !(at + literal + 1 < count && same(at + literal, at + literal + 1)))
            ++literal;
        coded.push_back(static_cast<std::uint8_t>(literal - 1));
        coded.insert(coded.end(), pixels.begin() + static_cast<std::ptrdiff_t>(at * pixelBytes),
                     pixels.begin() + static_cast<std::ptrdiff_t>((at + literal) * pixelBytes));
        at += literal;
    }
    return coded;
}

std::optional<platform::Bytes> netpbmTGA(const platform::Bytes& netpbm, const std::string& options) {
    if (std::system("command -v pamtotga >/dev/null 2>&1") != 0) return std::nullopt;
    const TemporaryFolder folder;
    const auto input = folder.write("input.pam", netpbm);
    const auto output = folder.file("output.tga");
    const std::string command = "pamtotga " + options + " '" + input.string() + "' > '" + output.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return std::nullopt;
    auto bytes = readFile(output);
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

} // namespace testing_support
