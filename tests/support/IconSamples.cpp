#include "support/IconSamples.h"

#include "support/EncodedSamples.h"

namespace testing_support {
namespace {

void le16(platform::Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void le32(platform::Bytes& out, std::uint32_t v) {
    le16(out, v & 0xFFFF);
    le16(out, v >> 16);
}
void be32(platform::Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::size_t stride(int width, int bitCount) { return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4); }

// A BITMAPINFOHEADER of `size` bytes (40, or 124 for version 5, the rest filled by the caller).
void putInfoHeader(platform::Bytes& out, std::uint32_t size, int width, int height, int bitCount,
                   std::uint32_t compression, std::size_t imageBytes, std::int32_t ppm, std::uint32_t colours) {
    for (const std::uint32_t value : {size, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)})
        le32(out, value);
    le16(out, 1);
    le16(out, static_cast<std::uint32_t>(bitCount));
    for (const std::uint32_t value : {compression, static_cast<std::uint32_t>(imageBytes), static_cast<std::uint32_t>(ppm),
                                      static_cast<std::uint32_t>(ppm), colours, 0u})
        le32(out, value);
}

// The 14-byte file header and the rest of the file.
platform::Bytes bmpWrapping(const platform::Bytes& headers, const platform::Bytes& pixels) {
    platform::Bytes out{'B', 'M'};
    le32(out, static_cast<std::uint32_t>(14 + headers.size() + pixels.size()));
    le32(out, 0);
    le32(out, static_cast<std::uint32_t>(14 + headers.size()));
    out.insert(out.end(), headers.begin(), headers.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// BITMAPINFOHEADER, then the palette and the rows (bottom-up unless topDown).
platform::Bytes dib(int width, int height, int bitCount, bool topDown, std::int32_t ppm, bool andMask) {
    platform::Bytes out;
    const int storedHeight = (andMask ? 2 : 1) * height;
    putInfoHeader(out, 40, width, topDown ? -storedHeight : storedHeight, bitCount, 0, 0, ppm, bitCount == 8 ? 256 : 0);
    if (bitCount == 8)
        for (int i = 0; i < 256; ++i) le32(out, static_cast<std::uint32_t>(i * 0x010101));
    const std::size_t rowBytes = stride(width, bitCount);
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        platform::Bytes line;
        for (int x = 0; x < width; ++x) {
            if (bitCount == 8) {
                line.push_back(samplePixel(x, y, 0));
            } else {
                line.push_back(samplePixel(x, y, 2));
                line.push_back(samplePixel(x, y, 1));
                line.push_back(samplePixel(x, y, 0));
                if (bitCount == 32) line.push_back(samplePixel(x, y, 3));
            }
        }
        line.resize(rowBytes, 0);
        out.insert(out.end(), line.begin(), line.end());
    }
    if (andMask) {
        const std::size_t maskBytes = stride(width, 1);
        for (int row = 0; row < height; ++row) {
            platform::Bytes line(maskBytes, 0);
            for (int x = 0; x < width / 2; ++x) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            out.insert(out.end(), line.begin(), line.end());
        }
    }
    return out;
}

} // namespace

platform::Bytes bmpFile(int width, int height, int bitCount, bool topDown, std::int32_t pixelsPerMetre) {
    const auto body = dib(width, height, bitCount, topDown, pixelsPerMetre, false);
    const auto pixels = body.begin() + 40 + (bitCount == 8 ? 1024 : 0);
    return bmpWrapping(platform::Bytes(body.begin(), pixels), platform::Bytes(pixels, body.end()));
}

platform::Bytes bmpFileRunLength(int width, int height, int bitCount) {
    const bool four = bitCount == 4;
    const int colours = four ? 16 : 256;
    auto index = [&](int x, int y) { return four ? samplePixel(x, y, 0) & 0x0F : samplePixel(x, y, 0); };
    platform::Bytes runs;
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        runs.push_back(1);
        runs.push_back(static_cast<std::uint8_t>(four ? index(0, y) << 4 : index(0, y)));
        runs.push_back(1);
        runs.push_back(static_cast<std::uint8_t>(four ? index(1, y) << 4 : index(1, y)));
        const int literal = width - 2;
        runs.push_back(0);
        runs.push_back(static_cast<std::uint8_t>(literal));
        platform::Bytes packed;
        for (int x = 2; x < width; ++x) {
            if (!four) packed.push_back(index(x, y));
            else if ((x - 2) % 2 == 0) packed.push_back(static_cast<std::uint8_t>(index(x, y) << 4));
            else packed.back() |= static_cast<std::uint8_t>(index(x, y));
        }
        if (packed.size() % 2) packed.push_back(0);
        runs.insert(runs.end(), packed.begin(), packed.end());
        runs.push_back(0);
        runs.push_back(0);
    }
    runs.push_back(0);
    runs.push_back(1);
    platform::Bytes header;
    putInfoHeader(header, 40, width, height, bitCount, four ? 2 : 1, runs.size(), 0, static_cast<std::uint32_t>(colours));
    for (int i = 0; i < colours; ++i) le32(header, static_cast<std::uint32_t>(i * 0x010101));
    return bmpWrapping(header, runs);
}

platform::Bytes bmpFileWithAlpha(int width, int height) {
    platform::Bytes header;
    putInfoHeader(header, 124, width, height, 32, 3 /* bit fields */, static_cast<std::size_t>(width * height * 4), 2835, 0);
    for (const std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) le32(header, mask);
    header.resize(124, 0);
    platform::Bytes pixels;
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            for (const int band : {2, 1, 0, 3}) pixels.push_back(samplePixel(x, height - 1 - row, band));
    return bmpWrapping(header, pixels);
}

platform::Bytes icoFile(const std::vector<IconEntry>& entries) {
    std::vector<platform::Bytes> payloads;
    for (const auto& entry : entries) {
        if (entry.png) {
            SampleImage sample;
            sample.width = sample.height = entry.side;
            sample.bands = 4;
            payloads.push_back(*encodeSample(sample, ".png"));
        } else {
            payloads.push_back(dib(entry.side, entry.side, entry.bitCount, false, 0, true));
        }
    }
    platform::Bytes out;
    le16(out, 0);
    le16(out, 1);
    le16(out, static_cast<std::uint32_t>(entries.size()));
    std::size_t offset = 6 + 16 * entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int side = entries[i].side;
        out.push_back(static_cast<std::uint8_t>(side >= 256 ? 0 : side));
        out.push_back(static_cast<std::uint8_t>(side >= 256 ? 0 : side));
        out.push_back(0);
        out.push_back(0);
        le16(out, 1);
        le16(out, static_cast<std::uint32_t>(entries[i].png ? 32 : entries[i].bitCount));
        le32(out, static_cast<std::uint32_t>(payloads[i].size()));
        le32(out, static_cast<std::uint32_t>(offset));
        offset += payloads[i].size();
    }
    for (const auto& payload : payloads) out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

platform::Bytes icnsFile(const std::vector<ICNSElement>& elements) {
    platform::Bytes body;
    for (const auto& element : elements) {
        body.insert(body.end(), element.type.begin(), element.type.end());
        be32(body, static_cast<std::uint32_t>(8 + element.payload.size()));
        body.insert(body.end(), element.payload.begin(), element.payload.end());
    }
    platform::Bytes out{'i', 'c', 'n', 's'};
    be32(out, static_cast<std::uint32_t>(8 + body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

namespace {

// Each channel as literal runs of up to 128 bytes, except for its first row, which is one
// repeated value, so that both kinds of run are read. Band 3 is the alpha channel.
platform::Bytes runLengthChannels(int side, std::initializer_list<int> bands) {
    platform::Bytes out;
    for (int band : bands) {
        std::vector<std::uint8_t> channel;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) channel.push_back(y == 0 ? 200 : samplePixel(x, y, band));
        out.push_back(static_cast<std::uint8_t>(side + 125)); // a run of `side` (at most 130) bytes
        out.push_back(200);
        for (std::size_t at = static_cast<std::size_t>(side); at < channel.size();) {
            const std::size_t run = std::min<std::size_t>(128, channel.size() - at);
            out.push_back(static_cast<std::uint8_t>(run - 1));
            out.insert(out.end(), channel.begin() + static_cast<std::ptrdiff_t>(at),
                       channel.begin() + static_cast<std::ptrdiff_t>(at + run));
            at += run;
        }
    }
    return out;
}

} // namespace

platform::Bytes icnsRunLengthRGB(int side) { return runLengthChannels(side, {0, 1, 2}); }

platform::Bytes icnsRunLengthARGB(int side) {
    platform::Bytes out{'A', 'R', 'G', 'B'};
    const auto channels = runLengthChannels(side, {3, 0, 1, 2});
    out.insert(out.end(), channels.begin(), channels.end());
    return out;
}

platform::Bytes icnsMask(int side) {
    platform::Bytes out;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) out.push_back(samplePixel(x, y, 3));
    return out;
}

} // namespace testing_support
